#include "BenchProjectFiles.h"

#include "model/KivSerialization.h"
#include "model/KivStream.h"

#include <QFile>
#include <zlib.h>

namespace BenchProjectFiles
{

namespace
{
constexpr uInt chunkSize = 32768;
} // namespace

QByteArray ZlibDeflate(const QByteArray& body)
{
    z_stream zs{};
    deflateInit(&zs, Z_DEFAULT_COMPRESSION);
    QByteArray out;
    unsigned char chunk[chunkSize];
    qsizetype taken = 0;
    int flush = Z_NO_FLUSH;
    do {
        const qsizetype input = qMin<qsizetype>(chunkSize, body.size() - taken);
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData() + taken));
        zs.avail_in = uInt(input);
        taken += input;
        flush = taken == body.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = chunk;
            zs.avail_out = chunkSize;
            deflate(&zs, flush);
            out.append(reinterpret_cast<const char*>(chunk), chunkSize - zs.avail_out);
        } while (zs.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&zs);
    return out;
}

QByteArray EmptyStationsBody(int channels, int stationsPerChannel)
{
    // A block with at most one entry, appended to out; its end position counts from the start
    // of out, as it does in a list stream and in an entry's data.
    const auto block = [](TKivStream& out, const char* name, const char* key,
                          const TKivStream& entry) {
        WriteText(out, QLatin1String(name));
        const qsizetype end = out.ReserveInt32();
        out.WriteInt32(key ? 1 : 0);
        if (key) {
            WriteText(out, QLatin1String(key));
            WriteBlock(out, entry);
        }
        out.PatchInt32(end, qint32(out.Position()));
    };
    // Entry data of a nested list: tag 19, then the list stream with its length.
    const auto list = [](const char* name, int count, const auto& item) {
        TKivStream items;
        WriteText(items, QLatin1String(name));
        items.WriteInt32(count);
        for (int i = 0; i < count; ++i)
            item(items);
        TKivStream entry;
        entry.WriteUInt8(19);
        WriteBlock(entry, items);
        return entry;
    };
    const TKivStream stations = list("TKivChannel", stationsPerChannel, [&](TKivStream& out) {
        block(out, "TKivStation", nullptr, TKivStream());
    });
    const TKivStream channelList = list("TKivChannels", channels, [&](TKivStream& out) {
        block(out, "TKivChannel", "Channel", stations);
    });
    TKivStream channelsObject; // entry data of a nested object: tag 18, then its block
    channelsObject.WriteUInt8(18);
    block(channelsObject, "TKivChannels", "Channels", channelList);
    TKivStream root;
    block(root, "TKivTamsor", "Channels", channelsObject);
    return root.TakeBytes();
}

bool WriteProjectBody(const QString& path, const QByteArray& body)
{
    // "zop0", then the empty file-information block, as every project file begins.
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(QByteArray("zop0") + QByteArray::fromHex("0b000000") +
                      QByteArray::fromHex("54004b0069007600460069006c00650049006e006600"
                                          "2600000000000000") +
                      ZlibDeflate(body)) > 0 &&
           file.flush();
}

} // namespace BenchProjectFiles
