#include "ScheduleLog.h"

#include "model/KivDateTime.h"
#include "reports/KivUtil.h"

QString TScheduleLog::MakeLine(const QDateTime& when, const QString& message)
{
    return TimeText(when) + QStringLiteral(" : ") + message;
}

QString TScheduleLog::TimeText(const QDateTime& when)
{
    return LocalDateTimeText(ToKivTime(when.toLocalTime()));
}

void TScheduleLog::Append(const QString& line)
{
    m_lines.push_back(line);
    while (m_lines.size() > size_t(MaxLines))
        m_lines.pop_front();
}

QStringList TScheduleLog::Lines() const
{
    return QStringList(m_lines.begin(), m_lines.end());
}

QString TScheduleLog::Text() const
{
    return Lines().join(u'\n');
}
