#include "reports/KivDateFormat.h"
#include "reports/KivUtil.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace
{

quint32 FloatBits(float value)
{
    return std::bit_cast<quint32>(value);
}

ValueFormat Fmt(quint32 option, qint32 intWidth = 0, qint32 floatWidth = 0)
{
    return ValueFormat{intWidth, floatWidth, option};
}

struct ValueCase {
    const char* name;
    quint32 value;
    ValueFormat format;
    const char* expected;
};

constexpr quint32 Hex = DisplayKind::Hexadecimal;
constexpr quint32 Flt = DisplayKind::FloatingPoint;
constexpr quint32 Zero = OptionZeroFill;

} // namespace

const std::vector<ValueCase>& ValueCases()
{
    static const std::vector<ValueCase> cases = {
        {"fixed point, zero fill", 1234, Fmt(Zero, 4, 2), "0012.34"},
        {"fixed point", 1234, Fmt(0, 4, 2), "12.34"},
        {"leading zero before point", 5, Fmt(0, 0, 2), "0.05"},
        {"negative fixed point", quint32(-5), Fmt(0, 0, 1), "-0.5"},
        {"negative zero fill after sign", quint32(-5), Fmt(Zero, 3, 0), "-005"},
        {"hexadecimal", 255, Fmt(Hex), "FF"},
        {"hexadecimal zero fill", 255, Fmt(Hex | Zero, 4), "00FF"},
        {"hexadecimal never negative", 0xFFFFFFFF, Fmt(Hex), "FFFFFFFF"},
        {"hexadecimal gets a point", 255, Fmt(Hex, 0, 2), "0.FF"},
        {"float one decimal", FloatBits(1.5f), Fmt(Flt, 0, 1), "1.5"},
        {"float truncated", FloatBits(1.5f), Fmt(Flt), "1"},
        {"float negative", FloatBits(-2.25f), Fmt(Flt, 0, 2), "-2.25"},
        {"float scaled in single precision", FloatBits(1.15f), Fmt(Flt, 0, 2), "1.15"},
        {"float 0.7 in single precision", FloatBits(0.7f), Fmt(Flt, 0, 1), "0.7"},
        {"float negative truncating to zero", FloatBits(-0.001f), Fmt(Flt, 0, 2), "0.00"},
        {"float NaN", FloatBits(std::numeric_limits<float>::quiet_NaN()), Fmt(Flt), "0"},
        {"float infinity", FloatBits(-std::numeric_limits<float>::infinity()), Fmt(Flt), "0"},
        {"float beyond 2^64 keeps low 32 bits", FloatBits(1e30f), Fmt(Flt), "0"},
        {"float low 32 bits", FloatBits(4294967296.0f + 4096.0f), Fmt(Flt), "4096"},
        {"zero decimal", 0, Fmt(0, 0, 3), "0.000"},
        {"zero hexadecimal", 0, Fmt(Hex, 0, 3), "0.000"},
        {"zero float", 0, Fmt(Flt, 0, 3), "0.000"},
        {"zero with zero fill", 0, Fmt(Zero, 2, 3), "00.000"},
        {"minimum int", 0x80000000, Fmt(0), "-2147483648"},
        {"signed -1", 0xFFFFFFFF, Fmt(0), "-1"},
        {"unsigned", 0xFFFFFFFF, Fmt(OptionUnsigned), "4294967295"},
        {"negative widths pad nothing", 7, Fmt(Zero, -5, -2), "7"},
        {"display kind 3 fails", 1, Fmt(3), ""},
        {"display kind 255 fails", 1, Fmt(0xFF), ""},
        {"63 characters allowed", 0, Fmt(0, 0, 61), nullptr},
        {"64 characters fail", 0, Fmt(0, 0, 62), ""},
        {"huge zero fill fails", 1, Fmt(Zero, 1000000, 0), ""},
        {"huge widths do not overflow", 1, Fmt(Zero, 0x7FFFFFFF, 0x7FFFFFFF), ""},
        {"huge float width fails at once", 0, Fmt(Flt, 0, 0x7FFFFFFF), ""},
    };
    return cases;
}

// The number a FormatValue text stands for, read back in its base.
double TextNumber(const QString& text, int base)
{
    const bool negative = text.startsWith(u'-');
    const QStringList parts = text.mid(negative ? 1 : 0).split(u'.');
    double number = double(parts[0].toULongLong(nullptr, base));
    if (parts.size() > 1)
        number += double(parts[1].toULongLong(nullptr, base)) / std::pow(base, parts[1].size());
    return negative ? -number : number;
}

