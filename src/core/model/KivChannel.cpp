#include "KivChannel.h"

#include "KivTamsor.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <bitset>

const QByteArray& ZeroRegisterImage()
{
    static const QByteArray zeros(RegisterImageSize, '\0');
    return zeros;
}

namespace {

// The lowest station number not in used; 0 when all are.
quint32 LowestFreeNumber(const std::bitset<256>& used)
{
    if (used.all())
        return 0;
    quint32 number = 0;
    while (used.test(number))
        ++number;
    return number;
}

} // namespace

// ---- TKivStation ------------------------------------------------------------------------------

TKivStation::TKivStation(TKivChannel* owner)
    : TKivStation(owner, owner ? owner->FirstFreeStationNum() : 0xFFFFFFFF)
{
}

TKivStation::TKivStation(TKivChannel* owner, quint32 number) : Owner(owner)
{
    Recipes = std::make_unique<TKivRecipes>(this);
    DataRecords = std::make_unique<TKivDataRecords>(this);
    Alarms = std::make_unique<TKivAlarms>(this);
    RegisterImage = ZeroRegisterImage();
    if (Owner) {
        Owner->Stations.AddNew(this);
        StationNum = number;
    }
}

TKivStation::~TKivStation()
{
    if (Owner)
        Owner->Stations.Remove(this);
    Recipes.reset();
    DataRecords.reset();
    Alarms.reset();
    delete Node;
}

QString TKivStation::GetCaption() const
{
    if (ModelName.isEmpty())
        return GetLangString(StrId::StationNoModel);
    if (!Description.isEmpty())
        return ModelName + QStringLiteral(" : ") + Description;
    return ModelName;
}

quint16 TKivStation::RegisterAt(quint32 r) const
{
    if (r >= quint32(RegisterCount) || RegisterImage.size() != RegisterImageSize)
        return 0;
    const auto* bytes = reinterpret_cast<const uchar*>(RegisterImage.constData()) + 2 * r;
    return quint16(bytes[0] | (bytes[1] << 8));
}

bool TKivStation::WasRead() const
{
    return UpdateTime != 0 || !RegisterImage.isSharedWith(ZeroRegisterImage());
}

void TKivStation::Serialize(TKivSerialization& s)
{
    s.ValueUInt32(QStringLiteral("StationNum"), StationNum);
    s.ValueString(QStringLiteral("ModelName"), ModelName);
    s.ValueUInt32(QStringLiteral("ModelID"), ModelID);
    s.ValueObject(QStringLiteral("Recipes"), *Recipes);
    s.ValueObject(QStringLiteral("DataRecords"), *DataRecords);
    s.ValueObject(QStringLiteral("Alarms"), *Alarms);
    s.ValueUInt32(QStringLiteral("ScheduleTime"), ScheduleTime);
    s.ValueDouble(QStringLiteral("UpdateTime"), UpdateTime);
    s.ValueString(QStringLiteral("StationKey"), StationKey); // an empty key is not stored
    if (s.Mode() == TKivSerialization::Save) {
        TKivStream image(RegisterImage);
        s.ValueMemory(QStringLiteral("Register"), image);
        return;
    }
    TKivStream image;
    s.ValueMemory(QStringLiteral("Register"), image);
    // Anything but a whole image would misplace every register: start from zeros instead. The
    // zeros stored for a station never read share the one zero image, so a project of many
    // such stations loads without an image's memory for each.
    if (image.Size() == RegisterImageSize && image.Bytes() != ZeroRegisterImage())
        RegisterImage = image.TakeBytes();
    else
        RegisterImage = ZeroRegisterImage();
}

// ---- TKivChannel ------------------------------------------------------------------------------

TKivChannel::TKivChannel(TKivChannels* owner) : Owner(owner)
{
    if (Owner)
        Owner->AddNew(this);
}

TKivChannel::~TKivChannel()
{
    if (Owner)
        Owner->Remove(this);
    Stations.Clear();
    delete Node;
}

