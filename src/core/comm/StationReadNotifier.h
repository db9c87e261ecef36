#pragma once

#include <QObject>

class TKivStation;

// Tells whoever shows a station's tables that a read stored a new register image in it. Every
// read stores its image through TakeStationReadOutcome (ReadStation.h), which announces it
// here, so the window's manual reads, the schedule and any later caller refresh the grids by
// one path.
class TKivStationReadNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // Emitted synchronously after station's RegisterImage and UpdateTime were replaced.
    void StationRead(TKivStation* station);
};

// The one notifier of the program.
TKivStationReadNotifier& StationReadNotifier();

// Announces that station now holds a freshly read image. Called by TakeStationReadOutcome; a
// read that stores an image by another way must call it too.
void NotifyStationRead(TKivStation& station);