TEST(FormatValue, Table)
{
    for (const auto& c : ValueCases()) {
        const QString text = FormatValue(c.value, c.format, u'.');
        if (c.expected)
            EXPECT_EQ(text, QString::fromUtf8(c.expected)) << c.name;
        else
            EXPECT_EQ(text, QStringLiteral("0.") + QString(61, u'0')) << c.name;
    }
}

TEST(ValueNumber, IsTheNumberFormatValueShows)
{
    for (const auto& c : ValueCases()) {
        const QString text = FormatValue(c.value, c.format, u'.');
        const auto number = ValueNumber(c.value, c.format);
        if (text.isEmpty()) {
            EXPECT_FALSE(number) << c.name;
            continue;
        }
        ASSERT_TRUE(number) << c.name;
        const int base = (c.format.Option & OptionKindMask) == Hex ? 16 : 10;
        EXPECT_DOUBLE_EQ(*number, TextNumber(text, base)) << c.name << " " << qPrintable(text);
    }
}

TEST(FormatValue, DecimalCharacterIsUsed)
{
    EXPECT_EQ(FormatValue(1234, Fmt(0, 0, 2), u','), u"12,34");
}

class ImageValues : public ::testing::Test
{
protected:
    void SetUp() override { image = QByteArray(2 * RegisterCount, 0); }
    void setRegister(int n, quint16 value)
    {
        image[2 * n] = char(value & 0xFF);
        image[2 * n + 1] = char(value >> 8);
    }
    QByteArray image;
};

TEST_F(ImageValues, TakesValuesByDataFormat)
{
    setRegister(10, 0xFFFF);
    setRegister(11, 0x1234);
    const float f = 2.5f;
    setRegister(20, quint16(FloatBits(f) & 0xFFFF));
    setRegister(21, quint16(FloatBits(f) >> 16));

    ValueFormat format = Fmt(Hex | Zero, 2, 0);
    EXPECT_EQ(TakeImageValue(image, 10, DataFormat::Signed16, format), 0xFFFFFFFFu);
    EXPECT_EQ(FormatValue(0xFFFFFFFF, format), u"FFFFFFFF"); // sign-extended first
    EXPECT_EQ(format.Option, Hex | Zero);

    format = Fmt(0);
    EXPECT_EQ(TakeImageValue(image, 10, DataFormat::Unsigned16, format), 0xFFFFu);
    EXPECT_EQ(format.Option, OptionUnsigned);

    format = Fmt(0);
    EXPECT_EQ(TakeImageValue(image, 10, DataFormat::Signed32, format), 0x1234FFFFu);
    EXPECT_EQ(format.Option, 0u);

    format = Fmt(Zero);
    EXPECT_EQ(TakeImageValue(image, 10, DataFormat::Unsigned32, format), 0x1234FFFFu);
    EXPECT_EQ(format.Option, Zero | OptionUnsigned);

    format = Fmt(Hex | Zero, 0, 1);
    const auto bits = TakeImageValue(image, 20, DataFormat::Float32, format);
    ASSERT_TRUE(bits);
    EXPECT_EQ(format.Option, Flt | Zero);
    EXPECT_EQ(FormatValue(*bits, format), u"2.5");

    format = Fmt(0);
    EXPECT_EQ(TakeImageValue(image, 70000, DataFormat::Tick, format), 0u); // reads nothing
    EXPECT_EQ(TakeImageValue(image, 70000, 0, format), 0u);
}

TEST_F(ImageValues, RegistersOutsideTheImageGiveNothing)
{
    setRegister(65535, 7);
    ValueFormat format;
    EXPECT_EQ(TakeImageValue(image, 65535, DataFormat::Signed16, format), 7u);
    EXPECT_FALSE(TakeImageValue(image, 65535, DataFormat::Signed32, format));
    EXPECT_FALSE(TakeImageValue(image, 65535, DataFormat::Float32, format));
    EXPECT_FALSE(TakeImageValue(image, 65536, DataFormat::Unsigned16, format));
    EXPECT_FALSE(TakeImageValue(image, -1, DataFormat::Signed16, format));
    EXPECT_FALSE(ImageRegister(QByteArray(10, 0), 5)); // short image: beyond its end
    EXPECT_EQ(FormatRegisterCount(DataFormat::Float32), 2);
    EXPECT_EQ(FormatRegisterCount(DataFormat::Tick), 0);
}

