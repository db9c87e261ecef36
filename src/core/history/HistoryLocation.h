#pragma once

// Where a project's history lives. By default NAME.history.sqlite beside NAME.zop; a project
// may name another file (relative names are taken against the project's folder) or turn the
// history off (TKivTamsor::HistoryFile, HistoryOff).

#include <QDateTime>
#include <QString>

class TKivTamsor;

// NAME.history.sqlite in the folder of NAME.zop; empty for a project without a file.
QString DefaultHistoryPath(const QString& projectFilePath);

// The store the project's reads go to: empty when its history is off, or when it uses the
// default place and has no file yet.
QString HistoryStorePath(const TKivTamsor& project, const QString& projectFilePath);

// The name a damaged store is set aside under: PATH.damaged-yyyyMMdd-hhmmss (UTC), with -2, -3
// ... added when that name is taken.
QString DamagedHistoryPath(const QString& storePath, const QDateTime& nowUtc);

// The project's setting as tamsor-cli set-project takes and shows it: "default", "off" or the
// path; and back. SetHistorySetting takes "default", "off" or any other text as a path.
QString HistorySetting(const TKivTamsor& project);
void SetHistorySetting(TKivTamsor& project, const QString& setting);
