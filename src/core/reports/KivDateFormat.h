#pragma once

// Formatting of stored date-time values (model/KivDateTime.h) by a pattern.

#include "model/KivDateTime.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The time in the locale's long time format, without a time-zone field: stored date-times are
// local times that carry no zone.
QString LongTimeText(const QLocale& locale, const QTime& time);

// Formats a stored date-time value by a pattern, the way report file names are made. Letters
// are matched without regard to case; a run of the same character is one field:
//   y yy: year in 2 digits; yyy and more: year in 4 digits
//   m mm: month (minute right after an hour field); mmm / mmmm: short / long month name
//   d dd: day; ddd / dddd: short / long day name; ddddd / dddddd: short / long date
//   h hh: hour (12-hour clock when an am/pm field follows before the next hour field)
//   n nn: minute; s ss: second; z zz zzz: milliseconds
//   am/pm, a/p: the marker in the letter case written; ampm: the locale's marker
//   t / tt: short / long time; c: short date, then long time unless midnight
//   '...' or "...": copied unchanged; every other character is copied as it stands.
// Names of months and days and the composite formats come from the user's locale. Empty when
// the value is not a date-time.
QString FormatDateTime(const QString& pattern, double dateTime);
