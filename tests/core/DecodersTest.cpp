#include "DecoderTestSupport.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"
#include "reports/KivUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <gtest/gtest.h>

namespace
{

class Decoders : public ::testing::Test
{
protected:
    QByteArray exported(const std::function<bool(const QString&)>& exportTxt)
    {
        const QString path = m_dir.filePath(QStringLiteral("table.txt"));
        EXPECT_TRUE(exportTxt(path));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    TKivRecipe* addRecipe(quint32 reg, quint32 count, quint32 capacity)
    {
        auto* recipe = new TKivRecipe(station.Recipes.get());
        recipe->Name = QStringLiteral("Mix");
        recipe->Register = reg;
        recipe->Count = count;
        recipe->Capacity = capacity;
        return recipe;
    }
    static TKivRecipeItem* addColumn(TKivRecipe* recipe, quint32 format, qint32 floatWidth = 0)
    {
        auto* item = new TKivRecipeItem(recipe->RecipeItems.get());
        item->Title = QStringLiteral("C%1").arg(recipe->RecipeItems->Count() - 1);
        item->Format = format;
        item->FloatWidth = floatWidth;
        return item;
    }
    TKivDataRecord* addRecord(quint32 reg, quint32 count, quint32 capacity)
    {
        auto* record = new TKivDataRecord(station.DataRecords.get());
        record->Name = QStringLiteral("Log");
        record->Register = reg;
        record->Count = count;
        record->Capacity = capacity;
        return record;
    }
    static TKivDataRecordItem* addColumn(TKivDataRecord* record, quint32 format,
                                         const QString& title)
    {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = title;
        item->Format = format;
        return item;
    }
    TKivAlarm* addAlarm(const QStringList& messages)
    {
        auto* alarm = new TKivAlarm(station.Alarms.get());
        alarm->Message = messages;
        return alarm;
    }
    template <class Table> static QList<QStringList> rows(const Table& table)
    {
        return TableRows(table);
    }

    DecoderLanguage language;
    QTemporaryDir m_dir;
    TKivStation station{nullptr};
};

QStringList Row(std::initializer_list<const char*> cells)
{
    QStringList row;
    for (const char* c : cells)
        row.append(QString::fromUtf8(c));
    return row;
}

} // namespace

TEST_F(Decoders, DataRecordWorkedExampleBytes)
{
    TKivDataRecord* record = addRecord(1000, 4, 2);
    addColumn(record, DataFormat::Tick, QStringLiteral("Time"));
    addColumn(record, DataFormat::Signed16, QStringLiteral("Data0"));
    addColumn(record, DataFormat::Unsigned16, QStringLiteral("Data1"));
    for (auto [reg, value] : {std::pair{1000, 2},
                              {1001, 2},
                              {1002, 0},
                              {1003, 16640},
                              {1004, 65531},
                              {1005, 7},
                              {1006, 12},
                              {1007, 65535},
                              {1012, 19968},
                              {1013, 21362},
                              {1014, 20028},
                              {1015, 21362}})
        SetRegister(station, reg, quint16(value));

    EXPECT_EQ(record->EntryCount(), 2u);
    EXPECT_EQ(record->EntryTick(1), 1400000060u);
    EXPECT_EQ(record->EntryRegister(0, 0), 65531);
    EXPECT_EQ(record->EntryRegister(2, 0), 0) << "no third entry";
    EXPECT_EQ(exported([&](const QString& p) { return record->ExportTxt(p); }),
              ReportBytes({"Data record: Log", "Never read", "No.\tTime\tData0\tData1",
                           "0\t16:53:20\t-5\t7", "1\t16:54:20\t12\t65535"}));
}

TEST_F(Decoders, AlarmWorkedExampleBytes)
{
    station.Alarms->BackupAddr = 2000;
    station.Alarms->BackupSpace = 32;
    station.Alarms->Title1 = QStringLiteral("On");
    station.Alarms->Title2 = QStringLiteral("Off");
    station.Alarms->Title3 = QStringLiteral("Message");
    addAlarm({QStringLiteral("Motor overheated")});
    SetAlarmHeader(station, 2000, 32, 1, 1);
    SetRegister32(station, 2024, 1400000000);

    EXPECT_EQ(station.Alarms->HistoryCount(), 1);
    EXPECT_EQ(exported([&](const QString& p) { return station.Alarms->ExportTxt(p); }),
              ReportBytes({"Alarm history", "Never read", "No.\tOn\tOff\tMessage",
                           "0\t16:53:20\t \tMotor overheated"}));
}

TEST_F(Decoders, RecipeLines)
{
    TKivRecipe* empty = addRecipe(0, 0, 4);
    addColumn(empty, DataFormat::Signed16);
    EXPECT_EQ(exported([&](const QString& p) { return empty->ExportTxt(p); }),
              ReportBytes({"Recipe: Mix", "Never read", "No.\tC0"}));

    // No columns: the heading and each record line hold the number alone.
    TKivRecipe* bare = addRecipe(0, 2, 4);
    EXPECT_EQ(exported([&](const QString& p) { return bare->ExportTxt(p); }),
              ReportBytes({"Recipe: Mix", "Never read", "No.", "0", "1"}));

    // Formats 3 then 5 read registers p, then p + 1 and p + 2; a format 8 or 0 column shows 0
    // with its widths and takes no register; a float takes two registers.
    TKivRecipe* mixed = addRecipe(100, 2, 10);
    addColumn(mixed, DataFormat::Signed16);
    addColumn(mixed, DataFormat::Tick, 2);
    addColumn(mixed, DataFormat::Signed32);
    addColumn(mixed, 0);
    addColumn(mixed, DataFormat::Float32, 1);
    addColumn(mixed, DataFormat::Unsigned16);
    SetRegister(station, 100, 0xFFFE);
    SetRegister32(station, 101, 70000);
    SetRegister32(station, 103, std::bit_cast<quint32>(2.25f));
    SetRegister(station, 105, 0xFFFF);
    SetRegister(station, 110, 7);
    EXPECT_EQ(rows(TKivRecipeTable(*mixed, station.RegisterImage, 0)),
              (QList<QStringList>{Row({"0", "-2", "0.00", "70000", "0", "2.2", "65535"}),
                                  Row({"1", "7", "0.00", "0", "0", "0.0", "0"})}));
}

TEST_F(Decoders, RingOrder)
{
    TKivDataRecord* record = addRecord(3000, 5, 1);
    addColumn(record, DataFormat::Unsigned16, QStringLiteral("V"));
    addColumn(record, DataFormat::Tick, QStringLiteral("T"))->DisplayFormat = QStringLiteral("s");
    for (int s = 0; s < 5; ++s) {
        SetRegister(station, 3004 + s, quint16(100 + s));
        SetRegister32(station, 3009 + 2 * s, quint32(s));
    }
    const struct {
        quint16 head, entries;
        QList<int> order;
    } cases[] = {
        {3, 3, {0, 1, 2}},       // not yet wrapped
        {2, 5, {2, 3, 4, 0, 1}}, // full ring that has wrapped
        {0, 5, {0, 1, 2, 3, 4}}, // full ring, head back at 0
        {0, 0, {}},
    };
    for (const auto& c : cases) {
        SetLogHeader(station, 3000, c.head, c.entries);
        QList<QStringList> expected;
        for (int i = 0; i < c.order.size(); ++i)
            expected.append({QString::number(i), QString::number(100 + c.order[i]),
                             QString::number(c.order[i])});
        EXPECT_EQ(rows(TKivDataRecordTable(*record, station.RegisterImage, 0)), expected)
            << c.head << " " << c.entries;
    }

    SetRegister(station, 3002, 1); // breaks the header CRC
    EXPECT_EQ(record->EntryCount(), 0u);
    EXPECT_EQ(record->EntryTick(0), 0u);
    EXPECT_EQ(exported([&](const QString& p) { return record->ExportTxt(p); }),
              ReportBytes({"Data record: Log", "Never read", "No.\tV\tT"}));
}

TEST_F(Decoders, DataRecordColumns)
{
    // A float takes two registers as in recipes; a time-stamp column between data columns
    // does not shift them; the time offset applies to ticks.
    TKivDataRecord* record = addRecord(0, 1, 3);
    addColumn(record, DataFormat::Float32, QStringLiteral("F"))->FloatWidth = 2;
    addColumn(record, DataFormat::Tick, QStringLiteral("T"))->DisplayFormat =
        QStringLiteral("yyyy-MM-dd hh:mm:ss");
    addColumn(record, DataFormat::Signed16, QStringLiteral("S"));
    addColumn(record, 0, QStringLiteral("Unknown"));
    SetLogHeader(station, 0, 0, 1);
    SetRegister32(station, 4, std::bit_cast<quint32>(-1.5f));
    SetRegister(station, 6, 0x8000);
    SetRegister32(station, 7, 86400);
    SetRegister(station, TimeOffsetRegister, quint16(-60));
    EXPECT_EQ(rows(TKivDataRecordTable(*record, station.RegisterImage, 0)),
              (QList<QStringList>{Row({"0", "-1.50", "1970-01-01 23:00:00", "-32768", ""})}));
}

TEST_F(Decoders, AlarmCells)
{
    station.Alarms->BackupAddr = 5000;
    station.Alarms->BackupSpace = 816; // capacity 100
    station.Alarms->Tick1DisplayFormat = QStringLiteral("hh:mm");
    station.Alarms->Tick2DisplayFormat = QStringLiteral("dd hh:mm");
    addAlarm({QStringLiteral("A0"), QStringLiteral("A0 line 1")});
    addAlarm({QStringLiteral("B0")});
    SetAlarmHeader(station, 5000, 816, 5, 98); // wraps: slots 98, 99, 0, 1, 2
    const auto entry = [&](qint64 slot, quint32 t1, quint32 t2, quint32 alarm, quint32 message) {
        const qint64 r = 5016 + 8 * slot;
        SetRegister32(station, r, t1);
        SetRegister32(station, r + 2, t2);
        SetRegister32(station, r + 4, alarm);
        SetRegister32(station, r + 6, message);
    };
    entry(98, 3600, 0, 0, 1); // no second time
    entry(99, 0, 7200, 1, 0); // no first time
    entry(0, 60, 120, 2, 0);  // alarm number equal to the number of alarms
    entry(1, 60, 120, 1, 16); // message number 16
    entry(2, 60, 120, 0, 2);  // a line the alarm does not have
    const QList<QStringList> expected{
        Row({"0", "01:00", " ", "A0 line 1"}), Row({"1", " ", "01 02:00", "B0"}),
        Row({"2", "00:01", "01 00:02", " "}), Row({"3", "00:01", "01 00:02", " "}),
        Row({"4", "00:01", "01 00:02", " "})};
    EXPECT_EQ(rows(TKivAlarmTable(*station.Alarms, station.RegisterImage, 0)), expected);

    SetRegister(station, TimeOffsetRegister, 480); // 8 hours later; blank times stay blank
    const auto shifted = rows(TKivAlarmTable(*station.Alarms, station.RegisterImage, 0));
    EXPECT_EQ(shifted[0], Row({"0", "09:00", " ", "A0 line 1"}));
    EXPECT_EQ(shifted[1], Row({"1", " ", "01 10:00", "B0"}));

    // Capacity 0 with a count of 2: two lines with the number alone.
    station.Alarms->BackupSpace = 20;
    SetAlarmHeader(station, 5000, 20, 2, 0);
    EXPECT_EQ(station.Alarms->HistoryCount(), 2);
    EXPECT_FALSE(station.Alarms->HistoryEntry(0));
    EXPECT_EQ(exported([&](const QString& p) { return station.Alarms->ExportTxt(p); }),
              ReportBytes({"Alarm history", "Never read", "No.\t\t\t", "0", "1"}));

    SetRegister32(station, 5012, 21); // the header no longer repeats BackupSpace
    EXPECT_EQ(station.Alarms->HistoryCount(), 0);
}

TEST_F(Decoders, NeverReadStationDecodesZeros)
{
    TKivRecipe* recipe = addRecipe(500, 1, 4);
    addColumn(recipe, DataFormat::Signed32, 1);
    EXPECT_EQ(exported([&](const QString& p) { return recipe->ExportTxt(p); }),
              ReportBytes({"Recipe: Mix", "Never read", "No.\tC0", "0\t0.0"}));
}

TEST_F(Decoders, DefinitionsWithoutStationWriteNothing)
{
    TKivRecipes recipes(nullptr);
    TKivRecipe recipe(&recipes);
    TKivDataRecords records(nullptr);
    TKivDataRecord record(&records);
    TKivAlarms alarms(nullptr);
    const QString path = m_dir.filePath(QStringLiteral("none.txt"));
    EXPECT_FALSE(recipe.ExportTxt(path));
    EXPECT_FALSE(record.ExportTxt(path));
    EXPECT_FALSE(alarms.ExportTxt(path));
    EXPECT_EQ(record.EntryCount(), 0u);
    EXPECT_EQ(alarms.HistoryCount(), 0);
    EXPECT_FALSE(QFile::exists(path));
}

// Definitions that point past register 65,535 or ask for absurd row counts: nothing is read
// outside the image, such cells are empty, and the row count stays bounded.
TEST_F(Decoders, OutOfImageDefinitions)
{
    // Records start at 65,530 and 65,534; the second one's 32-bit column would need 65,536.
    TKivRecipe* edge = addRecipe(65530, 2000000000u, 4);
    addColumn(edge, DataFormat::Signed16);
    addColumn(edge, DataFormat::Signed32);
    SetRegister(station, 65534, 9);
    EXPECT_EQ(rows(TKivRecipeTable(*edge, station.RegisterImage, 0)),
              (QList<QStringList>{Row({"0", "0", "0"}), Row({"1", "9", ""})}));

    EXPECT_EQ(TKivRecipeTable(*addRecipe(70000, 5, 1), station.RegisterImage, 0).RowCount(), 0);
    // Capacity 0 repeats one record: at most one row per register.
    EXPECT_EQ(TKivRecipeTable(*addRecipe(0, 2000000000u, 0), station.RegisterImage, 0).RowCount(),
              MaxTableRows);
    // A count of 2^31 or more is a negative count ("Count=-1" in a define file): no records.
    EXPECT_EQ(TKivRecipeTable(*addRecipe(0, 0x80000000u, 1), station.RegisterImage, 0).RowCount(), 0);
    EXPECT_EQ(TKivRecipeTable(*addRecipe(0, 0xFFFFFFFFu, 0), station.RegisterImage, 0).RowCount(), 0);

    // Rows times columns stay bounded: a few lines of a define file must not ask for billions
    // of cells.
    TKivRecipe* wide = addRecipe(0, 65536, 1);
    for (int j = 0; j < 65536; ++j)
        addColumn(wide, DataFormat::Signed16);
    EXPECT_EQ(TKivRecipeTable(*wide, station.RegisterImage, 0).RowCount(), MaxTableCells / 65536);
    TKivDataRecord* wideLog = addRecord(0, 1, 1);
    for (int j = 0; j < 65536; ++j)
        addColumn(wideLog, DataFormat::Signed16, QString());
    SetLogHeader(station, 0, 0, 65535);
    EXPECT_EQ(TKivDataRecordTable(*wideLog, station.RegisterImage, 0).RowCount(),
              MaxTableCells / 65536);
    SetLogHeader(station, 0, 0, 0);

    // A log header that does not fit, and one whose slots and ticks lie past the image.
    EXPECT_EQ(addRecord(65534, 10, 2)->EntryCount(), 0u);
    TKivDataRecord* log = addRecord(65500, 4000000000u, 4000000000u);
    addColumn(log, DataFormat::Unsigned16, QStringLiteral("V"));
    addColumn(log, DataFormat::Tick, QStringLiteral("T"));
    SetLogHeader(station, 65500, 65535, 65535);
    const TKivDataRecordTable table(*log, station.RegisterImage, 0);
    EXPECT_EQ(table.RowCount(), 65535);
    QStringList cells;
    table.RowCells(65534, cells);
    EXPECT_EQ(cells, Row({"65534", "", ""}));
    EXPECT_EQ(log->EntryRegister(65534, 0), 0);
    EXPECT_EQ(TableText(table).LineCount(), 3 + 65535);

    // Alarm areas: a header past the image is empty; a count of two billion stays bounded and
    // entries whose slots lie past the image show the number alone.
    station.Alarms->BackupAddr = 65530;
    station.Alarms->BackupSpace = 816;
    EXPECT_EQ(station.Alarms->HistoryCount(), 0);
    station.Alarms->BackupAddr = 65000;
    station.Alarms->BackupSpace = 8016; // capacity 1000, most of it past the image
    SetAlarmHeader(station, 65000, 8016, 2000000000, 0);
    const TKivAlarmTable alarms(*station.Alarms, station.RegisterImage, 0);
    EXPECT_EQ(alarms.RowCount(), MaxTableRows);
    EXPECT_TRUE(station.Alarms->HistoryEntry(60));
    EXPECT_FALSE(station.Alarms->HistoryEntry(65)) << "slot 65 starts at register 65,536";
    alarms.RowCells(500, cells);
    EXPECT_EQ(cells, Row({"500"}));
}
