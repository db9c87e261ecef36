#pragma once

#include "KivChannel.h"
#include "KivSerialization.h"
#include "KivNode.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

// The project's channels, in tree order.
class TKivChannels : public TKivPersistent, public TKivList<TKivChannel> {
public:
    TKivChannels();
    ~TKivChannels() override;
    QString ClassName() const override { return QStringLiteral("TKivChannels"); }
    void Serialize(TKivSerialization& s) override;
    void SetScheduleBase(quint32 time);
    // Moves every channel of other to the end of this list, re-owned by this list.
    void TakeChannelsFrom(TKivChannels& other);
    // The ports of the UART channels, in channel order; a channel of another type may keep a
    // port from before its type changed, and an empty port is none.
    QStringList UartPortsInUse() const;
};

// The project root. One lives for the whole run; New, Open and Close change its contents.
class TKivTamsor : public TKivPersistent {
public:
    explicit TKivTamsor(QObject* owner = nullptr);
    ~TKivTamsor() override;
    QString ClassName() const override { return QStringLiteral("TKivTamsor"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override;

    void Start();  // empty title and description, open
    void Close();  // empty title and description, closed, no channels
    void SetScheduleBase(quint32 time);
    // Replaces this project by other's contents (fields and channels); other ends closed.
    void TakeProjectFrom(TKivTamsor& other);

    QObject* Owner;
    TKivNode* Node = nullptr; // not owned: the tree owns the root's node
    QString Title;
    QString Description;
    quint32 Schedule = 0; // bit 0: the schedule is running
    bool Opened = false;
    std::unique_ptr<TKivChannels> Channels;
    // Where the history of its reads goes (history/HistoryLocation.h): HistoryFile empty is the
    // default place beside the project file; HistoryOff keeps none. Stored under "HistoryFile"
    // and "HistoryOff" only when they differ from the defaults.
    QString HistoryFile;
    bool HistoryOff = false;

private:
    void SerializeHistory(TKivSerialization& s);
};
