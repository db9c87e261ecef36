// tamsor-cli history, run as a program on a project whose register-file station tamsor-cli read
// read twice, with more log entries and alarm lines in the file the second time.
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include "CliProcess.h"
#include "DecoderTestSupport.h"
#include "PeerProcess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

constexpr quint32 LogRegister = 1000;
constexpr quint32 LogSlots = 8;
constexpr quint32 AlarmRegister = 3000;
constexpr quint32 AlarmSlots = 4;
constexpr quint32 T0 = 1772604000; // 2026-03-04T06:00:00
constexpr quint16 Model = 77;

// The station's log "Oven, line 1": a time stamp, a temperature in tenths and a count.
void DefineLog(TKivStation& station)
{
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Name = QStringLiteral("Oven, line 1");
    record->Format = 3;
    record->Register = LogRegister;
    record->Count = LogSlots;
    record->Capacity = 2;
    record->Tick = 1;
    const struct {
        const char* title;
        quint32 format;
        qint32 floatWidth;
    } columns[] = {{"Time", 8, 0}, {"Temp \"C\"", 3, 1}, {"Count", 4, 0}};
    for (const auto& column : columns) {
        auto* item = new TKivDataRecordItem(record->DataRecordItems.get());
        item->Title = QString::fromUtf8(column.title);
        item->Format = column.format;
        item->FloatWidth = column.floatWidth;
        item->DisplayFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    }
}

void DefineAlarms(TKivStation& station)
{
    TKivAlarms& alarms = *station.Alarms;
    alarms.BackupAddr = AlarmRegister;
    alarms.BackupSpace = 16 + 8 * AlarmSlots;
    for (const char* message : {"Door open", "Flour silo low, refill"}) {
        auto* alarm = new TKivAlarm(&alarms);
        alarm->Message = QStringList{QString::fromUtf8(message)};
    }
}

// The panel after `entries` log entries (one a minute from T0) and the given alarm lines.
struct AlarmLine {
    quint32 start;
    quint32 end;
    quint32 number;
};
QByteArray PanelImage(quint32 entries, const std::vector<AlarmLine>& lines)
{
    TKivStation station(nullptr);
    station.RegisterImage = QByteArray(RegisterImageSize, '\0');
    SetLogHeader(station, LogRegister, quint16(entries % LogSlots), quint16(entries));
    for (quint32 e = 0; e < entries; ++e) {
        SetRegister(station, LogRegister + 4 + 2 * e, quint16(qint16(-15 + 10 * qint16(e))));
        SetRegister(station, LogRegister + 5 + 2 * e, quint16(e * 100));
        SetRegister32(station, LogRegister + 4 + LogSlots * 2 + 2 * e, T0 + 60 * e);
    }
    SetRegister(station, ModelRegister, Model);
    SetAlarmHeader(station, AlarmRegister, 16 + 8 * AlarmSlots, quint32(lines.size()), 0);
    for (quint32 i = 0; i < lines.size(); ++i) {
        const quint32 r = AlarmRegister + 16 + 8 * i;
        SetRegister32(station, r, lines[i].start);
        SetRegister32(station, r + 2, lines[i].end);
        SetRegister32(station, r + 4, lines[i].number);
        SetRegister32(station, r + 6, 0);
    }
    return station.RegisterImage;
}

class CliHistoryExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_project = m_dir.filePath("line.zop");
        TKivTamsor root;
        root.Start();
        auto* channel = new TKivChannel(root.Channels.get());
        channel->Type = TKivChannel::TypeRegisterFile;
        channel->RegisterFileName = QStringLiteral("panel.bin");
        auto* station = new TKivStation(channel);
        station->ModelID = Model;
        DefineLog(*station);
        DefineAlarms(*station);
        WriteProjectFile(m_project, root);
    }

    // The panel's register file now holds image; tamsor-cli read stores it and its history.
    void Read(const QByteArray& image)
    {
        ASSERT_TRUE(WriteBytes(m_dir.filePath("panel.bin"), image));
        const CliRun read = RunTamsorCli(m_dir.filePath("config"), {"read", m_project});
        ASSERT_EQ(read.exitCode, 0) << qPrintable(read.out + read.err);
    }

    void ReadTwice()
    {
        Read(PanelImage(3, {{T0 + 30, 0, 0}}));
        Read(PanelImage(5, {{T0 + 30, T0 + 200, 0}, {T0 + 150, 0, 1}}));
    }

    CliRun History(const QStringList& arguments)
    {
        return RunTamsorCli(m_dir.filePath("config"),
                            QStringList{"history", m_project} + arguments);
    }

    QTemporaryDir m_dir;
    QString m_project;
};

const char* const CsvAfterTwoReads =
    "station,table,time,Time,\"Temp \"\"C\"\"\",Count,Number,Start,End,Message\r\n"
    "1/1,\"Oven, line 1\",2026-03-04T06:00:00,2026-03-04 06:00:00,-1.5,0,,,,\r\n"
    "1/1,Alarm,2026-03-04T06:00:30,,,,0,2026-03-04T06:00:30,2026-03-04T06:03:20,Door open\r\n"
    "1/1,\"Oven, line 1\",2026-03-04T06:01:00,2026-03-04 06:01:00,-0.5,100,,,,\r\n"
    "1/1,\"Oven, line 1\",2026-03-04T06:02:00,2026-03-04 06:02:00,0.5,200,,,,\r\n"
    "1/1,Alarm,2026-03-04T06:02:30,,,,1,2026-03-04T06:02:30,,\"Flour silo low, refill\"\r\n"
    "1/1,\"Oven, line 1\",2026-03-04T06:03:00,2026-03-04 06:03:00,1.5,300,,,,\r\n"
    "1/1,\"Oven, line 1\",2026-03-04T06:04:00,2026-03-04 06:04:00,2.5,400,,,,\r\n";

} // namespace

TEST_F(CliHistoryExport, PrintsBothReadsOldestFirstInEachFormat)
{
    ReadTwice();
    const CliRun csv = History({"--format", "csv"});
    ASSERT_EQ(csv.exitCode, 0) << qPrintable(csv.err);
    EXPECT_EQ(csv.out, QString::fromUtf8(CsvAfterTwoReads));
    EXPECT_TRUE(csv.err.isEmpty()) << qPrintable(csv.err); // not a terminal: no progress

    const CliRun tsv = History({"1/1"}); // tsv is the default
    ASSERT_EQ(tsv.exitCode, 0) << qPrintable(tsv.err);
    const QStringList tsvLines = tsv.out.split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(tsvLines.size(), 8);
    EXPECT_EQ(tsvLines[0], "station\ttable\ttime\tTime\t\"Temp \"\"C\"\"\"\tCount\tNumber\tStart\tEnd\t"
                           "Message");
    EXPECT_EQ(tsvLines[5], "1/1\tAlarm\t2026-03-04T06:02:30\t\t\t\t1\t2026-03-04T06:02:30\t\t"
                           "Flour silo low, refill");

    const CliRun json = History({"--format", "json"});
    ASSERT_EQ(json.exitCode, 0) << qPrintable(json.err);
    const QStringList jsonLines = json.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(jsonLines.size(), 7);
    EXPECT_EQ(jsonLines[0], "{\"station\":\"1/1\",\"table\":\"Oven, line 1\",\"time\":"
                            "\"2026-03-04T06:00:00\",\"Time\":\"2026-03-04 06:00:00\","
                            "\"Temp \\\"C\\\"\":\"-1.5\",\"Count\":\"0\"}");
    EXPECT_EQ(jsonLines[1], "{\"station\":\"1/1\",\"table\":\"Alarm\",\"time\":"
                            "\"2026-03-04T06:00:30\",\"Number\":\"0\",\"Start\":"
                            "\"2026-03-04T06:00:30\",\"End\":\"2026-03-04T06:03:20\","
                            "\"Message\":\"Door open\"}");

    const CliRun line = History({"--format", "line"});
    ASSERT_EQ(line.exitCode, 0) << qPrintable(line.err);
    const QStringList points = line.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(points.size(), 7);
    EXPECT_EQ(points[0], "Oven\\,\\ line\\ 1,station=1/1 Time=\"2026-03-04 06:00:00\","
                         "Temp\\ \"C\"=-1.5,Count=0i 1772604000000000000");
    EXPECT_EQ(points[4], "Alarm,station=1/1 Number=1i,Start=\"2026-03-04T06:02:30\","
                         "Message=\"Flour silo low, refill\" 1772604150000000000");
}

