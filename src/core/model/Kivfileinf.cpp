#include "Kivfileinf.h"

#include "Kivtamsor.h"
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

// Inflates the zlib stream that starts at data straight into one buffer that grows as needed;
// bytes after the stream's end are ignored.
QByteArray Inflate(const char* data, qsizetype size)
{
    z_stream zs{};
    int code = inflateInit(&zs);
    if (code != Z_OK)
        ThrowZlibError(code, zs);
    const auto fail = [&zs](const QString& text) {
        inflateEnd(&zs);
        throw TamsorError(text);
    };
    // One byte more than the largest body accepted shows a body that is too large.
    const qsizetype limit = MaxProjectBodySize + 1;
    QByteArray body(qBound(chunkSize, size * 4, limit), Qt::Uninitialized);
    qsizetype produced = 0;
    qsizetype given = 0;
    do {
        if (zs.avail_in == 0) {
            const qsizetype input = qMin(chunkSize, size - given);
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data + given));
            zs.avail_in = uInt(input);
            given += input;
        }
        if (produced == body.size())
            body.resize(qMin(body.size() * 2, limit)); // new bytes are not cleared
        const qsizetype room = qMin<qsizetype>(body.size() - produced, qsizetype(1) << 30);
        zs.next_out = reinterpret_cast<Bytef*>(body.data() + produced);
        zs.avail_out = uInt(room);
        code = inflate(&zs, Z_NO_FLUSH);
        produced += room - qsizetype(zs.avail_out);
        if (code == Z_NEED_DICT)
            code = Z_DATA_ERROR;
        if (code == Z_BUF_ERROR && zs.avail_in == 0 && given == size)
            fail(QString::fromLatin1(zError(Z_BUF_ERROR)));
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR)
            fail(QString::fromLatin1(zs.msg ? zs.msg : zError(code)));
        if (produced > MaxProjectBodySize)
            fail(QStringLiteral("Out of memory while expanding memory stream"));
    } while (code != Z_STREAM_END);
    inflateEnd(&zs);
    body.resize(produced);
    return body;
}

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

    TKivStream body(Inflate(file.Data() + file.Position(), file.Remaining()));
    // Load into a fresh root so that a damaged file leaves the caller's project as it was.
    TKivTamsor loaded;
    loaded.SerializeStream(TKivSerialization::Load, body);
    root.TakeProjectFrom(loaded);
    return true;
}

bool ReadProjectFile(const QString& path, TKivTamsor& root)
{
    TKivStream file;
    file.LoadFromFile(path);
    return DecodeProjectFile(file.Bytes(), root);
}
