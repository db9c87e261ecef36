// The history's serializers on small rows: quoting and escaping of every format, how tables
// with different columns share one CSV stream, and panel times as text and as nanoseconds.
#include "history/HistorySerializer.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace
{

THistoryExportTable Table(const QString& station, const QString& name, const QStringList& titles)
{
    return {station, name, titles, HistoryColumnKeys(titles)};
}

THistoryExportCell Text(const QString& text) { return {text, std::nullopt, false}; }
THistoryExportCell Integer(const QString& text, double value) { return {text, value, true}; }
THistoryExportCell Float(const QString& text, double value) { return {text, value, false}; }

THistoryExportRow Row(const THistoryExportTable& table, std::optional<qint64> time,
                      std::vector<THistoryExportCell> cells)
{
    return {&table, time, std::move(cells)};
}

// The text of rows in format, after Begin with tables.
QByteArray Serialize(THistoryFormat format, const std::vector<const THistoryExportTable*>& tables,
                     const std::vector<THistoryExportRow>& rows)
{
    const auto serializer = MakeHistorySerializer(format);
    QByteArray out;
    serializer->Begin(tables, out);
    for (const THistoryExportRow& row : rows)
        serializer->Write(row, out);
    return out;
}

constexpr qint64 T0 = 1772604000; // 2026-03-04T06:00:00

} // namespace

TEST(HistorySerializer, FormatsByName)
{
    EXPECT_EQ(HistoryFormatNamed("csv"), THistoryFormat::Csv);
    EXPECT_EQ(HistoryFormatNamed("tsv"), THistoryFormat::Tsv);
    EXPECT_EQ(HistoryFormatNamed("json"), THistoryFormat::Json);
    EXPECT_EQ(HistoryFormatNamed("line"), THistoryFormat::Line);
    EXPECT_FALSE(HistoryFormatNamed("CSV"));
    EXPECT_FALSE(HistoryFormatNamed(""));
}

