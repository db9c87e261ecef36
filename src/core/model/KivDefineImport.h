#pragma once

#include "KivRegisters.h"

#include <QByteArray>

// Bounds and fixed values of a define-file import. A table cannot have more columns than a station
// has registers, and a station cannot hold more alarms than that either; the total bounds the
// memory of a whole station (about 100 bytes per column). A define file beyond any of these
// is refused whole, with a message naming the section and the count.
namespace DefineImport
{
constexpr int MaxSections = 10000;                 // recipe sections, and data-record sections
constexpr int MaxColumns = RegisterCount;          // columns of one recipe or data record
constexpr int MaxAlarms = RegisterCount;           // "AlarmCount"
constexpr int MaxTotalColumns = 8 * RegisterCount; // recipe and data-record columns together
constexpr int AlarmMessageLines = 16;
constexpr int ImportedColumnWidth = 64;
constexpr int ImportedTickColumnWidth = 120;
constexpr quint32 TickFormat = 8;
constexpr quint32 FloatFormat = 7;
constexpr quint32 FloatDisplayKind = 2;
} // namespace DefineImport

// The 8-bit encoding of define files without a byte-order mark that are not valid UTF-8, by the
// language in use: Big5 for Traditional Chinese, GB18030 for Simplified Chinese, else empty
// (Windows-1252).
QByteArray LegacyDefineEncoding(int localeId);
