#pragma once

#include "history/HistoryReader.h"
#include "model/KivChannel.h"

#include <QObject>
#include <QPointer>
#include <QString>

class THistoryRecorder;

// The window's side of the history store, for an editor that shows what is stored: the store
// of the project the window has open (its path asked each time, as the project may be saved
// elsewhere or its history setting changed), opened at the first look and read only, and word
// of every read the program's recorder stores.
class TStoredHistory : public QObject
{
    Q_OBJECT

public:
    explicit TStoredHistory(QObject* parent = nullptr);

    // The store of the window's project, or null when the project has none (its history off,
    // never recorded, untitled). Throws THistoryError when its file cannot be read as a store.
    const THistoryStore* Store();
    // Why the store cannot be read, as the editors say it.
    static QString FailureText(const THistoryError& error);

signals:
    // The recorder stored a read of station.
    void Recorded(TKivStation* station);

private:
    void FollowRecorder();

    THistoryReader m_reader;
    QPointer<THistoryRecorder> m_recorder;
};
