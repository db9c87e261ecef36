// Writes a large define file (10,000 recipes of 16 columns, 1,000 data records, 5,000 alarms)
// to a temporary folder, in UTF-8 and in UTF-16LE, and prints how long the reader takes to
// parse it and to look up every key an import reads; then the time and peak memory of parsing
// files of up to 3,000,000 one-key sections.

#include "BenchDefineFile.h"
#include "BenchMemory.h"
#include "model/KivIniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

using namespace BenchDefine;

// Reads every key an import of this file reads; returns a checksum so nothing is optimised away.
qint64 ReadAll(const TKivIniFile& ini)
{
    qint64 sum = ini.readInteger(u"Model", u"ID", 0) + ini.readString(u"Model", u"Name").size();
    for (int r = 0; r <= Recipes; ++r) {
        const QString section = QString::asprintf("RECIPE%04d", r);
        if (ini.readString(section, u"Name").isEmpty())
            break;
        sum += ini.readInteger(section, u"Register", 0) + ini.readInteger(section, u"Count", 0) +
               ini.readInteger(section, u"Capacity", 0);
        const int columns = ini.readInteger(section, u"Column", 0);
        for (int c = 0; c < columns; ++c) {
            sum += ini.readString(section, QString::asprintf("Title%04d", c)).size();
            sum += ini.readInteger(section, QString::asprintf("Format%04d", c), 0);
            sum += ini.readInteger(section, QString::asprintf("Width%04d", c), 0);
        }
    }
    for (int r = 0; r <= Records; ++r) {
        const QString section = QString::asprintf("RECORD%04d", r);
        if (ini.readString(section, u"Name").isEmpty())
            break;
        for (const char16_t* key :
             {u"Format", u"Register", u"Count", u"Capacity", u"Tick", u"Column"})
            sum += ini.readInteger(section, QStringView(key), 0);
    }
    const int alarms = ini.readInteger(u"ALARM", u"AlarmCount", 0);
    for (int a = 0; a < alarms; ++a) {
        const QString section = QString::asprintf("ALARM%04d", a);
        sum += ini.readInteger(section, u"Group", 0);
        for (int s = 0; s < 16; ++s)
            sum += ini.readString(section, QString::asprintf("String%04d", s)).size();
    }
    return sum;
}

void Measure(const char* label, const QString& path)
{
    double bestParse = 1e9;
    double bestLookup = 1e9;
    qint64 checksum = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        TKivIniFile ini;
        QString error;
        if (!ini.open(path, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            std::exit(1);
        }
        const double parse = timer.nsecsElapsed() / 1e6;
        timer.restart();
        checksum = ReadAll(ini);
        const double lookup = timer.nsecsElapsed() / 1e6;
        bestParse = std::min(bestParse, parse);
        bestLookup = std::min(bestLookup, lookup);
    }
    std::printf("%-9s %7.1f MB  open+parse %7.1f ms  all import lookups %7.1f ms  total %7.1f ms"
                "  (checksum %lld)\n",
                label, QFileInfo(path).size() / 1e6, bestParse, bestLookup, bestParse + bestLookup,
                static_cast<long long>(checksum));
}

// A define file of sections one-key sections, "[S0000001]" and "Key=1" (15 bytes a section).
void MeasureManySections(int sections, const QString& folder)
{
    const QString path = folder + QStringLiteral("/sections-%1.def").arg(sections);
    QByteArray text;
    text.reserve(qsizetype(sections) * 18);
    for (int i = 0; i < sections; ++i)
        text += "[S" + QByteArray::number(i).rightJustified(7, '0') + "]\nKey=1\n";
    BenchDefine::WriteFile(path, text);
    text.clear();
    text.squeeze();

    double parseMs = 0;
    bool found = false;
    const long growthKiB = BenchMemory::PeakGrowthKiB([&] {
        QElapsedTimer timer;
        timer.start();
        TKivIniFile ini;
        ini.open(path);
        parseMs = timer.nsecsElapsed() / 1e6;
        found = ini.readInteger(QStringLiteral("S%1").arg(sections - 1, 7, 10, QChar(u'0')),
                                u"key", 0) == 1;
    });
    std::printf("%9d %7.1f MB  open+parse %8.1f ms  peak memory +%7.1f MB (%5.1f x the file)%s\n",
                sections, QFileInfo(path).size() / 1e6, parseMs, growthKiB / 1024.0,
                growthKiB * 1024.0 / QFileInfo(path).size(), found ? "" : "  LOOKUP FAILED");
    std::fflush(stdout);
    QFile::remove(path);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString text = BenchDefine::Text();
    const QString utf8Path = dir.path() + "/bench-utf8.def";
    const QString utf16Path = dir.path() + "/bench-utf16.def";
    BenchDefine::WriteFile(utf8Path, text.toUtf8());
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    BenchDefine::WriteFile(utf16Path, utf16.encode(text));

    std::printf("Define file: %d recipes x %d columns, %d data records, %d alarms "
                "(best of 3 runs)\n",
                Recipes, Columns, Records, Alarms);
    Measure("UTF-8", utf8Path);
    Measure("UTF-16LE", utf16Path);

    std::printf("\nOne-key sections, one parse each in a process of its own:\n");
    std::fflush(stdout);
    for (int sections : {300000, 1000000, 3000000})
        BenchMemory::InChild([&] { MeasureManySections(sections, dir.path()); });
    return 0;
}