TEST_F(CliHistoryExport, SelectsByTableAndTime)
{
    ReadTwice();
    const CliRun alarms = History({"--table", "Alarm", "--format", "csv"});
    ASSERT_EQ(alarms.exitCode, 0) << qPrintable(alarms.err);
    EXPECT_EQ(alarms.out.split("\r\n", Qt::SkipEmptyParts),
              (QStringList{"station,table,time,Number,Start,End,Message",
                           "1/1,Alarm,2026-03-04T06:00:30,0,2026-03-04T06:00:30,"
                           "2026-03-04T06:03:20,Door open",
                           "1/1,Alarm,2026-03-04T06:02:30,1,2026-03-04T06:02:30,,"
                           "\"Flour silo low, refill\""}));

    const CliRun range = History({"--table", "Oven, line 1", "--since", "2026-03-04T06:01",
                                  "--until", "2026-03-04 06:03:00", "--format", "json"});
    ASSERT_EQ(range.exitCode, 0) << qPrintable(range.err);
    const QStringList rows = range.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].contains("\"time\":\"2026-03-04T06:01:00\"")) << qPrintable(rows[0]);
    EXPECT_TRUE(rows[1].contains("\"time\":\"2026-03-04T06:02:00\"")) << qPrintable(rows[1]);

    const CliRun century = History({"--since", "-36500d", "--format", "line"});
    ASSERT_EQ(century.exitCode, 0) << qPrintable(century.err);
    EXPECT_EQ(century.out.count('\n'), 7) << qPrintable(century.out);
}

TEST_F(CliHistoryExport, WrongArgumentsAndMissingHistoriesAreClearErrors)
{
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* message;
    } beforeRead[] = {
        {{}, 1, "has no history store yet"},
        {{"--since", "yesterday"}, 2, "--since: \"yesterday\" is neither a date and time"},
        {{"--until", "2026-02-30"}, 2, "--until: \"2026-02-30\" is not a date"},
        {{"--since", "2026-03-05", "--until", "2026-03-04"}, 2, "--since is not before --until"},
        {{"--format", "xml"}, 2, "--format xml is not tsv, csv, json or line"},
        {{"1/1", "1/2"}, 2, "at most one station"},
        {{"2/1"}, 1, "the project has no channel 2"},
        {{"1/1"}, 1, "station 1/1 has no stored history"},
    };
    for (const Case& c : beforeRead) {
        const CliRun run = History(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << qPrintable(c.arguments.join(' '));
        EXPECT_TRUE(run.err.contains(c.message)) << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
    }

    ReadTwice();
    const CliRun unknown = History({"--table", "Mixer"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains("no data record named \"Mixer\" is stored"))
        << qPrintable(unknown.err);

    // Output that never arrives is a failure, not a success.
    const CliRun full = RunCli(m_dir.filePath("config"), {"history", m_project},
                               [](QProcess& process) { process.setStandardOutputFile("/dev/full"); });
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.err.contains("cannot write the output")) << qPrintable(full.err);

    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(m_project, root));
    root.HistoryOff = true;
    WriteProjectFile(m_project, root);
    const CliRun off = History({});
    EXPECT_EQ(off.exitCode, 1);
    EXPECT_TRUE(off.err.contains("history of") && off.err.contains("is off")) << qPrintable(off.err);
}
