#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

// Receives the bytes of a stream that passes them on instead of keeping them.
class TKivStreamSink {
public:
    virtual ~TKivStreamSink() = default;
    virtual void Append(const char* data, qsizetype size) = 0;
};

// Gives the bytes of a stream that is read as it is produced, for example while inflating.
class TKivStreamSource {
public:
    virtual ~TKivStreamSource() = default;
    // Up to size bytes into data; 0 only when the source has no more bytes.
    virtual qsizetype Pull(char* data, qsizetype size) = 0;
};

// A growable in-memory byte buffer with a read/write position. Reading past the end throws
// TamsorError("Stream read error"); writing at the position overwrites and extends.
//
// For saving a large object without holding its block, a stream can also only count what is
// appended (Measuring) and then pass the same bytes on to a sink (Forwarding). Length fields
// written before what they measure are taken with ReserveInt32 and set with PatchInt32; the
// counting pass notes their values, and the forwarding pass writes them in the same order.
//
// For loading a large object without holding its block, a stream can read from a source
// (Pulling): only a small window of bytes is kept, reads move forward only, and large reads
// go from the source straight into their destination. Size() is the size the data claims
// (at first the limit given); reads past the bytes the source has fail as for memory.
class TKivStream {
public:
    TKivStream() = default;
    explicit TKivStream(QByteArray data) : m_data(std::move(data)) {}
    static TKivStream Measuring();
    // Appends go to sink; the length fields get the values measured noted.
    static TKivStream Forwarding(TKivStreamSink& sink, TKivStream&& measured);
    static TKivStream Pulling(TKivStreamSource& source, qsizetype limit);

    qsizetype Size() const
    {
        return m_kind == Kind::Pulling ? m_limit - m_origin : m_passed + m_data.size();
    }
    qsizetype Position() const
    {
        return m_kind == Kind::Pulling ? m_position - m_origin : m_position;
    }
    // Memory: any value >= 0; reads beyond Size() fail. Pulling: forward, or back within the
    // bytes still held; moving forward past the source's bytes fails with "Stream read error".
    void SetPosition(qsizetype position);
    qsizetype Remaining() const { return Position() < Size() ? Size() - Position() : 0; }
    void SetSize(qsizetype size);         // new bytes are zero; the position is kept
    void Clear();                         // size and position 0
    void Reserve(qsizetype size); // room for size bytes; grows geometrically

    void Read(void* buffer, qsizetype count); // all count bytes or TamsorError
    // Pulling: the largest offset from the start that any length or end position read so far
    // has claimed; data that ends before it is damaged.
    qsizetype Claimed() const { return m_claimed; }
    bool ReadsFromSource() const { return m_kind == Kind::Pulling; }
    void Write(const void* buffer, qsizetype count);
    void Write(const QByteArray& bytes) { Write(bytes.constData(), bytes.size()); }

    quint8 ReadUInt8();
    qint32 ReadInt32();
    quint32 ReadUInt32();
    double ReadDouble();
    void WriteUInt8(quint8 value);
    void WriteInt32(qint32 value);
    void WriteUInt32(quint32 value);
    void WriteDouble(double value);
    // A four-byte field at the position, to be set by PatchInt32 once its value is known.
    // Fields are set last-taken first. Returns the field's position.
    qsizetype ReserveInt32();
    // Overwrites four bytes at position, which lie within the stream; the position is kept.
    void PatchInt32(qsizetype position, qint32 value);

    const char* Data() const { return m_data.constData(); }
    const QByteArray& Bytes() const { return m_data; }
    QByteArray TakeBytes(); // leaves the stream empty

    void LoadFromFile(const QString& path); // TamsorError "Cannot open file "%s". %s"
    void SaveToFile(const QString& path);   // whole or not at all (TKivSaveFile)

    // A read-only window on bytes owned elsewhere, valid while they are; writing copies first.
    static TKivStream View(const char* data, qsizetype size);

private:
    friend class TKivSerialization;
    friend class TKivStreamRegion;
    enum class Kind { Memory, Measuring, Forwarding, Pulling };
    struct LengthField {
        qsizetype position;
        qint32 value;
    };
    bool PassesBytesOn() const { return m_kind == Kind::Measuring || m_kind == Kind::Forwarding; }

    QByteArray m_data;
    qsizetype m_position = 0;
    Kind m_kind = Kind::Memory;
    qsizetype m_passed = 0;           // bytes counted or passed on, never kept
    TKivStreamSink* m_sink = nullptr; // Forwarding
    std::vector<LengthField> m_lengthFields; // in the order they were reserved
    std::vector<qsizetype> m_openFields;     // Measuring: reserved, not yet patched
    qsizetype m_nextField = 0;               // Forwarding: the next field to write
    // Bytes before the logical start: end positions of blocks count from here. Lets nested
    // objects and lists be written in place inside their owner's block instead of being built
    // in buffers of their own and copied there.
    qsizetype m_origin = 0;

    // Pulling: m_data holds m_held bytes that start at offset m_heldStart; m_position and
    // m_origin are offsets from the start, m_limit the end of the region being read.
    void PullInto(char* out, qsizetype count);
    bool Hold(qsizetype count); // count bytes held from the position on, unless the data ends
    const char* HeldAtPosition() const { return m_data.constData() + (m_position - m_heldStart); }
    void SkipTo(qsizetype offset);
    void Claim(qsizetype offset) { m_claimed = qMax(m_claimed, offset); }
    TKivStreamSource* m_source = nullptr;
    qsizetype m_heldStart = 0;
    qsizetype m_held = 0;
    qsizetype m_limit = 0;
    qsizetype m_claimed = 0;
    qint64 m_listItems = 0; // items of nested lists loaded so far (TKivSerialization)
};

// A part of a pulling stream that a length or end position marks out: while it is entered,
// positions count from its start and reading stops at its end. Leave moves past its end.
class TKivStreamRegion {
public:
    TKivStreamRegion(TKivStream& stream, qsizetype size)
        : m_stream(stream), m_origin(stream.m_origin), m_limit(stream.m_limit),
          m_end(stream.m_position + size)
    {
        stream.m_origin = stream.m_position;
        stream.m_limit = m_end;
    }
    ~TKivStreamRegion() { Restore(); }
    TKivStreamRegion(const TKivStreamRegion&) = delete;
    TKivStreamRegion& operator=(const TKivStreamRegion&) = delete;

    void Leave()
    {
        m_stream.SkipTo(m_end);
        Restore();
    }

private:
    void Restore()
    {
        m_stream.m_origin = m_origin;
        m_stream.m_limit = m_limit;
    }

    TKivStream& m_stream;
    const qsizetype m_origin;
    const qsizetype m_limit;
    const qsizetype m_end;
};

// Stream primitives of object blocks and list streams.
void WriteText(TKivStream& stream, const QString& text);
void ReadText(TKivStream& stream, QString& text); // unchanged when fewer than 4 bytes remain
void WriteBlock(TKivStream& stream, const TKivStream& block);
void ReadBlock(TKivStream& stream, TKivStream& block); // empties block first

// The length and start of a length-prefixed block at the stream's position, checked against
// the bytes that remain; the position moves past the block.
qsizetype TakeBlock(TKivStream& stream, const char*& start);

// Throws TamsorError("Stream read error"), the failure of every read of damaged data.
[[noreturn]] void ThrowStreamReadError();