TEST_F(ImageValues, TimeOffsetIsSignedMinutesModulo32Bits)
{
    EXPECT_EQ(ApplyTimeOffset(image, 1000), 1000u);
    setRegister(TimeOffsetRegister, quint16(-60));
    EXPECT_EQ(ApplyTimeOffset(image, 86400), 82800u);
    EXPECT_EQ(ApplyTimeOffset(image, 0), 0u - 3600u);
    setRegister(TimeOffsetRegister, 480);
    EXPECT_EQ(ApplyTimeOffset(image, 0xFFFFFFFF), 480u * 60 - 1);
}

namespace
{

quint32 UtcTick(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return quint32(
        QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc()).toSecsSinceEpoch());
}

} // namespace

TEST(FormatTick, Table)
{
    const quint32 t = 1400000000; // 2014-05-13 16:53:20
    // A filler of 62 characters that writes only 20: each "" opens and closes a literal.
    QString filler;
    for (int i = 0; i < 20; ++i)
        filler += u"\"\"a";
    filler += u"\"\"";
    const QString twenty(20, u'a');
    const struct {
        quint32 tick;
        QString format;
        QString expected;
    } cases[] = {
        {t, "hh:mm:ss", "16:53:20"},
        {t, "yyyy/MM/dd HH:mm AM", "2014/05/13 04:53 PM"},
        {t, "e.M.d", "103.5.13"},
        {t, "hh\"at\"mm", "16at53"},
        {t, "yyy|y|yyyyy", "14|y|2014y"},
        {t, "h:m:s d/M", "16:53:20 13/5"},
        {t, "A Ax AM", "A Ax PM"},
        {t, "\"a\"\"b\"-\"unclosed", "a\"b-unclosed"},
        {t, "YYYY DD SS", "YYYY DD SS"},
        {0, "yyyy-MM-dd hh:mm:ss", "1970-01-01 00:00:00"},
        {951782400, "yyyy-MM-dd", "2000-02-29"},
        {UtcTick(2100, 2, 28) + 86400, "yyyy-MM-dd", "2100-03-01"},
        {UtcTick(2106, 2, 7, 6, 28, 15), "yyyy-MM-dd hh:mm:ss", "2106-02-07 06:28:15"},
        {UtcTick(2014, 1, 1, 0, 5), "hh H AM", "00 0 AM"},
        {UtcTick(2014, 1, 1, 12, 5), "HH H AM", "12 12 AM"},
        {UtcTick(2014, 1, 1, 13, 5), "HH H AM", "01 1 PM"},
        {UtcTick(2009, 1, 1), "e", "98"},
        {t, QString(59, u'x'), QString(59, u'x')},
        {t, QString(60, u'x'), ""},
        {t, QString(58, u'x') + "yyyy", ""},
        {t, filler + "yyyy", twenty + "14"}, // only "yy" lies within the first 64 characters
        {t, filler.left(60) + "yyyy", twenty + "2014"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTick(c.tick, c.format), c.expected) << qPrintable(c.format);
}

TEST(FormatTemplate, FillsTextArguments)
{
    EXPECT_EQ(FormatTemplate("Recipe: %s", {"Mix (A)"}), u"Recipe: Mix (A)");
    EXPECT_EQ(FormatTemplate("100%% %s", {"%s"}), u"100% %s");
    EXPECT_EQ(FormatTemplate("%s and %s", {"one"}), u"one and ");
    EXPECT_EQ(FormatTemplate("Alarm%", {}), u"Alarm%");
}

TEST(UpdateTimeText, LocalDateAndTime)
{
    const QLocale locale = QLocale::system();
    const QDate date(2014, 5, 13);
    const QString dateText = locale.toString(date, QLocale::ShortFormat);
    EXPECT_EQ(LocalDateTimeText(DaysFromDateTime(date, QTime(0, 0))), dateText);

    const QString withTime = LocalDateTimeText(DaysFromDateTime(date, QTime(16, 53, 20)));
    EXPECT_TRUE(withTime.startsWith(dateText + u' ')) << qPrintable(withTime);
    EXPECT_TRUE(withTime.contains(u"53")) << qPrintable(withTime);
    EXPECT_FALSE(withTime.contains(u"UTC")) << "a stored local time carries no zone";

    EXPECT_EQ(LocalDateTimeText(std::nan("")), QString());
}
