#include "model/KivIniFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace
{

TKivIniFile FromText(const QString& text)
{
    TKivIniFile ini;
    ini.loadFromData(text.toUtf8());
    return ini;
}

QString ValueOf(const QString& raw)
{
    return FromText("[S]\nK=" + raw + "\n").readString(u"S", u"K", "<default>");
}

} // namespace

TEST(IniValueSyntax, StringTable)
{
    const struct {
        QString raw;
        QString expected;
    } cases[] = {
        {"  plain text \t", "plain text"},
        {"\"quoted\"", "quoted"},
        {"'single'", "single"},
        {"  \" padded inside \"  ", " padded inside "},
        {"\"\"", ""},
        {"\"", "\""},
        {"\"mixed'", "\"mixed'"},
        {"\"one\" and \"two\"", "one\" and \"two"},
        {"a=b=c", "a=b=c"},
        {"x ; not a comment", "x ; not a comment"},
        {"", ""},
        {QString(3000, u'v'), QString(2047, u'v')},
        {"\"" + QString(2047, u'q') + "\"", QString(2047, u'q')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValueOf(c.raw), c.expected) << qPrintable(c.raw.left(40));
}

TEST(IniValueSyntax, IntegerTable)
{
    constexpr qint32 def = -777;
    const struct {
        const char* raw;
        qint32 expected;
    } cases[] = {
        {"500", 500},
        {"  500  ", 500},
        {"+7", 7},
        {"-12", -12},
        {"0x1F4", 500},
        {"0X1f4", 500},
        {"$1F4", 500},
        {"$1f4", 500},
        {"-$10", -16},
        {"-0x10", -16},
        {"'42'", 42},
        {"\"0x10\"", 16},
        {"2147483647", 2147483647},
        {"-2147483648", qint32(0x80000000)},
        {"$FFFFFFFF", -1},
        {"0x80000000", qint32(0x80000000)},
        {"00000000000000012", 12},
        {"2147483648", def},
        {"4000000000", def},
        {"0x100000000", def},
        {"12abc", def},
        {"abc", def},
        {"1.5", def},
        {"1 2", def},
        {"", def},
        {"-", def},
        {"$", def},
        {"0x", def},
        {"0xG", def},
        {"--1", def},
        {"1e3", def},
    };
    for (const auto& c : cases) {
        const auto ini = FromText(QString("[S]\nK=") + c.raw + "\n");
        EXPECT_EQ(ini.readInteger(u"S", u"K", def), c.expected) << c.raw;
    }
    EXPECT_EQ(FromText("[S]\n").readInteger(u"S", u"Missing", def), def);
}

TEST(IniNames, CaseInsensitiveAndTrimmed)
{
    const auto ini = FromText("  [ Model ]  trailing\r\nNAME = K7 \r\n id=0x1F4\r\n[Größe]\nÄ=1\n");
    EXPECT_TRUE(ini.hasSection(u"model"));
    EXPECT_TRUE(ini.hasSection(u"MODEL"));
    EXPECT_EQ(ini.readString(u"model", u"name"), u"K7");
    EXPECT_EQ(ini.readInteger(u"Model", u"ID", 0), 500);
    EXPECT_EQ(ini.readString(u"GRÖßE", u"ä"), u"1");
    EXPECT_FALSE(ini.hasSection(u"Recipe0000"));
    EXPECT_EQ(ini.readString(u"Recipe0000", u"Name", "none"), u"none");
}

TEST(IniStructure, FirstSectionAndFirstKeyWin)
{
    const auto ini = FromText("[A]\nK=1\nK=2\n[B]\nK=b\n[a]\nK=3\nOnlyLater=4\n");
    EXPECT_EQ(ini.readString(u"A", u"K"), u"1");
    EXPECT_EQ(ini.readString(u"A", u"OnlyLater", "missing"), u"missing");
    EXPECT_EQ(ini.readString(u"B", u"K"), u"b");
}

TEST(IniStructure, LinesThatAreNotValues)
{
    const auto ini = FromText("Orphan=1\n[S]\n; Name=comment\njunk line\n=no key\nName=x\r"
                              "Other=y\r\n[Open\nKey=in open\n[]\nE=empty name");
    EXPECT_EQ(ini.readString(u"S", u"; Name", "none"), u"none");
    EXPECT_EQ(ini.readString(u"S", u"Name"), u"x");
    EXPECT_EQ(ini.readString(u"S", u"Other"), u"y"); // CR alone ends a line
    EXPECT_EQ(ini.readString(u"S", u"", "none"), u"none");
    EXPECT_EQ(ini.readString(u"Open", u"Key"), u"in open");
    EXPECT_EQ(ini.readString(u"", u"E"), u"empty name");
}

TEST(IniEncodings, EachEncodingReadsTheSameText)
{
    const QString text = QString::fromUtf8("[Model]\r\nName=Größe 型号 €\r\nID=5\r\n");
    const auto encode = [&](QStringConverter::Encoding encoding, bool bom) {
        QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom
                                             : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    const struct {
        const char* name;
        QByteArray data;
        TKivIniFile::Encoding encoding;
    } cases[] = {
        {"UTF-8", encode(QStringConverter::Utf8, false), TKivIniFile::Encoding::Utf8},
        {"UTF-8 BOM", encode(QStringConverter::Utf8, true), TKivIniFile::Encoding::Utf8WithBom},
        {"UTF-16LE", encode(QStringConverter::Utf16LE, true), TKivIniFile::Encoding::Utf16LE},
        {"UTF-16BE", encode(QStringConverter::Utf16BE, true), TKivIniFile::Encoding::Utf16BE},
    };
    for (const auto& c : cases) {
        TKivIniFile ini;
        ini.loadFromData(c.data);
        EXPECT_EQ(ini.encoding(), c.encoding) << c.name;
        EXPECT_EQ(ini.readString(u"MODEL", u"name"), QString::fromUtf8("Größe 型号 €")) << c.name;
        EXPECT_EQ(ini.readInteger(u"model", u"ID", 0), 5) << c.name;
    }
}

TEST(IniEncodings, LegacyEightBitFiles)
{
    TKivIniFile ini;
    ini.loadFromData("[Model]\nName=Gr\xF6\xDF"
                     "e \x80\x81\n");
    EXPECT_EQ(ini.encoding(), TKivIniFile::Encoding::Legacy);
    EXPECT_EQ(ini.readString(u"Model", u"Name"), QString::fromUtf8("Größe €\xC2\x81"));

    TKivIniFile chinese;
    chinese.setLegacyEncoding("GBK");
    chinese.loadFromData("[Model]\nName=\xD0\xCD\xBA\xC5\n"); // 型号 in GBK
    EXPECT_EQ(chinese.readString(u"Model", u"Name"), QString::fromUtf8("型号"));
}

TEST(IniBadInput, NeverFailsOnEmptyBinaryOrTruncatedData)
{
    TKivIniFile empty;
    empty.loadFromData(QByteArray());
    EXPECT_FALSE(empty.hasSection(u"Model"));

    QByteArray binary(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(42);
    for (auto& byte : binary)
        byte = char(random.generate());
    binary.prepend("[Model]\nName=K7\n");
    TKivIniFile noise;
    noise.loadFromData(binary);
    EXPECT_EQ(noise.readString(u"Model", u"Name"), u"K7");

    TKivIniFile cut;
    cut.loadFromData("[Model]\nName=K7\nID=0x1");
    EXPECT_EQ(cut.readInteger(u"Model", u"ID", 0), 1);
    cut.loadFromData("[Model]\nName=K7\n[RECI");
    EXPECT_EQ(cut.readString(u"Model", u"Name"), u"K7");
    EXPECT_TRUE(cut.hasSection(u"RECI"));

    TKivIniFile oddUtf16;
    oddUtf16.loadFromData(QByteArray("\xFF\xFE[\0S\0]\0\n\0K\0=\0v\0\n", 17));
    EXPECT_EQ(oddUtf16.readString(u"S", u"K"), u"v");

    TKivIniFile nul;
    nul.loadFromData(QByteArray("[S]\nK=a\0b\nL=2\n", 15));
    EXPECT_EQ(nul.readString(u"S", u"K"), QString("a") + QChar(0) + "b");
    EXPECT_EQ(nul.readInteger(u"S", u"L", 0), 2);
}

TEST(IniOpen, ReadsFilesAndNamesTheUnreadable)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/station.def";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Model]\nName=K7\nID=500\n");
    file.close();

    TKivIniFile ini;
    QString error;
    ASSERT_TRUE(ini.open(path, &error)) << qPrintable(error);
    EXPECT_EQ(ini.readInteger(u"Model", u"ID", 0), 500);

    const QString missing = dir.path() + "/missing.def";
    EXPECT_FALSE(ini.open(missing, &error));
    EXPECT_TRUE(error.startsWith("Cannot open file \"" + missing + "\". ")) << qPrintable(error);
    EXPECT_FALSE(ini.hasSection(u"Model")) << "a failed open leaves the reader empty";

    EXPECT_FALSE(ini.open(dir.path(), &error)) << "a folder is not a define file";
}

#if defined(TAMSOR_SANITIZED) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TAMSOR_ADDRESS_SPACE_FIXED 1 // the sanitizer's shadow memory takes the address space
#endif

#ifndef TAMSOR_ADDRESS_SPACE_FIXED
// Parses the file of one-key sections within an address space of bytes: 0 when it was read
// and two of its keys were found.
int ReadsWithin(const QString& path, rlim_t bytes)
{
    const rlimit limit{bytes, RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &limit);
    TKivIniFile ini;
    const bool read = ini.open(path) && ini.readInteger(u"s0999999", u"KEY", -1) == 999999 % 97 &&
                      ini.readInteger(u"S0000000", u"Key", -1) == 0;
    return read ? 0 : 1;
}
#endif

TEST(IniStructure, MillionsOfTinySectionsTakeMemoryInProportionToTheFile)
{
#ifdef TAMSOR_ADDRESS_SPACE_FIXED
    GTEST_SKIP() << "an address-space limit cannot be set under this sanitizer";
#else
    // A million one-key sections (17 MB): a table per section took gigabytes; the reader must
    // parse them within an address space of 1.5 GB, program and libraries included.
    QTemporaryDir dir;
    const QString path = dir.filePath("sections.def");
    QByteArray text;
    constexpr int sections = 1000000;
    for (int i = 0; i < sections; ++i)
        text += "[S" + QByteArray::number(i).rightJustified(7, '0') + "]\nKey=" +
                QByteArray::number(i % 97) + "\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(text), text.size());
    file.close();
    text = QByteArray();

    EXPECT_EXIT(std::exit(ReadsWithin(path, rlim_t(1536) << 20)), testing::ExitedWithCode(0), "");
#endif
}
