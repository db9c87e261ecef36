#include "KivDateTime.h"

#include <cmath>

namespace {

constexpr qint64 MsPerDay = 86400000;
const QDate DayZero(1899, 12, 30);

} // namespace

std::optional<LocalDateTime> DateTimeFromDays(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6)
        return std::nullopt;
    const qint64 totalMs = qint64(std::nearbyint(days * double(MsPerDay)));
    const QDate date = DayZero.addDays(totalMs / MsPerDay);
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return std::nullopt;
    const int msOfDay = int(std::llabs(totalMs) % MsPerDay);
    return LocalDateTime{date, QTime::fromMSecsSinceStartOfDay(msOfDay)};
}

double DaysFromDateTime(const QDate& date, const QTime& time)
{
    const double whole = double(DayZero.daysTo(date));
    const double fraction = double(time.msecsSinceStartOfDay()) / double(MsPerDay);
    return whole >= 0 ? whole + fraction : whole - fraction;
}

double ToKivTime(const QDateTime& local)
{
    if (!local.isValid())
        return 0;
    const QDateTime time = local.toLocalTime();
    return DaysFromDateTime(time.date(), time.time());
}

QDateTime FromKivTime(double days)
{
    const auto value = DateTimeFromDays(days);
    return value ? QDateTime(value->date, value->time) : QDateTime();
}

double NowAsKivTime() { return ToKivTime(QDateTime::currentDateTime()); }
