#include "DecoderTestSupport.h"
#include "TamsorError.h"
#include "model/KivDateTime.h"
#include "model/KivTamsor.h"
#include "reports/KivStationReports.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class StationReports : public ::testing::Test
{
protected:
    TKivChannel* channel(int type)
    {
        auto* c = new TKivChannel(project.Channels.get());
        c->Type = type;
        return c;
    }
    static TKivStation* station(TKivChannel* c, const QString& model)
    {
        auto* s = new TKivStation(c);
        s->ModelName = model;
        s->UpdateTime = DaysFromDateTime(QDate(2014, 5, 13), QTime(16, 53, 20));
        return s;
    }
    static void addTables(TKivStation* s, const QString& recipe, const QString& record)
    {
        (new TKivRecipe(s->Recipes.get()))->Name = recipe;
        (new TKivDataRecord(s->DataRecords.get()))->Name = record;
    }
    // Every file under the report root, as paths relative to it, sorted.
    QStringList filesUnderRoot() const
    {
        QStringList files;
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(QDir(root.path()).relativeFilePath(it.next()));
        files.sort();
        return files;
    }
    QString rel(const QString& path) const { return QDir(root.path()).relativeFilePath(path); }

    DecoderLanguage language{"STR09364=%s passes %d cells\n"
                             "STR09365=Written before:\n"
                             "STR09366=None written\n"};
    QTemporaryDir root;
    TKivTamsor project;
};

} // namespace

TEST_F(StationReports, ProjectFolders)
{
    EXPECT_EQ(ProjectReportFolder("/r", QString()), u"/r/Unknow");
    EXPECT_EQ(ProjectReportFolder("/r", "/home/ann/plants/Line 2.zop"), u"/r/Line 2");
    EXPECT_EQ(ProjectReportFolder("/r", "Line 2.backup.zop"), u"/r/Line 2.backup");
    EXPECT_EQ(ProjectReportFolder("/r", "/p/...zop"), u"/r/__") << "\"..\" stays inside";
}

TEST_F(StationReports, StationFolderNamesByChannelType)
{
    TKivChannel* uart = channel(TKivChannel::TypeUart);
    uart->UartPort = QStringLiteral("ttyUSB0");
    TKivStation* s1 = station(uart, "K7");
    s1->StationNum = 3;
    TKivChannel* devPath = channel(TKivChannel::TypeUart);
    devPath->UartPort = QStringLiteral("/dev/ttyUSB0");
    TKivStation* s2 = station(devPath, "K7");
    s2->StationNum = 3;
    TKivChannel* tcp = channel(TKivChannel::TypeInternet);
    tcp->Ip = QStringLiteral("192.168.0.20");
    TKivChannel* file = channel(TKivChannel::TypeRegisterFile);
    file->RegisterFileName = QStringLiteral("/data/dumps/dump.bin");
    TKivChannel* windowsFile = channel(TKivChannel::TypeRegisterFile);
    windowsFile->RegisterFileName = QStringLiteral("C:\\dumps\\old.bin");
    TKivChannel* other = channel(7);

    EXPECT_EQ(StationFolderName(*s1), u"ttyUSB0-3 [K7]");
    EXPECT_EQ(StationFolderName(*s2), u"ttyUSB0-3 [K7]");
    EXPECT_EQ(StationFolderName(*station(tcp, "K7")), u"192.168.0.20 [K7]");
    EXPECT_EQ(StationFolderName(*station(file, "K7")), u"dump.bin [K7]");
    EXPECT_EQ(StationFolderName(*station(windowsFile, "K7")), u"old.bin [K7]");
    EXPECT_EQ(StationFolderName(*station(other, "K7")), QString());
}

