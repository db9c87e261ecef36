#pragma once

// A point in time as a history query takes it from a user (tamsor-cli history --since and
// --until), turned into panel time: seconds since 1970 as the panel's own clock counts them,
// without a zone, the way the store keeps entry times.

#include <QDateTime>
#include <QString>
#include <optional>

// Takes "2026-03-04", "2026-03-04T06:00" or "2026-03-04T06:00:30" (a space may stand for the
// T) as the panel's clock shows that moment, or a time back from now: "-7d", "-24h", "-30m",
// "-45s". now is the collector's clock; its date and time of day are taken as the panel's clock
// would show them (a panel keeps local time, as the collector does), so "-24h" is this time
// yesterday. Nothing, with the reason in *error, for any other text (also a time with a zone:
// the panel's times have none).
std::optional<qint64> ParseHistoryTime(const QString& text, const QDateTime& now,
                                       QString* error = nullptr);
