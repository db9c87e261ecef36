#pragma once

#include <QString>
#include <functional>
#include <optional>

class TKivProjectSession;
class TKivTamsor;
class TKivChannel;
class TKivStation;

// Makes path the session's project for a command that changes it: takes the project's lock,
// then calls load, which reads the file (or checks what a new project would replace); the
// session keeps the lock until it ends, after the command has saved. Throws TamsorError naming
// the holder when another program keeps the lock beyond a short wait, or what load throws.
void lockCliProject(TKivProjectSession& session, const QString& path,
                    const std::function<void()>& load);

// Loads the project file at path into root. Throws TamsorError when the file cannot be read,
// is damaged, or is not a project file; root is then untouched.
void openCliProject(const QString& path, TKivTamsor& root);
// The same under the project's lock, held by session from then on (lockCliProject).
void openCliProject(TKivProjectSession& session, const QString& path, TKivTamsor& root);

// Saves root over the session's project file, under its lock, through a temporary file; on
// failure (TamsorError) the old file stays.
void saveCliProject(TKivProjectSession& session, TKivTamsor& root);

// A station named as CHANNEL/POSITION, both counted from 1 in project order ("1/2").
struct StationRef {
    int channel = 0;
    int position = 0;
};
std::optional<StationRef> parseStationRef(const QString& text);
QString stationRefText(const TKivStation& station); // "1/2"; empty when not in a project

// The channel at a 1-based position given as text, or the station CHANNEL/POSITION. Throw
// TamsorError with a message naming what is missing.
TKivChannel* findChannelRef(TKivTamsor& root, const QString& text);
TKivStation* findStationRef(TKivTamsor& root, const QString& text);

// The first serial port of the machine that no UART channel of root uses; empty when every
// port is in use or the machine has none.
QString firstFreeSerialPort(const TKivTamsor& root);
