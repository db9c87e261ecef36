#include "KivDateTime.h"

#include <cmath>

namespace {

const QDate kivEpoch(1899, 12, 30);
constexpr qint64 msecsPerDay = 86400000;

} // namespace

double ToKivTime(const QDateTime& local)
{
    if (!local.isValid())
        return 0;
    const QDateTime time = local.toLocalTime();
    const qint64 days = kivEpoch.daysTo(time.date());
    const double fraction = double(time.time().msecsSinceStartOfDay()) / msecsPerDay;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime FromKivTime(double days)
{
    // Roughly years 100 to 9999, the range the stored dates can name.
    if (!std::isfinite(days) || days < -657434.0 || days > 2958466.0)
        return QDateTime();
    const double whole = std::trunc(days);
    const qint64 msecs = qint64(std::llround(std::fabs(days - whole) * msecsPerDay));
    const QDate date = kivEpoch.addDays(qint64(whole));
    return QDateTime(date, QTime(0, 0)).addMSecs(msecs);
}

double NowAsKivTime() { return ToKivTime(QDateTime::currentDateTime()); }
