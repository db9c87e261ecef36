#include "KivUtil.h"

#include "KivDateFormat.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QLocale>
#include <array>
#include <bit>
#include <cmath>

std::optional<quint16> ImageRegister(const QByteArray& image, qint64 n)
{
    if (n < 0 || n >= RegisterCount || 2 * n + 1 >= image.size())
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(image.constData()) + 2 * n;
    return quint16(bytes[0] | (bytes[1] << 8));
}

std::optional<quint32> ImageRegister32(const QByteArray& image, qint64 n)
{
    const auto low = ImageRegister(image, n);
    const auto high = low ? ImageRegister(image, n + 1) : std::nullopt;
    if (!high)
        return std::nullopt;
    return quint32(*low) | (quint32(*high) << 16);
}

int FormatRegisterCount(int dataFormat)
{
    switch (dataFormat) {
    case DataFormat::Signed16:
    case DataFormat::Unsigned16:
        return 1;
    case DataFormat::Signed32:
    case DataFormat::Unsigned32:
    case DataFormat::Float32:
        return 2;
    default:
        return 0;
    }
}

std::optional<quint32> TakeImageValue(const QByteArray& image, qint64 n, int dataFormat,
                                      ValueFormat& format)
{
    switch (dataFormat) {
    case DataFormat::Signed16: {
        const auto reg = ImageRegister(image, n);
        if (!reg)
            return std::nullopt;
        return quint32(qint32(qint16(*reg)));
    }
    case DataFormat::Unsigned16: {
        const auto reg = ImageRegister(image, n);
        if (!reg)
            return std::nullopt;
        format.Option |= OptionUnsigned;
        return quint32(*reg);
    }
    case DataFormat::Signed32:
        return ImageRegister32(image, n);
    case DataFormat::Unsigned32:
        format.Option |= OptionUnsigned;
        return ImageRegister32(image, n);
    case DataFormat::Float32:
        format.Option = (format.Option & ~OptionKindMask) | DisplayKind::FloatingPoint;
        return ImageRegister32(image, n);
    default:
        return 0;
    }
}

quint32 ApplyTimeOffset(const QByteArray& image, quint32 tick)
{
    const qint16 minutes = qint16(ImageRegister(image, TimeOffsetRegister).value_or(0));
    return tick + quint32(qint32(minutes) * 60);
}

namespace
{

constexpr int MaxValueText = 63;

// The magnitude of a floating-point value scaled by 10^floatWidth in single precision and
// truncated toward zero; the low 32 bits of that integer.
quint32 ScaledFloatMagnitude(float number, qint32 floatWidth, bool& negative)
{
    if (!std::isfinite(number))
        return 0;
    if (number < 0) {
        negative = true;
        number = -number;
    }
    for (qint32 i = 0; i < floatWidth && number != 0 && std::isfinite(number); ++i)
        number = number * 10.0f;
    // Beyond 2^64 a single's integer value is a multiple of 2^41, so its low 32 bits are 0.
    if (!(number < 18446744073709551616.0f))
        return 0;
    return quint32(quint64(number));
}

// What FormatValue writes: the magnitude in its base and whether a "-" goes before it. Nothing
// when the display kind is not one of the three.
struct ValueMagnitude {
    quint32 magnitude = 0;
    int base = 10;
    bool negative = false;
};

std::optional<ValueMagnitude> MagnitudeOf(quint32 value, const ValueFormat& format)
{
    ValueMagnitude m;
    switch (format.Option & OptionKindMask) {
    case DisplayKind::Decimal:
        m.magnitude = value;
        if (!(format.Option & OptionUnsigned) && qint32(value) < 0) {
            m.negative = true;
            m.magnitude = 0u - value;
        }
        break;
    case DisplayKind::Hexadecimal:
        m.magnitude = value;
        m.base = 16;
        break;
    case DisplayKind::FloatingPoint:
        m.magnitude =
            ScaledFloatMagnitude(std::bit_cast<float>(value), format.FloatWidth, m.negative);
        break;
    default:
        return std::nullopt;
    }
    if (m.magnitude == 0)
        m.negative = false;
    return m;
}

// Digits FormatValue writes for a magnitude of digitCount digits, point not counted.
qint64 ShownDigits(int digitCount, const ValueFormat& format)
{
    const qint64 floatWidth = format.FloatWidth;
    const qint64 minDigits =
        (format.Option & OptionZeroFill) ? qint64(format.IntWidth) + floatWidth : floatWidth + 1;
    return std::max<qint64>(digitCount, minDigits);
}

bool FitsValueText(bool negative, qint64 shownDigits, const ValueFormat& format)
{
    return (negative ? 1 : 0) + shownDigits + (format.FloatWidth > 0 ? 1 : 0) <= MaxValueText;
}

int DigitCount(quint32 magnitude, int base)
{
    int count = 1;
    while (magnitude >= quint32(base)) {
        magnitude /= base;
        ++count;
    }
    return count;
}

} // namespace