TEST(HistorySerializer, ColumnKeysAreUniqueAndNeverEmpty)
{
    struct Case {
        QStringList titles;
        QStringList keys;
    } cases[] = {
        {{"Temp", "Speed"}, {"Temp", "Speed"}},
        {{"Temp", "Temp", "Temp"}, {"Temp", "Temp_2", "Temp_3"}},
        {{"", " ", "x"}, {"column 1", "column 2", "x"}},
        {{"time", "station", "table", "Time"}, {"time_2", "station_2", "table_2", "Time"}},
        {{"a_2", "a", "a"}, {"a_2", "a", "a_3"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HistoryColumnKeys(c.titles), c.keys) << qPrintable(c.titles.join('|'));
}

TEST(HistorySerializer, DelimitedFieldsAreQuotedWhenTheyHoldSeparatorsQuotesOrLineBreaks)
{
    struct Case {
        QString value;
        const char* csv;
        const char* tsv;
    } cases[] = {
        {"plain", "plain", "plain"},
        {"", "", ""},
        {"a,b", "\"a,b\"", "a,b"},
        {"a\tb", "a\tb", "\"a\tb\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\"", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\"", "\"cr\rhere\""},
        {" spaced ", " spaced ", " spaced "},
        {QString::fromUtf8("Öl, 中文"), "\"\xC3\x96l, \xE4\xB8\xAD\xE6\x96\x87\"",
         "\xC3\x96l, \xE4\xB8\xAD\xE6\x96\x87"},
    };
    for (const Case& c : cases) {
        const THistoryExportTable table = Table("1/1", "Log", {"v"});
        const auto rows = std::vector{Row(table, T0, {Text(c.value)})};
        EXPECT_EQ(Serialize(THistoryFormat::Csv, {&table}, rows),
                  QByteArray("station,table,time,v\r\n1/1,Log,2026-03-04T06:00:00,") + c.csv +
                      "\r\n")
            << qPrintable(c.value);
        EXPECT_EQ(Serialize(THistoryFormat::Tsv, {&table}, rows),
                  QByteArray("station\ttable\ttime\tv\r\n1/1\tLog\t2026-03-04T06:00:00\t") + c.tsv +
                      "\r\n")
            << qPrintable(c.value);
    }
}

TEST(HistorySerializer, TablesShareOneCsvHeaderEachFillingItsOwnColumns)
{
    const THistoryExportTable oven = Table("1/1", "Oven, line 1", {"Time", "Temp", "Temp"});
    const THistoryExportTable mixer = Table("2/1", "Mixer", {"Temp", "Speed"});
    const THistoryExportTable alarms =
        Table("1/1", "Alarm", {"Number", "Start", "End", "Message"});
    const std::vector rows{
        Row(oven, T0, {Text("06:00"), Text("180.5"), Text("181.0")}),
        Row(mixer, T0 + 1, {Text("20"), Text("300")}),
        Row(alarms, T0 + 2, {Text("3"), Text("2026-03-04T06:00:02"), Text(""), Text("Door open")}),
        Row(mixer, std::nullopt, {Text("21"), Text("")}),
    };
    EXPECT_EQ(Serialize(THistoryFormat::Csv, {&oven, &mixer, &alarms}, rows),
              "station,table,time,Time,Temp,Temp,Speed,Number,Start,End,Message\r\n"
              "1/1,\"Oven, line 1\",2026-03-04T06:00:00,06:00,180.5,181.0,,,,,\r\n"
              "2/1,Mixer,2026-03-04T06:00:01,,20,,300,,,,\r\n"
              "1/1,Alarm,2026-03-04T06:00:02,,,,,3,2026-03-04T06:00:02,,Door open\r\n"
              "2/1,Mixer,,,21,,,,,,\r\n");
}

TEST(HistorySerializer, ARowOfATableNotAnnouncedWidensTheHeaderInsteadOfLosingCells)
{
    const THistoryExportTable first = Table("1/1", "A", {"x"});
    const THistoryExportTable late = Table("1/1", "B", {"x", "y"});
    EXPECT_EQ(Serialize(THistoryFormat::Csv, {&first},
                        {Row(first, T0, {Text("1")}), Row(late, T0, {Text("2"), Text("3")})}),
              "station,table,time,x\r\n"
              "1/1,A,2026-03-04T06:00:00,1\r\n"
              "station,table,time,x,y\r\n"
              "1/1,B,2026-03-04T06:00:00,2,3\r\n");
}

TEST(HistorySerializer, JsonLinesEscapeQuotesBackslashesAndControlCharacters)
{
    struct Case {
        QString value;
        const char* json;
    } cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {QString("\x01\x1F\b\f") + QChar(0x7F), "\"\\u0001\\u001f\\b\\f\x7F\""},
        {QString::fromUtf8("Grüße 中 \xF0\x9F\x94\xA5"),
         "\"Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\xAD \xF0\x9F\x94\xA5\""},
        {"", "\"\""},
    };
    for (const Case& c : cases) {
        const THistoryExportTable table = Table("1/1", "Log", {"v"});
        EXPECT_EQ(Serialize(THistoryFormat::Json, {&table}, {Row(table, T0, {Text(c.value)})}),
                  QByteArray("{\"station\":\"1/1\",\"table\":\"Log\",\"time\":"
                             "\"2026-03-04T06:00:00\",\"v\":") +
                      c.json + "}\n")
            << qPrintable(c.value);
    }
}

TEST(HistorySerializer, JsonObjectsUseUniqueKeysAndNullForNoTime)
{
    const THistoryExportTable table = Table("1/2", "Lo\"g", {"time", "", "A", "A"});
    EXPECT_EQ(Serialize(THistoryFormat::Json, {&table},
                        {Row(table, std::nullopt, {Text("1"), Text("2"), Text("3"), Text("")})}),
              "{\"station\":\"1/2\",\"table\":\"Lo\\\"g\",\"time\":null,\"time_2\":\"1\","
              "\"column 2\":\"2\",\"A\":\"3\",\"A_2\":\"\"}\n");
}

TEST(HistorySerializer, LineProtocolEscapesNamesAndTypesFields)
{
    const THistoryExportTable table =
        Table("1/1", "Oven temps, line=1", {"Zone 1", "a,b=c", "Count", "Label", "Empty", "Hex"});
    const auto row = Row(table, T0,
                         {Float("180.25", 180.25), Float("0.1", 0.1), Integer("-0042", -42),
                          Text("say \"hi\" \\ ok"), Text(""), Integer("FF", 255)});
    EXPECT_EQ(Serialize(THistoryFormat::Line, {&table}, {row}),
              "Oven\\ temps\\,\\ line=1,station=1/1 Zone\\ 1=180.25,a\\,b\\=c=0.1,Count=-42i,"
              "Label=\"say \\\"hi\\\" \\\\ ok\",Hex=255i 1772604000000000000\n");
}

TEST(HistorySerializer, LineProtocolKeepsEveryPointOnOneLine)
{
    struct Case {
        const char* name;
        THistoryExportTable table;
        std::optional<qint64> time;
        std::vector<THistoryExportCell> cells;
        const char* line;
    } cases[] = {
        {"station tag with space, comma and equals sign", Table("a b,c=d", "T", {"v"}), 0,
         {Integer("1", 1)}, "T,station=a\\ b\\,c\\=d v=1i 0\n"},
        {"line breaks in names and strings", Table("1/1", "T\n", {"k\tx"}), 1,
         {Text("two\nlines\r")}, "T\\n,station=1/1 k\\tx=\"two\\nlines\\r\" 1000000000\n"},
        {"no time: the row has none", Table("1/1", "T", {"v"}), std::nullopt, {Float("1.5", 1.5)},
         "T,station=1/1 v=1.5\n"},
        {"no value: no point", Table("1/1", "T", {"v", "w"}), T0, {Text(""), Text("")}, ""},
        {"before 1970", Table("1/1", "T", {"v"}), -2, {Text("x")},
         "T,station=1/1 v=\"x\" -2000000000\n"},
        {"non-ASCII stays UTF-8", Table(QString::fromUtf8("Öfen"), QString::fromUtf8("温度"),
                                        {QString::fromUtf8("Zone ü")}),
         0, {Text(QString::fromUtf8("heiß"))},
         "\xE6\xB8\xA9\xE5\xBA\xA6,station=\xC3\x96" "fen Zone\\ \xC3\xBC=\"hei\xC3\x9F\" 0\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Serialize(THistoryFormat::Line, {&c.table}, {Row(c.table, c.time, c.cells)}),
                  QByteArray(c.line))
            << c.name;
}

TEST(HistorySerializer, PanelTimesReadAsTheirCalendarDateWithoutAZone)
{
    const THistoryExportTable table = Table("1/1", "T", {});
    for (qint64 time : {qint64(0), qint64(-1), qint64(951782400), qint64(951868799),
                        qint64(4107542400), qint64(T0), qint64(253402300799), qint64(-62135596800)}) {
        const QByteArray expected =
            QDateTime::fromSecsSinceEpoch(time, QTimeZone::utc()).toString("yyyy-MM-ddThh:mm:ss").toUtf8();
        EXPECT_EQ(Serialize(THistoryFormat::Tsv, {&table}, {Row(table, time, {})}),
                  "station\ttable\ttime\r\n1/1\tT\t" + expected + "\r\n")
            << time;
    }
}
