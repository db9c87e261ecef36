#include "KivDateFormat.h"

#include <QLocale>
#include <cmath>

namespace
{


QString Digits(int value, int minDigits)
{
    return QString::number(value).rightJustified(minDigits, u'0');
}

} // namespace

QString LongTimeText(const QLocale& locale, const QTime& time)
{
    QString format;
    bool quoted = false;
    for (QChar c : locale.timeFormat(QLocale::LongFormat)) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            format += c;
    }
    return locale.toString(time, format.trimmed());
}

namespace
{

class PatternFormatter
{
public:
    PatternFormatter(const QString& pattern, const LocalDateTime& value)
        : m_pattern(pattern), m_date(value.date), m_time(value.time), m_locale(QLocale::system())
    {
    }

    QString run()
    {
        QChar lastToken;
        while (m_pos < m_pattern.size()) {
            const QChar starter = m_pattern[m_pos++];
            QChar token = starter.toUpper();
            if (token >= u'A' && token <= u'Z') {
                if (token == u'M' && lastToken == u'H')
                    token = u'N';
                lastToken = token;
            }
            writeField(starter, token);
        }
        return m_text;
    }

private:
    int takeCount(QChar starter)
    {
        int count = 1;
        while (m_pos < m_pattern.size() && m_pattern[m_pos] == starter) {
            ++m_pos;
            ++count;
        }
        return count;
    }

    bool patternAt(QLatin1StringView text) const
    {
        return QStringView(m_pattern).sliced(m_pos - 1).startsWith(text, Qt::CaseInsensitive);
    }

    // An hour field shows a 12-hour clock when an am/pm field follows before the next hour.
    bool twelveHourClockAhead() const
    {
        bool quoted = false;
        for (qsizetype i = m_pos; i < m_pattern.size(); ++i) {
            const QChar c = m_pattern[i].toLower();
            if (c == u'\'' || c == u'"')
                quoted = !quoted;
            else if (!quoted && c == u'h')
                return false;
            else if (!quoted && c == u'a') {
                const QStringView rest = QStringView(m_pattern).sliced(i);
                return rest.startsWith(u"am/pm", Qt::CaseInsensitive) ||
                       rest.startsWith(u"a/p", Qt::CaseInsensitive) ||
                       rest.startsWith(u"ampm", Qt::CaseInsensitive);
            }
        }
        return false;
    }

    void writeField(QChar starter, QChar token)
    {
        switch (token.unicode()) {
        case u'Y': {
            const int count = takeCount(starter);
            m_text += count <= 2 ? Digits(m_date.year() % 100, 2) : Digits(m_date.year(), 4);
            break;
        }
        case u'M': {
            const int count = takeCount(starter);
            if (count <= 2)
                m_text += Digits(m_date.month(), count);
            else
                m_text += m_locale.monthName(m_date.month(), count == 3 ? QLocale::ShortFormat
                                                                        : QLocale::LongFormat);
            break;
        }
        case u'D': {
            const int count = takeCount(starter);
            if (count <= 2)
                m_text += Digits(m_date.day(), count);
            else if (count <= 4)
                m_text += m_locale.dayName(m_date.dayOfWeek(),
                                           count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            else
                m_text += m_locale.toString(m_date, count == 5 ? QLocale::ShortFormat
                                                               : QLocale::LongFormat);
            break;
        }
        case u'H': {
            const int count = std::min(takeCount(starter), 2);
            int hour = m_time.hour();
            if (twelveHourClockAhead())
                hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
            m_text += Digits(hour, count);
            break;
        }
        case u'N':
            m_text += Digits(m_time.minute(), std::min(takeCount(starter), 2));
            break;
        case u'S':
            m_text += Digits(m_time.second(), std::min(takeCount(starter), 2));
            break;
        case u'Z':
            m_text += Digits(m_time.msec(), std::min(takeCount(starter), 3));
            break;
        case u'T':
            m_text += takeCount(starter) == 1 ? m_locale.toString(m_time, QLocale::ShortFormat)
                                              : LongTimeText(m_locale, m_time);
            break;
        case u'C':
            takeCount(starter);
            m_text += m_locale.toString(m_date, QLocale::ShortFormat);
            if (m_time.hour() || m_time.minute() || m_time.second())
                m_text += u' ' + LongTimeText(m_locale, m_time);
            break;
        case u'A':
            writeAmPm(starter);
            break;
        case u'\'':
        case u'"': {
            const qsizetype end = m_pattern.indexOf(starter, m_pos);
            const qsizetype stop = end < 0 ? m_pattern.size() : end;
            m_text += QStringView(m_pattern).sliced(m_pos, stop - m_pos);
            m_pos = end < 0 ? stop : end + 1;
            break;
        }
        default:
            m_text += starter;
        }
    }

    void writeAmPm(QChar starter)
    {
        const bool afternoon = m_time.hour() >= 12;
        if (patternAt(QLatin1StringView("am/pm"))) {
            m_text += QStringView(m_pattern).sliced(m_pos - 1 + (afternoon ? 3 : 0), 2);
            m_pos += 4;
        } else if (patternAt(QLatin1StringView("a/p"))) {
            m_text += m_pattern[m_pos - 1 + (afternoon ? 2 : 0)];
            m_pos += 2;
        } else if (patternAt(QLatin1StringView("ampm"))) {
            m_text += afternoon ? m_locale.pmText() : m_locale.amText();
            m_pos += 3;
        } else {
            m_text += starter;
        }
    }

    const QString& m_pattern;
    qsizetype m_pos = 0;
    QDate m_date;
    QTime m_time;
    QLocale m_locale;
    QString m_text;
};

} // namespace

QString FormatDateTime(const QString& pattern, double dateTime)
{
    const auto value = DateTimeFromDays(dateTime);
    if (!value)
        return QString();
    return PatternFormatter(pattern, *value).run();
}
