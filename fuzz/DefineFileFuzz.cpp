// Define files: the reader's value rules and the import into a station. The first byte picks
// the legacy encoding the reader falls back on; the rest is the file.
#include "FuzzInput.h"

#include "model/KivChannel.h"
#include "model/KivIniFile.h"
#include "model/KivTamsor.h"

int FuzzDefineFile(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    static const QByteArray encodings[] = {QByteArray(), "GB18030", "Big5", "Shift_JIS"};
    TKivIniFile ini;
    ini.setLegacyEncoding(encodings[input.Byte() % 4]);
    ini.loadFromData(input.Rest());

    const QString value = ini.readString(u"Model", u"Name");
    FUZZ_CHECK(value.size() <= TKivIniFile::MaxValueLength);
    TKivIniFile::parseInteger(ini.readString(u"Model", u"ID"));

    TKivTamsor root;
    root.Start();
    auto* channel = new TKivChannel(root.Channels.get());
    auto* station = new TKivStation(channel);
    QString error;
    if (station->ImportDefine(ini, &error)) {
        FUZZ_CHECK(!station->ModelName.isEmpty() && station->ModelID != 0);
        FUZZ_CHECK(station->RegisterImage.size() == RegisterImageSize);
    } else {
        // A refused file changes nothing. (Its reason is a language text; no language is
        // selected here.)
        FUZZ_CHECK(station->ModelName.isEmpty() && station->Recipes->Count() == 0 &&
                   station->DataRecords->Count() == 0 && station->Alarms->Count() == 0);
    }
    return 0;
}
