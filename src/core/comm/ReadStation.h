#pragma once

#include "StationRead.h"

#include <QString>

class TKivChannel;
class TKivStation;

// Reads a station through its channel: a register file is loaded in place, a serial or TCP
// device is read by the installed station read runner (StationReadRunner.h). Only a
// successful read replaces the station's RegisterImage and sets its UpdateTime to now;
// anything else leaves both as they were. Returns true exactly when the image was stored; a
// stored image is then announced through NotifyStationRead (StationReadNotifier.h).
// Register-file problems are shown as message boxes unless silent. A relative register file
// name is taken against the folder of projectFilePath (the working folder when empty). The
// station must belong to a channel.
bool ReadStation(TKivStation& station, bool silent, const QString& projectFilePath = QString());

// Takes the outcome of a read of station made by any path (ReadStation, or a read the caller
// drove itself): a success stores the image, sets UpdateTime to now and announces it through
// NotifyStationRead; the outcome becomes LastStationReadOutcome. Returns true exactly when the
// image was stored.
bool TakeStationReadOutcome(TKivStation& station, const StationReadOutcome& outcome);

// How the last ReadStation ended, for every channel type (state, message, duration); the
// register image itself is not kept here.
const StationReadOutcome& LastStationReadOutcome();

// The read request for a serial or TCP read of station on its channel, with the channel's read
// options. A channel that reads the defined areas only asks for the registers the station's
// definitions use (RegisterUsage.h); the rest keep what the station's image holds.
StationReadRequest MakeStationReadRequest(const TKivStation& station);

// The register file a channel names, as an absolute path: a relative name is taken against
// the folder of the project file, or the working folder when the project has no file yet.
QString ResolveRegisterFileName(const TKivChannel& channel, const QString& projectFilePath);

// Loads a register file for station: the file must exist, hold exactly 131,072 bytes and
// carry the station's ModelID in register 0xFF80. Sets outcome.image only on success; the
// station is not changed.
StationReadOutcome LoadRegisterFile(const QString& fileName, const TKivStation& station);
