#include "HistoryTimeArgument.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace
{

// Seconds since 1970 of a date and time of day read without a zone.
qint64 PanelSeconds(const QDate& date, const QTime& time)
{
    return QDateTime(date, time, QTimeZone::utc()).toSecsSinceEpoch();
}

std::optional<qint64> Fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

std::optional<qint64> ParseRelative(const QRegularExpressionMatch& match, const QDateTime& now,
                                    QString* error)
{
    bool ok = false;
    const qint64 count = match.captured(1).toLongLong(&ok);
    // 10^9 days reach far beyond any panel's clock and still fit in seconds.
    if (!ok || count > 1000000000)
        return Fail(error, QStringLiteral("\"%1\" reaches too far back").arg(match.captured(0)));
    qint64 unit = 1;
    switch (match.captured(2).at(0).unicode()) {
    case u'd':
        unit = 86400;
        break;
    case u'h':
        unit = 3600;
        break;
    case u'm':
        unit = 60;
        break;
    default:
        break;
    }
    const QDateTime local = now.toLocalTime();
    return PanelSeconds(local.date(), local.time()) - count * unit;
}

std::optional<qint64> ParseDateTime(const QRegularExpressionMatch& match, QString* error)
{
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    if (!date.isValid())
        return Fail(error, QStringLiteral("\"%1\" is not a date").arg(match.captured(0)));
    QTime time(0, 0);
    if (match.hasCaptured(4)) {
        time = QTime(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.hasCaptured(6) ? match.captured(6).toInt() : 0);
        if (!time.isValid())
            return Fail(error, QStringLiteral("\"%1\" is not a time of day").arg(match.captured(0)));
    }
    return PanelSeconds(date, time);
}

} // namespace

std::optional<qint64> ParseHistoryTime(const QString& text, const QDateTime& now, QString* error)
{
    static const QRegularExpression relative(QStringLiteral("^-(\\d{1,12})([dhms])$"));
    static const QRegularExpression dateTime(
        QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d)(?:[T ](\\d\\d):(\\d\\d)(?::(\\d\\d))?)?$"));
    static const QRegularExpression zoned(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d[T ].*(Z|[+-]\\d\\d(:?\\d\\d)?)$"));
    const QString trimmed = text.trimmed();
    if (const auto match = relative.match(trimmed); match.hasMatch())
        return ParseRelative(match, now, error);
    if (const auto match = dateTime.match(trimmed); match.hasMatch())
        return ParseDateTime(match, error);
    if (zoned.match(trimmed).hasMatch())
        return Fail(error, QStringLiteral("\"%1\" has a zone; give the time as the panel's clock "
                                          "shows it, without a zone")
                               .arg(trimmed));
    return Fail(error, QStringLiteral("\"%1\" is neither a date and time such as "
                                      "2026-03-04T06:00 nor a time back from now such as -7d, "
                                      "-24h, -30m or -45s")
                           .arg(text));
}
