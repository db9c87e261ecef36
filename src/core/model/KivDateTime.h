#pragma once

#include <QDateTime>

// Date-times stored in projects: local date and time as days since 1899-12-30 00:00, the time
// of day as the fraction. Before that day the whole part counts back and the fraction still
// counts forward (-1.25 is 1899-12-29 06:00). 0 means "never".
double ToKivTime(const QDateTime& local);
QDateTime FromKivTime(double days); // local time; invalid for NaN, infinities or absurd values
double NowAsKivTime();
