#include "KivTamsor.h"

#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

// ---- TKivChannels -----------------------------------------------------------------------------

TKivChannels::TKivChannels() : TKivList(this) {}

TKivChannels::~TKivChannels() { Clear(); }

void TKivChannels::Serialize(TKivSerialization& s)
{
    s.ValueList(QStringLiteral("Channels"), *this, *this, [this] { return new TKivChannel(this); });
}

void TKivChannels::SetScheduleBase(quint32 time)
{
    for (TKivChannel* channel : *this)
        channel->SetScheduleBase(time);
}

void TKivChannels::TakeChannelsFrom(TKivChannels& other)
{
    TakeAllFrom(other, [this](TKivChannel* channel) { channel->Owner = this; });
}

QStringList TKivChannels::UartPortsInUse() const
{
    QStringList ports;
    for (const TKivChannel* channel : *this) {
        if (channel->Type == TKivChannel::TypeUart && !channel->UartPort.isEmpty())
            ports << channel->UartPort;
    }
    return ports;
}

// ---- TKivTamsor -------------------------------------------------------------------------------

TKivTamsor::TKivTamsor(QObject* owner) : Owner(owner), Channels(std::make_unique<TKivChannels>()) {}

TKivTamsor::~TKivTamsor() = default;

void TKivTamsor::Serialize(TKivSerialization& s)
{
    s.ValueString(QStringLiteral("Title"), Title);
    s.ValueString(QStringLiteral("Description"), Description);
    s.ValueObject(QStringLiteral("Channels"), *Channels);
    s.ValueUInt32(QStringLiteral("Schedule"), Schedule);
    SerializeHistory(s);
    if (s.Mode() == TKivSerialization::Load) {
        Opened = true;
        Schedule = 0;
    }
}

void TKivTamsor::SerializeHistory(TKivSerialization& s)
{
    // Absent keys mean the defaults, so files of older versions load and save unchanged.
    if (s.Mode() == TKivSerialization::Load) {
        HistoryFile.clear();
        HistoryOff = false;
    }
    s.ValueString(QStringLiteral("HistoryFile"), HistoryFile); // an empty text is not stored
    qint32 off = HistoryOff ? 1 : 0;
    if (s.Mode() == TKivSerialization::Load || HistoryOff)
        s.ValueInt32(QStringLiteral("HistoryOff"), off);
    HistoryOff = off != 0;
}

QString TKivTamsor::GetCaption() const
{
    return Title.isEmpty() ? GetLangString(StrId::MainTitle) : Title;
}

void TKivTamsor::Start()
{
    Title.clear();
    Description.clear();
    HistoryFile.clear();
    HistoryOff = false;
    Opened = true;
}

void TKivTamsor::Close()
{
    Title.clear();
    Description.clear();
    HistoryFile.clear();
    HistoryOff = false;
    Opened = false;
    Channels->Clear();
}

void TKivTamsor::SetScheduleBase(quint32 time) { Channels->SetScheduleBase(time); }

void TKivTamsor::TakeProjectFrom(TKivTamsor& other)
{
    Channels->Clear();
    Channels->TakeChannelsFrom(*other.Channels);
    Title = std::exchange(other.Title, QString());
    Description = std::exchange(other.Description, QString());
    HistoryFile = std::exchange(other.HistoryFile, QString());
    HistoryOff = std::exchange(other.HistoryOff, false);
    Schedule = std::exchange(other.Schedule, 0u);
    Opened = std::exchange(other.Opened, false);
}
