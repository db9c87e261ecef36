#include "Kivfileinf.h"

#include "Kivtamsor.h"
#include "TamsorError.h"

#include <QFile>
#include <zlib.h>

namespace {

const QByteArray magic("zop0");
constexpr qsizetype chunkSize = 32768;

[[noreturn]] void ThrowZlibError(int code, const z_stream& zs)
{
    const char* text = zs.msg ? zs.msg : zError(code);
    throw TamsorError(QString::fromLatin1(text));
}

// Appends the zlib stream of body (default level, 32 KiB chunks in and out) to out.
void Deflate(const QByteArray& body, TKivStream& out)
{
    z_stream zs{};
    int code = deflateInit(&zs, Z_DEFAULT_COMPRESSION);
    if (code != Z_OK)
        ThrowZlibError(code, zs);
    out.Reserve(out.Size() + qsizetype(deflateBound(&zs, uLong(body.size()))));
    qsizetype taken = 0;
    unsigned char output[chunkSize];
    int flush = Z_NO_FLUSH;
    do {
        const qsizetype input = qMin(chunkSize, body.size() - taken);
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData() + taken));
        zs.avail_in = uInt(input);
        taken += input;
        flush = taken == body.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = output;
            zs.avail_out = chunkSize;
            code = deflate(&zs, flush);
            if (code == Z_STREAM_ERROR) {
                deflateEnd(&zs);
                ThrowZlibError(code, zs);
            }
            out.Write(output, chunkSize - zs.avail_out);
        } while (zs.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&zs);
}

// Inflates the zlib stream that starts at data; bytes after its end are ignored.
QByteArray Inflate(const char* data, qsizetype size)
{
    z_stream zs{};
    int code = inflateInit(&zs);
    if (code != Z_OK)
        ThrowZlibError(code, zs);
    QByteArray body;
    body.reserve(qMin<qsizetype>(size * 4, MaxProjectBodySize));
    unsigned char output[chunkSize];
    qsizetype given = 0;
    do {
        if (zs.avail_in == 0) {
            const qsizetype input = qMin(chunkSize, size - given);
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data + given));
            zs.avail_in = uInt(input);
            given += input;
        }
        zs.next_out = output;
        zs.avail_out = chunkSize;
        code = inflate(&zs, Z_NO_FLUSH);
        if (code == Z_NEED_DICT)
            code = Z_DATA_ERROR;
        if (code == Z_BUF_ERROR && zs.avail_in == 0 && given == size) {
            inflateEnd(&zs);
            throw TamsorError(QString::fromLatin1(zError(Z_BUF_ERROR)));
        }
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR) {
            const QString text = QString::fromLatin1(zs.msg ? zs.msg : zError(code));
            inflateEnd(&zs);
            throw TamsorError(text);
        }
        const qsizetype produced = chunkSize - zs.avail_out;
        if (body.size() + produced > MaxProjectBodySize) {
            inflateEnd(&zs);
            throw TamsorError(QStringLiteral("Out of memory while expanding memory stream"));
        }
        body.append(reinterpret_cast<const char*>(output), produced);
    } while (code != Z_STREAM_END);
    inflateEnd(&zs);
    return body;
}

} // namespace

QByteArray EncodeProjectFile(TKivTamsor& root)
{
    TKivStream body;
    root.SerializeStream(TKivSerialization::Save, body);
    QByteArray bodyBytes = body.TakeBytes();

    TKivStream file;
    file.Write(magic);
    TKivFileInf info;
    info.SerializeStream(TKivSerialization::Save, file);
    Deflate(bodyBytes, file);
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
