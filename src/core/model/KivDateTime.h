#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <optional>

// Date-times stored in projects (UpdateTime): local date and time as days since 1899-12-30
// 00:00, the time of day as the fraction. Before that day the whole part counts back and the
// fraction still counts forward (-1.25 is 1899-12-29 06:00). 0 means "never".

struct LocalDateTime {
    QDate date;
    QTime time;
};

// The date and time of a stored value, rounded to the millisecond. Nothing when the value is
// not finite or lies outside the years 1 to 9999.
std::optional<LocalDateTime> DateTimeFromDays(double days);

// The stored value of a local date and time.
double DaysFromDateTime(const QDate& date, const QTime& time);

double ToKivTime(const QDateTime& local);
QDateTime FromKivTime(double days); // local time; invalid where DateTimeFromDays gives nothing
double NowAsKivTime();
