#pragma once

// Turning register contents into cell texts: values by data format and display fields, device
// time stamps (ticks) by display format, and the line that tells when a station was last read.
// Nothing here holds state; the formatters fail only by returning an empty text.

#include "model/KivRegisters.h"
#include "model/KivDefinitions.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// The display fields of a column, copied from it for each value.
struct ValueFormat {
    qint32 IntWidth = 0;   // integer digits shown when zero fill is on
    qint32 FloatWidth = 0; // digits after the decimal point
    quint32 Option = 0;    // bits 0-7 display kind, OptionZeroFill, OptionUnsigned
};

namespace DisplayKind
{
constexpr quint32 Decimal = 0;
constexpr quint32 Hexadecimal = 1;
constexpr quint32 FloatingPoint = 2;
} // namespace DisplayKind

constexpr quint32 OptionUnsigned = 0x200; // set by the decoders on their copy, never stored

// Data format codes of recipe and data-record columns.
namespace DataFormat
{
constexpr int Signed16 = 3;
constexpr int Unsigned16 = 4;
constexpr int Signed32 = 5;
constexpr int Unsigned32 = 6;
constexpr int Float32 = 7;
constexpr int Tick = 8;
} // namespace DataFormat


// Register n of a register image (register n at bytes 2n, 2n + 1, low byte first); nothing when
// n lies outside 0..65,535 or beyond the end of the image.
std::optional<quint16> ImageRegister(const QByteArray& image, qint64 n);

// The 32-bit value in registers n (low 16 bits) and n + 1 (high 16 bits); nothing when either
// register lies outside the image.
std::optional<quint32> ImageRegister32(const QByteArray& image, qint64 n);

// Registers a column of this data format takes in a record: 1 for codes 3 and 4, 2 for 5 to 7,
// none for any other code.
int FormatRegisterCount(int dataFormat);

// Takes the value of a column with data format dataFormat out of the image at register n, the
// way every decoder does: code 3 sign-extended, 4 zero-extended with the unsigned bit set in
// format, 5 low + 65,536 x high, 6 likewise with the unsigned bit, 7 the same 32 bits with the
// display kind of format forced to floating point. Any other code gives 0 and reads nothing.
// Nothing when a register the code needs lies outside the image: the cell stays empty then.
std::optional<quint32> TakeImageValue(const QByteArray& image, qint64 n, int dataFormat,
                                      ValueFormat& format);

// A device tick as shown: tick + 60 x the signed time offset in register 65,056, modulo 2^32.
quint32 ApplyTimeOffset(const QByteArray& image, quint32 tick);

// The value as text by display kind, widths and zero fill; decimalChar goes before the last
// FloatWidth digits. Empty when the display kind is 3 or more, or when the text would be longer
// than 63 characters (widths far beyond any offered in the language's width list).
QString FormatValue(quint32 value, const ValueFormat& format, QChar decimalChar = u'.');

// The number FormatValue's text shows, for plotting: the magnitude with its sign, divided by
// the base (10, or 16 for hexadecimal) once for each digit after the point. Nothing exactly
// when FormatValue gives an empty text.
std::optional<double> ValueNumber(quint32 value, const ValueFormat& format);

// A tick (seconds since 1970-01-01 00:00:00, offset already applied) through a display format:
// yyyy yy MM M dd d hh h (0-23) HH H (12-hour) mm m ss s AM e (year - 1911) and "quoted text".
// Only the first 64 characters of the format are used; empty when the text would reach 60
// characters.
QString FormatTick(quint32 tick, const QString& displayFormat);

// Fills a language text used as a printf-style template: each %s takes the next argument
// (an empty text when none is left), %% gives one %, anything else is copied as it stands.
QString FormatTemplate(const QString& templateText, const QStringList& arguments = {});

// The last-read line of a station whose UpdateTime is updateTime (days since 1899-12-30, local
// time): text 9019 when it is 0, else text 9020 filled with the date in the user's short-date
// format, a space and the time in the long-time format (date alone at exactly midnight).
QString UpdateTimeText(double updateTime);

// The local date and time text of an update time as UpdateTimeText shows it; empty when the
// number is not a date-time the calendar can hold.
QString LocalDateTimeText(double updateTime);
