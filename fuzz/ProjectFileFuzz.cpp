// Project files: a whole file as it lies on disk (first byte even), or a project body that is
// compressed here into a file (first byte odd), so that the loader's object and list decoding
// is reached without the input having to be a valid zlib stream. A file that loads must save
// and load again to the same bytes.
#include "FuzzInput.h"

#include "TamsorError.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <zlib.h>

namespace
{

QByteArray FileHead()
{
    TKivStream head;
    head.Write(QByteArray("zop0"));
    TKivFileInf info;
    info.SerializeStream(TKivSerialization::Save, head);
    return head.TakeBytes();
}

QByteArray Compressed(const QByteArray& body)
{
    uLongf length = compressBound(uLong(body.size()));
    QByteArray out(qsizetype(length), Qt::Uninitialized);
    const int code = compress2(reinterpret_cast<Bytef*>(out.data()), &length,
                               reinterpret_cast<const Bytef*>(body.constData()), uLong(body.size()),
                               Z_DEFAULT_COMPRESSION);
    FUZZ_CHECK(code == Z_OK);
    out.truncate(qsizetype(length));
    return out;
}

} // namespace

int FuzzProjectFile(const uint8_t* data, size_t size)
{
    static const QByteArray head = FileHead();
    FuzzInput input(data, size);
    const bool body = input.Byte() & 1;
    const QByteArray file = body ? head + Compressed(input.Rest()) : input.Rest();

    TKivTamsor root;
    root.Start();
    bool loaded = false;
    try {
        loaded = DecodeProjectFile(file, root);
    } catch (const TamsorError&) {
        FUZZ_CHECK(root.Channels->Count() == 0); // a failed load leaves the project as it was
        return 0;
    }
    if (!loaded)
        return 0;

    const QByteArray saved = EncodeProjectFile(root);
    TKivTamsor again;
    FUZZ_CHECK(DecodeProjectFile(saved, again));
    FUZZ_CHECK(EncodeProjectFile(again) == saved);
    return 0;
}
