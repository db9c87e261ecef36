#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;
class TKivChannel;

// The read options of a channel on the command line, shared by add-channel and set-channel:
// --defined-only, --all-registers, --block-registers N and --in-flight N.
QList<QCommandLineOption> readOptionArguments();
// True when any of them is given.
bool readOptionsGiven(const QCommandLineParser& parser);
// Sets the options given on channel. Throws TamsorError for a value out of range, for
// --defined-only with --all-registers, and for options the channel's type cannot use.
void applyReadOptions(const QCommandLineParser& parser, TKivChannel& channel);
// "defined areas only, 125 registers a request, 8 requests in flight"; "full read, 64
// registers a request, 1 request in flight" for the defaults.
QString readOptionsText(const TKivChannel& channel);