void TKivChannel::Serialize(TKivSerialization& s)
{
    s.ValueInt32(QStringLiteral("Type"), Type);
    s.ValueString(QStringLiteral("UartPort"), UartPort);
    s.ValueInt32(QStringLiteral("Baudrate"), Baudrate);
    s.ValueInt32(QStringLiteral("DataBits"), DataBits);
    s.ValueInt32(QStringLiteral("StopBit"), StopBit);
    s.ValueInt32(QStringLiteral("Parity"), Parity);
    s.ValueString(QStringLiteral("Ip"), Ip);
    s.ValueString(QStringLiteral("RegisterFileName"), RegisterFileName);
    // A loaded station takes the lowest number that the stations loaded before it leave free,
    // until its own stored number replaces it. The numbers in use are noted as the stations
    // come instead of being searched for again for each one, so a long list loads in linear
    // time.
    s.ValueList(QStringLiteral("Channel"), *this, Stations,
                [this, used = std::bitset<256>(), last = (TKivStation*)nullptr]() mutable {
                    if (last && last->StationNum < used.size())
                        used.set(last->StationNum);
                    last = new TKivStation(this, LowestFreeNumber(used));
                    return last;
                });
    SerializeReadOptions(s);
}

void TKivChannel::SerializeReadOptions(TKivSerialization& s)
{
    const TReadOptions defaults;
    TReadOptions options = s.Mode() == TKivSerialization::Save ? ReadOptions : defaults;
    if (s.Mode() == TKivSerialization::Save && options.IsDefault())
        return;
    qint32 definedOnly = options.DefinedOnly ? 1 : 0;
    s.ValueInt32(QStringLiteral("DefinedOnly"), definedOnly);
    s.ValueInt32(QStringLiteral("BlockRegisters"), options.BlockRegisters);
    s.ValueInt32(QStringLiteral("InFlight"), options.InFlight);
    if (s.Mode() == TKivSerialization::Save)
        return;
    // Absent keys mean the defaults, also when another channel's block is assigned to this one.
    options.DefinedOnly = definedOnly != 0;
    ReadOptions = options;
}

namespace {

// The index-th letter of letters, or "?" for an index that names none.
QChar LetterAt(const char* letters, qint32 index)
{
    const QLatin1StringView text(letters);
    return index >= 0 && index < text.size() ? QChar(text[index]) : QLatin1Char('?');
}

} // namespace

QString TKivChannel::GetCaption() const
{
    if (Type == TypeUart && !UartPort.isEmpty()) {
        return QStringLiteral("%1 [%2,%3,%4,%5]")
            .arg(UartPort)
            .arg(Baudrate)
            .arg(LetterAt("NOEMS", Parity))
            .arg(LetterAt("5678", DataBits))
            .arg(LetterAt("12", StopBit));
    }
    if (Type == TypeInternet && !Ip.isEmpty())
        return Ip;
    if (Type == TypeRegisterFile && !RegisterFileName.isEmpty())
        return RegisterFileName;
    // A stored type outside the three known ones names no text of its own.
    if (Type < TypeUart || Type > TypeRegisterFile)
        return QStringLiteral("?");
    return GetLangString(StrId::ChannelTypeBase + 1 + Type);
}

TKivStation* TKivChannel::FindStation(quint32 number) const
{
    for (TKivStation* station : Stations) {
        if (station->StationNum == number)
            return station;
    }
    return nullptr;
}

quint32 TKivChannel::FirstFreeStationNum() const
{
    std::bitset<256> used;
    for (const TKivStation* station : Stations) {
        if (station->StationNum < used.size())
            used.set(station->StationNum);
    }
    return LowestFreeNumber(used);
}

void TKivChannel::SetScheduleBase(quint32 time)
{
    for (TKivStation* station : Stations)
        station->SetScheduleBase(time);
}