TEST_F(StationReports, TreeOfOneStation)
{
    TKivChannel* tcp = channel(TKivChannel::TypeInternet);
    tcp->Ip = QStringLiteral("10.0.0.5");
    TKivStation* s = station(tcp, "TP-300");
    addTables(s, "Dough", "Oven");
    (new TKivRecipe(s->Recipes.get()))->Name = QStringLiteral("Icing");
    s->Alarms->BackupAddr = 100; // alarm settings alone give no alarm file

    const QString project = ProjectReportFolder(root.path(), "/x/Line 2.zop");
    const StationReportsResult result = WriteStationReports(*s, project);
    EXPECT_TRUE(result.Ok);
    const QStringList expected{
        "Line 2/10.0.0.5 [TP-300]/Recipe(Dough)/2014-05-13 16-53-20.txt",
        "Line 2/10.0.0.5 [TP-300]/Recipe(Icing)/2014-05-13 16-53-20.txt",
        "Line 2/10.0.0.5 [TP-300]/Data record(Oven)/2014-05-13 16-53-20.txt",
    };
    QStringList written;
    for (const QString& f : result.Files)
        written.append(rel(f));
    EXPECT_EQ(written, expected) << "in writing order";
    EXPECT_EQ(filesUnderRoot().size(), 3);

    // Only alarm definitions: exactly one file, in the alarm folder.
    TKivStation* alarmsOnly = station(channel(TKivChannel::TypeRegisterFile), "TP-300");
    alarmsOnly->Owner->RegisterFileName = QStringLiteral("a.bin");
    new TKivAlarm(alarmsOnly->Alarms.get());
    const auto alarmResult = WriteStationReports(*alarmsOnly, project);
    ASSERT_EQ(alarmResult.Files.size(), 1);
    EXPECT_EQ(rel(alarmResult.Files[0]), u"Line 2/a.bin [TP-300]/Alarm/2014-05-13 16-53-20.txt");
}