QString FormatValue(quint32 value, const ValueFormat& format, QChar decimalChar)
{
    // The digits after the point, the point and one digit before it must fit.
    if (format.FloatWidth > MaxValueText - 2)
        return QString();
    const auto shown = MagnitudeOf(value, format);
    if (!shown)
        return QString();
    quint32 magnitude = shown->magnitude;
    const int base = shown->base;
    const bool negative = shown->negative;

    char digits[32];
    int digitCount = 0;
    do {
        digits[digitCount++] = "0123456789ABCDEF"[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);

    const qint64 floatWidth = format.FloatWidth;
    const qint64 shownDigits = ShownDigits(digitCount, format);
    if (!FitsValueText(negative, shownDigits, format))
        return QString();

    QString text;
    text.reserve(MaxValueText);
    if (negative)
        text += u'-';
    for (qint64 i = 0; i < shownDigits; ++i) {
        if (floatWidth > 0 && i == shownDigits - floatWidth)
            text += decimalChar;
        const qint64 fromEnd = shownDigits - 1 - i;
        text += QLatin1Char(fromEnd < digitCount ? digits[fromEnd] : '0');
    }
    return text;
}

std::optional<double> ValueNumber(quint32 value, const ValueFormat& format)
{
    if (format.FloatWidth > MaxValueText - 2)
        return std::nullopt;
    const auto shown = MagnitudeOf(value, format);
    if (!shown)
        return std::nullopt;
    const int digits = DigitCount(shown->magnitude, shown->base);
    if (!FitsValueText(shown->negative, ShownDigits(digits, format), format))
        return std::nullopt;
    // The powers are looked up: a chart of a stored history converts millions of values.
    static const auto powers = [] {
        std::array<std::array<double, MaxValueText>, 2> table{};
        for (int n = 0; n < MaxValueText; ++n) {
            table[0][n] = std::pow(10.0, n);
            table[1][n] = std::pow(16.0, n);
        }
        return table;
    }();
    const double number = double(shown->magnitude) /
                          powers[shown->base == 16 ? 1 : 0][std::max(format.FloatWidth, 0)];
    return shown->negative ? -number : number;
}

namespace
{

struct DateParts {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

DateParts BreakTick(quint32 tick)
{
    DateParts parts;
    quint32 days = tick / 86400;
    const quint32 seconds = tick % 86400;
    parts.hour = int(seconds / 3600);
    parts.minute = int(seconds % 3600 / 60);
    parts.second = int(seconds % 60);
    for (;;) {
        const quint32 yearLength = IsLeapYear(parts.year) ? 366 : 365;
        if (days < yearLength)
            break;
        days -= yearLength;
        ++parts.year;
    }
    static constexpr int monthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 0; m < 12; ++m) {
        const quint32 length = monthLengths[m] + (m == 1 && IsLeapYear(parts.year) ? 1 : 0);
        if (days < length)
            break;
        days -= length;
        ++parts.month;
    }
    parts.day = int(days) + 1;
    return parts;
}

constexpr int TickFormatUsed = 64;
constexpr int TickTextLimit = 60;

class TickWriter
{
public:
    explicit TickWriter(QStringView format) : m_format(format.left(TickFormatUsed)) {}

    bool at(int pos, QStringView token) const { return m_format.sliced(pos).startsWith(token); }
    QChar charAt(int pos) const { return pos < m_format.size() ? m_format[pos] : QChar(); }
    int size() const { return int(m_format.size()); }

    void append(QChar c) { m_text += c; }
    void append(const QString& s) { m_text += s; }
    void number(int value, bool twoDigits)
    {
        if (twoDigits && value < 10)
            m_text += u'0';
        m_text += QString::number(value);
    }
    bool full() const { return m_text.size() >= TickTextLimit; }
    const QString& text() const { return m_text; }

private:
    QStringView m_format;
    QString m_text;
};

// Writes the token at pos and returns the number of format characters it used.
int WriteTickToken(TickWriter& w, int pos, const DateParts& d)
{
    auto pair = [&](QChar letter, int value) {
        const bool two = w.charAt(pos + 1) == letter;
        w.number(value, two);
        return two ? 2 : 1;
    };
    const QChar c = w.charAt(pos);
    switch (c.unicode()) {
    case u'y':
        if (w.at(pos, u"yyyy")) {
            w.append(QString::number(d.year));
            return 4;
        }
        if (w.at(pos, u"yyy"))
            return 1;
        if (w.at(pos, u"yy")) {
            w.number(d.year % 100, true);
            return 2;
        }
        w.append(c);
        return 1;
    case u'M':
        return pair(c, d.month);
    case u'd':
        return pair(c, d.day);
    case u'h':
        return pair(c, d.hour);
    case u'H':
        return pair(c, d.hour > 12 ? d.hour - 12 : d.hour);
    case u'm':
        return pair(c, d.minute);
    case u's':
        return pair(c, d.second);
    case u'A':
        if (w.at(pos, u"AM")) {
            w.append(d.hour <= 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
            return 2;
        }
        w.append(c);
        return 1;
    case u'e': {
        w.number(d.year - 1911, true);
        return 1;
    }
    default:
        w.append(c);
        return 1;
    }
}

} // namespace

QString FormatTick(quint32 tick, const QString& displayFormat)
{
    const DateParts parts = BreakTick(tick);
    TickWriter writer(displayFormat);
    bool quoted = false;
    int pos = 0;
    while (pos < writer.size()) {
        const QChar c = writer.charAt(pos);
        if (quoted) {
            if (c == u'"' && writer.charAt(pos + 1) == u'"') {
                writer.append(c);
                pos += 2;
            } else {
                if (c == u'"')
                    quoted = false;
                else
                    writer.append(c);
                ++pos;
            }
        } else if (c == u'"') {
            quoted = true;
            ++pos;
        } else {
            pos += WriteTickToken(writer, pos, parts);
        }
        if (writer.full())
            return QString();
    }
    return writer.text();
}

QString FormatTemplate(const QString& templateText, const QStringList& arguments)
{
    QString text;
    text.reserve(templateText.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < templateText.size(); ++i) {
        const QChar c = templateText[i];
        const QChar following = i + 1 < templateText.size() ? templateText[i + 1] : QChar();
        if (c == u'%' && following == u'%') {
            text += u'%';
            ++i;
        } else if (c == u'%' && following == u's') {
            if (next < arguments.size())
                text += arguments[next];
            ++next;
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

QString LocalDateTimeText(double updateTime)
{
    const auto parts = DateTimeFromDays(updateTime);
    if (!parts)
        return QString();
    const QLocale locale = QLocale::system();
    QString text = locale.toString(parts->date, QLocale::ShortFormat);
    if (parts->time != QTime(0, 0))
        text += u' ' + LongTimeText(locale, parts->time);
    return text;
}

QString UpdateTimeText(double updateTime)
{
    if (updateTime == 0)
        return GetLangString(StrId::NeverRead);
    return FormatTemplate(GetLangString(StrId::ReadAt), {LocalDateTimeText(updateTime)});
}
