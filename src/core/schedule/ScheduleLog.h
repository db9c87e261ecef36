#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <deque>

// The schedule log: the newest lines of what the schedule did, each "<date and time> : <message>".
// It never holds more than MaxLines; adding beyond that drops the oldest lines.
class TScheduleLog
{
public:
    static constexpr int MaxLines = 65536;

    // The line for message at the local time `when`: the user's short date, a space and the long
    // time (the date alone at exactly midnight), then " : " and the message.
    static QString MakeLine(const QDateTime& when, const QString& message);
    // The date and time of a line, also used for times within messages.
    static QString TimeText(const QDateTime& when);

    void Append(const QString& line);
    void Clear() { m_lines.clear(); }

    int Count() const { return int(m_lines.size()); }
    const QString& Line(int index) const { return m_lines[size_t(index)]; }
    QStringList Lines() const; // oldest first
    QString Text() const;      // the lines joined by "\n", as the log window shows them

private:
    std::deque<QString> m_lines;
};