TEST_F(StationReports, SharedFolderAndOverwrite)
{
    // Two stations on different Internet channels with the same address and model share one
    // folder; the second one's files replace the first's when the read times are equal.
    TKivChannel* a = channel(TKivChannel::TypeInternet);
    TKivChannel* b = channel(TKivChannel::TypeInternet);
    a->Ip = b->Ip = QStringLiteral("plc.local");
    TKivStation* first = station(a, "K7");
    TKivStation* second = station(b, "K7");
    addTables(first, "R", "D");
    addTables(second, "R", "D");
    SetRegister(*second, 0, 1);
    second->Recipes->Items(0)->Register = 0;
    second->Recipes->Items(0)->Count = 1;
    new TKivRecipeItem(second->Recipes->Items(0)->RecipeItems.get());
    second->Recipes->Items(0)->RecipeItems->Items(0)->Format = 3;

    const QString project = ProjectReportFolder(root.path(), QString());
    WriteStationReports(*first, project);
    const auto again = WriteStationReports(*second, project);
    EXPECT_EQ(filesUnderRoot().size(), 2);
    QFile file(again.Files[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith(ReportBytes({"0\t1"}).mid(2)));
    EXPECT_TRUE(rel(again.Files[0]).startsWith(u"Unknow/plc.local [K7]/"));

    second->UpdateTime += 1.0 / 86400; // one second later: a new file beside the old one
    WriteStationReports(*second, project);
    EXPECT_EQ(filesUnderRoot().size(), 4);
}

TEST_F(StationReports, UnsafeNamesStayInsideTheRoot)
{
    const struct {
        const char* port;
        const char* model;
        const char* recipe;
    } cases[] = {
        {"../../etc", "..", "../../../escape"},
        {"..", "a/b", "/abs/path"},
        {"x", "../..", ".."},
    };
    for (const auto& c : cases) {
        TKivChannel* uart = channel(TKivChannel::TypeUart);
        uart->UartPort = QString::fromUtf8(c.port);
        TKivStation* s = station(uart, QString::fromUtf8(c.model));
        (new TKivRecipe(s->Recipes.get()))->Name = QString::fromUtf8(c.recipe);
        WriteStationReports(*s, ProjectReportFolder(root.path(), "/p/...zop"));
    }
    // A NUL in a model name, and language texts that try to climb out.
    TKivChannel* tcp = channel(TKivChannel::TypeInternet);
    tcp->Ip = QStringLiteral("..");
    TKivStation* s = station(tcp, QStringLiteral("K\u00007"));
    (new TKivDataRecord(s->DataRecords.get()))->Name = QStringLiteral("d");
    new TKivAlarm(s->Alarms.get());
    {
        DecoderLanguage hostile(
            QStringLiteral("STR09041=../../up\nSTR09042=..\nSTR09043=/yyyy/../\n"));
        WriteStationReports(*s, ProjectReportFolder(root.path(), QString()));
    }

    const QStringList files = filesUnderRoot();
    EXPECT_EQ(files.size(), 5);
    for (const QString& f : files) {
        EXPECT_FALSE(f.startsWith(u"..")) << qPrintable(f);
        EXPECT_EQ(QDir::cleanPath(f), f) << "no . or .. component: " << qPrintable(f);
        EXPECT_EQ(f.count(u'/'), 3) << "project/station/table/file: " << qPrintable(f);
    }
}

TEST_F(StationReports, FolderThatCannotBeMadeSkipsThatFile)
{
    TKivChannel* tcp = channel(TKivChannel::TypeInternet);
    tcp->Ip = QStringLiteral("h");
    TKivStation* s = station(tcp, "K7");
    addTables(s, "R", "D");
    const QString project = ProjectReportFolder(root.path(), QString());
    QDir().mkpath(project + "/h [K7]");
    QFile blocker(project + "/h [K7]/Recipe(R)"); // a file where the recipe folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const auto result = WriteStationReports(*s, project);
    EXPECT_EQ(result.Skipped.size(), 1);
    ASSERT_EQ(result.Files.size(), 1);
    EXPECT_TRUE(result.Files[0].contains(u"Data record(D)"));
}

TEST_F(StationReports, DefinitionsBeyondAnyPanelAreRefusedBeforeAnythingIsWritten)
{
    // Each recipe repeats record 0 for 65,536 rows of 16 columns: one alone is the largest
    // table there is; a second one takes the station past its bound.
    TKivStation* s = station(channel(TKivChannel::TypeRegisterFile), "K7");
    for (const char* name : {"First", "Second", "Third"}) {
        auto* recipe = new TKivRecipe(s->Recipes.get());
        recipe->Name = QString::fromLatin1(name);
        recipe->Count = RegisterCount;
        for (int c = 0; c < 16; ++c)
            (new TKivRecipeItem(recipe->RecipeItems.get()))->Format = 3;
    }
    try {
        WriteStationReports(*s, root.path());
        FAIL() << "the reports were written";
    } catch (const TKivReportError& error) {
        EXPECT_EQ(error.message(), u"Recipe(Second) passes 2097152 cells");
        EXPECT_TRUE(error.Written.isEmpty());
    }
    EXPECT_TRUE(filesUnderRoot().isEmpty());
}

TEST_F(StationReports, AFailedFileNamesTheFilesWrittenBeforeIt)
{
    TKivChannel* tcp = channel(TKivChannel::TypeInternet);
    tcp->Ip = QStringLiteral("h");
    TKivStation* s = station(tcp, "K7");
    addTables(s, "R", "D");
    const QString project = root.path();
    // A folder where a report file belongs: that file cannot be created.
    const struct {
        const char* blocked;
        int written;
    } cases[] = {{"Data record(D)", 1}, {"Recipe(R)", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocked);
        QDir(project).removeRecursively();
        const QString blocked =
            project + "/h [K7]/" + c.blocked + "/2014-05-13 16-53-20.txt";
        ASSERT_TRUE(QDir().mkpath(blocked));
        try {
            WriteStationReports(*s, project);
            FAIL() << "no error";
        } catch (const TKivReportError& error) {
            ASSERT_EQ(error.Written.size(), c.written);
            const QStringList lines = error.message().split(u'\n');
            EXPECT_TRUE(lines[0].startsWith("Cannot create file \"" + blocked + "\". "))
                << qPrintable(lines[0]);
            if (c.written == 0) {
                EXPECT_EQ(lines.mid(1), QStringList{"None written"});
            } else {
                EXPECT_EQ(lines.mid(1),
                          (QStringList{"Written before:", "  " + error.Written[0]}));
                EXPECT_TRUE(error.Written[0].endsWith(u"/Recipe(R)/2014-05-13 16-53-20.txt"));
                EXPECT_TRUE(QFileInfo(error.Written[0]).isFile());
            }
        }
    }
}
