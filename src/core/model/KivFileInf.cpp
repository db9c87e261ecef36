#include "KivFileInf.h"

#include "KivTamsor.h"
#include "TamsorError.h"

#include <QFile>
#include <cstring>
#include <zlib.h>

namespace {

const QByteArray magic("zop0");
constexpr qsizetype chunkSize = 32768;

[[noreturn]] void ThrowZlibError(int code, const z_stream& zs)
{
    const char* text = zs.msg ? zs.msg : zError(code);
    throw TamsorError(QString::fromLatin1(text));
}

// Compresses what is appended to it (default level, 32 KiB chunks in and out) into out.
class DeflateSink : public TKivStreamSink {
public:
    explicit DeflateSink(TKivStream& out) : m_out(out)
    {
        const int code = deflateInit(&m_zs, Z_DEFAULT_COMPRESSION);
        if (code != Z_OK)
            ThrowZlibError(code, m_zs);
    }
    ~DeflateSink() override { deflateEnd(&m_zs); }
    DeflateSink(const DeflateSink&) = delete;
    DeflateSink& operator=(const DeflateSink&) = delete;

    void Append(const char* data, qsizetype size) override
    {
        while (size > 0) {
            // Whole chunks of a large value go to zlib from where they are.
            if (m_filled == 0 && size >= chunkSize) {
                Compress(data, chunkSize, Z_NO_FLUSH);
                data += chunkSize;
                size -= chunkSize;
                continue;
            }
            const qsizetype part = qMin(size, chunkSize - m_filled);
            std::memcpy(m_input + m_filled, data, size_t(part));
            m_filled += part;
            data += part;
            size -= part;
            if (m_filled == chunkSize) {
                Compress(m_input, chunkSize, Z_NO_FLUSH);
                m_filled = 0;
            }
        }
    }

    void Finish()
    {
        Compress(m_input, m_filled, Z_FINISH);
        m_filled = 0;
    }

private:
    void Compress(const char* data, qsizetype size, int flush)
    {
        m_zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        m_zs.avail_in = uInt(size);
        do {
            m_zs.next_out = m_output;
            m_zs.avail_out = chunkSize;
            const int code = deflate(&m_zs, flush);
            if (code == Z_STREAM_ERROR)
                ThrowZlibError(code, m_zs);
            m_out.Write(m_output, chunkSize - m_zs.avail_out);
        } while (m_zs.avail_out == 0);
    }

    TKivStream& m_out;
    z_stream m_zs{};
    char m_input[chunkSize];
    qsizetype m_filled = 0;
    unsigned char m_output[chunkSize];
};

// Inflates the zlib stream that starts at data as its bytes are asked for, taking 32 KiB of
// input at a time; bytes after the stream's end are ignored.
class InflateSource : public TKivStreamSource {
public:
    InflateSource(const char* data, qsizetype size) : m_data(data), m_size(size)
    {
        const int code = inflateInit(&m_zs);
        if (code != Z_OK)
            ThrowZlibError(code, m_zs);
    }
    ~InflateSource() override { inflateEnd(&m_zs); }
    InflateSource(const InflateSource&) = delete;
    InflateSource& operator=(const InflateSource&) = delete;

    qsizetype Pull(char* out, qsizetype size) override
    {
        if (!m_failure.isEmpty())
            throw TamsorError(m_failure);
        if (m_ended || size <= 0)
            return 0;
        m_zs.next_out = reinterpret_cast<Bytef*>(out);
        m_zs.avail_out = uInt(qMin<qsizetype>(size, qsizetype(1) << 30));
        const qsizetype room = m_zs.avail_out;
        while (m_zs.avail_out > 0) {
            if (m_zs.avail_in == 0 && m_given < m_size) {
                const qsizetype input = qMin(chunkSize, m_size - m_given);
                m_zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(m_data + m_given));
                m_zs.avail_in = uInt(input);
                m_given += input;
            }
            int code = inflate(&m_zs, Z_NO_FLUSH);
            if (code == Z_STREAM_END) {
                m_ended = true;
                break;
            }
            if (code == Z_NEED_DICT)
                code = Z_DATA_ERROR;
            if (code == Z_BUF_ERROR && m_zs.avail_in == 0 && m_given == m_size)
                Fail(QString::fromLatin1(zError(Z_BUF_ERROR)));
            if (code != Z_OK && code != Z_BUF_ERROR)
                Fail(QString::fromLatin1(m_zs.msg ? m_zs.msg : zError(code)));
        }
        const qsizetype produced = room - qsizetype(m_zs.avail_out);
        m_total += produced;
        if (m_total > MaxProjectBodySize)
            Fail(QStringLiteral("Out of memory while expanding memory stream"));
        return produced;
    }

    // Inflates the rest of the stream, so that its errors show; the size of the whole body.
    qsizetype Finish()
    {
        char scratch[chunkSize];
        while (Pull(scratch, chunkSize) > 0) {
        }
        return m_total;
    }

private:
    [[noreturn]] void Fail(const QString& text)
    {
        m_failure = text;
        throw TamsorError(text);
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_given = 0;
    qsizetype m_total = 0;
    bool m_ended = false;
    QString m_failure;
    z_stream m_zs{};
};

} // namespace

QByteArray EncodeProjectFile(TKivTamsor& root)
{
    TKivStream file;
    file.Write(magic);
    TKivFileInf info;
    info.SerializeStream(TKivSerialization::Save, file);

    // The root block is never held whole: a first pass measures its length fields, a second
    // passes the same bytes straight to zlib.
    TKivStream measured = TKivStream::Measuring();
    root.SerializeStream(TKivSerialization::Save, measured);
    const qsizetype bodySize = measured.Size();
    DeflateSink deflater(file);
    TKivStream body = TKivStream::Forwarding(deflater, std::move(measured));
    root.SerializeStream(TKivSerialization::Save, body);
    if (body.Size() != bodySize)
        throw TamsorError(QStringLiteral("The project changed while it was being saved"));
    deflater.Finish();
    return file.TakeBytes();
}

void WriteProjectFile(const QString& path, TKivTamsor& root)
{
    TKivStream file(EncodeProjectFile(root));
    file.SaveToFile(path);
}

bool DecodeProjectFile(const QByteArray& bytes, TKivTamsor& root)
{
    TKivStream file(QByteArray::fromRawData(bytes.constData(), bytes.size()));
    char head[4];
    file.Read(head, 4);
    if (QByteArray(head, 4) != magic)
        return false;
    TKivFileInf info;
    info.SerializeStream(TKivSerialization::Load, file);

    // The body is read as it is inflated, never held whole; memory values are inflated straight
    // into the buffers that keep them.
    InflateSource source(file.Data() + file.Position(), file.Remaining());
    TKivStream body = TKivStream::Pulling(source, MaxProjectBodySize);
    // Load into a fresh root so that a damaged file leaves the caller's project as it was.
    TKivTamsor loaded;
    try {
        loaded.SerializeStream(TKivSerialization::Load, body);
    } catch (const TamsorError&) {
        // A damaged zlib stream is reported as such, even where the body read fails first.
        source.Finish();
        throw;
    }
    if (body.Claimed() > source.Finish())
        throw TamsorError(QStringLiteral("Stream read error"));
    root.TakeProjectFrom(loaded);
    return true;
}

bool ReadProjectFile(const QString& path, TKivTamsor& root)
{
    TKivStream file;
    file.LoadFromFile(path);
    return DecodeProjectFile(file.Bytes(), root);
}
