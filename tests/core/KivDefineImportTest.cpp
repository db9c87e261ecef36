// Import of define files into a station, and tamsor-cli import-define.
#include "lang/KivLanRes.h"
#include "model/KivDefineImport.h"
#include "model/KivIniFile.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class DefineFileImport : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LanguageResources.Discover(QStringLiteral(TAMSOR_BIN_DIR));
        ASSERT_EQ(LanguageResources.SelectLanguage(1033), 0);
    }

    void SetUp() override
    {
        channel = new TKivChannel(root.Channels.get());
        station = new TKivStation(channel);
    }

    QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("panel.def"))
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    bool Import(const QByteArray& text, QString* error = nullptr)
    {
        return station->ImportDefine(Write(text), error);
    }

    QTemporaryDir dir;
    TKivTamsor root;
    TKivChannel* channel = nullptr;
    TKivStation* station = nullptr;
};

// A station with a bit of everything, as left by an earlier import and a read.
void FillStation(TKivStation& station)
{
    station.StationNum = 7;
    station.ScheduleTime = 600;
    station.ModelName = QStringLiteral("Old");
    station.ModelID = 42;
    station.Description = QStringLiteral("old description");
    station.UpdateTime = 45000.25;
    station.RegisterImage[10] = '\x5A';
    auto* recipe = new TKivRecipe(station.Recipes.get());
    recipe->Name = QStringLiteral("Old recipe");
    new TKivRecipeItem(recipe->RecipeItems.get());
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Name = QStringLiteral("Old log");
    auto* alarm = new TKivAlarm(station.Alarms.get());
    alarm->Message << QStringLiteral("Old alarm");
    station.Alarms->BackupAddr = 3000;
}

// A filled station on a project of its own, with a copy taken before the import under test,
// so a refused import can be checked to have changed nothing.
struct ScratchStation {
    ScratchStation() : station(new TKivStation(new TKivChannel(root.Channels.get())))
    {
        FillStation(*station);
        before.Assign(*station);
    }
    TKivTamsor root;
    TKivStation* station;
    TKivStation before{nullptr};
};

class FlagNode : public TKivNode
{
public:
    explicit FlagNode(bool* destroyed) : m_destroyed(destroyed) {}
    ~FlagNode() override { *m_destroyed = true; }
    void SetText(const QString&) override {}
    void SetImageIndex(int) override {}

private:
    bool* m_destroyed;
};

TEST_F(DefineFileImport, ModelSectionDecidesWhetherTheFileIsTaken)
{
    struct Case {
        QByteArray text;
        quint32 id; // 0: refused
    };
    const Case cases[] = {
        {"[Model]\nName=P\nID=500\n", 500},
        {"[Model]\nName=P\nID=0x1F4\n", 500},
        {"[Model]\nName=P\nID=$1f4\n", 500},
        {"[model]\nNAME = P \nid=500\n", 500},
        {"[Model]\nName=P\nID=500\n[Model]\nName=Q\nID=7\n", 500}, // first section wins
        {"[Model]\nName=P\nID=500\nID=7\n", 500},                  // first key wins
        {"[Model]\nName=P\nID=abc\n", 0},
        {"[Model]\nName=P\nID=12abc\n", 0},
        {"[Model]\nName=P\nID=0\n", 0},
        {"[Model]\nName=P\n", 0},
        {"[Model]\nName=\nID=500\n", 0},
        {"[Model]\nID=500\n", 0},
        {"", 0},
        {QByteArray("\x00\x01\xFF\xFE\x00[Model\x00", 11), 0},
        {"[Model]\nName=P\nI", 0}, // cut inside the ID line
    };
    for (const Case& c : cases) {
        ScratchStation fixture;
        TKivStation* scratch = fixture.station;
        QString error;
        const bool imported = scratch->ImportDefine(Write(c.text), &error);
        EXPECT_EQ(imported, c.id != 0) << c.text.toStdString();
        if (imported) {
            EXPECT_EQ(scratch->ModelID, c.id) << c.text.toStdString();
            EXPECT_EQ(scratch->ModelName, QStringLiteral("P")) << c.text.toStdString();
            EXPECT_EQ(scratch->Recipes->Count(), 0) << c.text.toStdString();
        } else {
            EXPECT_FALSE(error.isEmpty()) << c.text.toStdString();
            EXPECT_EQ(scratch->Compare(fixture.before), 0) << c.text.toStdString();
            EXPECT_EQ(scratch->Description, QStringLiteral("old description"))
                << c.text.toStdString();
        }
    }
}

TEST_F(DefineFileImport, UnreadableFilesAreRefusedWithTheReason)
{
    FillStation(*station);
    TKivStation before(nullptr);
    before.Assign(*station);
    for (const QString& path : {dir.filePath(QStringLiteral("missing.def")), dir.path()}) {
        QString error;
        EXPECT_FALSE(station->ImportDefine(path, &error)) << path.toStdString();
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open file"))) << error.toStdString();
        EXPECT_EQ(station->Compare(before), 0);
    }
}

TEST_F(DefineFileImport, RecipesAndTheirColumns)
{
    ASSERT_TRUE(Import("[RECIPE0001]\nName=Second\nColumn=1\n"
                       "[recipe0000]\nname=\"Bake\"\nRegister=0x100\nCount=10\nCapacity=$8\n"
                       "column=4\nTitle0000=Temp\nFormat0000=7\nWidth0000=90\n"
                       "title0001= 'Time' \nFORMAT0001=3\nWidth0001=junk\nFormat0003=6\n"
                       "[Model]\nName=P\nID=1\nDescription=Oven line\n"));
    EXPECT_EQ(station->GetCaption(), QStringLiteral("P : Oven line"));
    ASSERT_EQ(station->Recipes->Count(), 2);
    const TKivRecipe* bake = station->Recipes->Items(0);
    EXPECT_EQ(bake->Name, QStringLiteral("Bake"));
    EXPECT_EQ(bake->Register, 256u);
    EXPECT_EQ(bake->Count, 10u);
    EXPECT_EQ(bake->Capacity, 8u);
    const TKivRecipeItems& columns = *bake->RecipeItems;
    ASSERT_EQ(columns.Count(), 4);
    struct Expected {
        const char* title;
        quint32 format, width, option;
    };
    const Expected expected[] = {
        {"Temp", 7, 90, 2}, {"Time", 3, 64, 0}, {"", 0, 64, 0}, {"", 6, 64, 0}};
    for (int j = 0; j < 4; ++j) {
        const TKivRecipeItem* column = columns.Items(j);
        EXPECT_EQ(column->Title, QString::fromLatin1(expected[j].title)) << j;
        EXPECT_EQ(column->Format, expected[j].format) << j;
        EXPECT_EQ(column->Width, expected[j].width) << j;
        EXPECT_EQ(column->Option, expected[j].option) << j;
        EXPECT_EQ(column->IntWidth, 4) << j;
        EXPECT_EQ(column->FloatWidth, 0) << j;
    }
    EXPECT_EQ(station->Recipes->Items(1)->RecipeItems->Count(), 1);
}

TEST_F(DefineFileImport, NumberingStopsAtTheFirstNamelessSection)
{
    ASSERT_TRUE(Import("[Model]\nName=P\nID=1\n"
                       "[RECIPE0001]\nName=Orphan\n"
                       "[RECORD0000]\nName=Log\n[RECORD0001]\nName=\n[RECORD0002]\nName=Late\n"));
    EXPECT_EQ(station->Recipes->Count(), 0);
    ASSERT_EQ(station->DataRecords->Count(), 1);
    EXPECT_EQ(station->DataRecords->Items(0)->Name, QStringLiteral("Log"));
}

TEST_F(DefineFileImport, DataRecordColumns)
{
    ASSERT_TRUE(Import("[Model]\nName=P\nID=1\n"
                       "[RECORD0000]\nName=Stamped\nFormat=5\nRegister=20000\nCount=500\n"
                       "Capacity=8\nTick=1\nColumn=3\n"
                       "[RECORD0001]\nName=Plain\nFormat=4\n"
                       "[RECORD0002]\nName=Negative\nColumn=-3\nTick=0\n"));
    ASSERT_EQ(station->DataRecords->Count(), 3);
    const TKivDataRecord* stamped = station->DataRecords->Items(0);
    EXPECT_EQ(stamped->Format, 5u);
    EXPECT_EQ(stamped->Register, 20000u);
    EXPECT_EQ(stamped->Count, 500u);
    EXPECT_EQ(stamped->Capacity, 8u);
    EXPECT_EQ(stamped->Tick, 1u);
    const TKivDataRecordItems& columns = *stamped->DataRecordItems;
    ASSERT_EQ(columns.Count(), 4);
    EXPECT_EQ(columns.Items(0)->Title, GetLangString(9029));
    EXPECT_EQ(columns.Items(0)->Title, QStringLiteral("Time"));
    EXPECT_EQ(columns.Items(0)->Format, 8u);
    EXPECT_EQ(columns.Items(0)->Width, 120u);
    for (int j = 1; j < 4; ++j) {
        EXPECT_EQ(columns.Items(j)->Title, QStringLiteral("Data%1").arg(j - 1));
        EXPECT_EQ(columns.Items(j)->Format, 5u);
        EXPECT_EQ(columns.Items(j)->Width, 64u);
        EXPECT_EQ(columns.Items(j)->Option, 0u);
        EXPECT_EQ(columns.Items(j)->DisplayFormat, QStringLiteral("hh:mm:ss"));
    }
    EXPECT_EQ(station->DataRecords->Items(1)->DataRecordItems->Count(), 0);
    EXPECT_EQ(station->DataRecords->Items(2)->DataRecordItems->Count(), 0);
}

TEST_F(DefineFileImport, AlarmsFollowAlarmCountAndKeepTheDisplaySettings)
{
    TKivAlarms& alarms = *station->Alarms;
    alarms.Title1 = QStringLiteral("Came");
    alarms.Tick2DisplayFormat = QStringLiteral("yyyy hh:mm");
    alarms.DisplayWidth3 = 300;
    bool nodeDestroyed = false;
    alarms.Node = new FlagNode(&nodeDestroyed);
    new TKivAlarm(&alarms);

    ASSERT_TRUE(Import("[Model]\nName=P\nID=1\n"
                       "[alarm]\nalarmcount=3\nBackupAddr=$9C40\nBackupSpace=816\n"
                       "[ALARM0000]\nGroup=2\nString0000=Motor, \"hot\"\nString0015= last \n"
                       "[ALARM0002]\nGroup=junk\nString0003=Third\n"));
    EXPECT_TRUE(nodeDestroyed);
    EXPECT_EQ(alarms.Node, nullptr);
    EXPECT_EQ(alarms.BackupAddr, 40000u);
    EXPECT_EQ(alarms.BackupSpace, 816u);
    EXPECT_EQ(alarms.Title1, QStringLiteral("Came"));
    EXPECT_EQ(alarms.Title2, GetLangString(2242));
    EXPECT_EQ(alarms.Tick2DisplayFormat, QStringLiteral("yyyy hh:mm"));
    EXPECT_EQ(alarms.DisplayWidth3, 300u);
    ASSERT_EQ(alarms.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(alarms.Items(i)->Message.size(), 16) << i;
    EXPECT_EQ(alarms.Items(0)->Group, 2u);
    EXPECT_EQ(alarms.Items(0)->Message.at(0), QStringLiteral("Motor, \"hot\""));
    EXPECT_EQ(alarms.Items(0)->Message.at(15), QStringLiteral("last"));
    EXPECT_EQ(alarms.Items(1)->Group, 0u);
    EXPECT_EQ(alarms.Items(1)->Message, QStringList(16, QString()));
    EXPECT_EQ(alarms.Items(2)->Group, 0u);
    EXPECT_EQ(alarms.Items(2)->Message.at(3), QStringLiteral("Third"));

    ASSERT_TRUE(Import("[Model]\nName=P\nID=1\n[ALARM0000]\nGroup=1\n"));
    EXPECT_EQ(alarms.Count(), 0);
    EXPECT_EQ(alarms.BackupAddr, 0u);
    EXPECT_EQ(alarms.BackupSpace, 0u);
}

TEST_F(DefineFileImport, ReimportReplacesAndKeepsTheReadImage)
{
    FillStation(*station);
    const QByteArray image = station->RegisterImage;
    const QByteArray text = "[Model]\nName=P\nID=9\n[RECIPE0000]\nName=R\nColumn=2\n"
                            "[RECORD0000]\nName=L\nTick=1\n[ALARM]\nAlarmCount=2\n";
    ASSERT_TRUE(Import(text));
    TKivStation first(nullptr);
    first.Assign(*station);
    ASSERT_TRUE(Import(text));
    EXPECT_EQ(station->Compare(first), 0);
    EXPECT_EQ(station->Recipes->Count(), 1);
    EXPECT_EQ(station->Recipes->Items(0)->RecipeItems->Count(), 2);
    EXPECT_EQ(station->DataRecords->Count(), 1);
    EXPECT_EQ(station->Alarms->Count(), 2);
    EXPECT_EQ(station->RegisterImage, image);
    EXPECT_EQ(station->UpdateTime, 45000.25);
    EXPECT_EQ(station->StationNum, 7u);
    EXPECT_EQ(station->ScheduleTime, 600u);
    EXPECT_EQ(station->ModelName, QStringLiteral("P"));
    EXPECT_EQ(station->Description, QString());
}

// Counts no station can hold are refused before anything changes; the rest import quickly.
TEST_F(DefineFileImport, AbsurdCountsAreBounded)
{
    using namespace DefineImport;
    struct Case {
        QByteArray body;
        bool accepted;
        int recipeColumns; // of the first recipe, when accepted
    };
    QByteArray manyTables;
    for (int i = 0; i < MaxTotalColumns / MaxColumns + 1; ++i)
        manyTables += QStringLiteral("[RECIPE%1]\nName=R\nColumn=%2\n")
                          .arg(i, 4, 10, QChar(u'0'))
                          .arg(MaxColumns)
                          .toLatin1();
    const Case cases[] = {
        {"[ALARM]\nAlarmCount=2000000000\n", false, 0},
        {"[ALARM]\nAlarmCount=65537\n", false, 0},
        {"[ALARM]\nAlarmCount=-5\n", true, 0},
        {"[RECIPE0000]\nName=R\nColumn=2000000000\n", false, 0},
        {"[RECORD0000]\nName=L\nColumn=65537\n", false, 0},
        {"[RECIPE0000]\nName=R\nColumn=4000000000\n", true, 0}, // not a number: no columns
        {"[RECIPE0000]\nName=R\nColumn=0xFFFFFFFF\n", true, 0}, // -1: no columns
        {"[RECIPE0000]\nName=R\nColumn=65536\n", true, 65536},
        {manyTables, false, 0},
    };
    for (const Case& c : cases) {
        ScratchStation fixture;
        TKivStation* scratch = fixture.station;
        QString error;
        const bool imported =
            scratch->ImportDefine(Write("[Model]\nName=P\nID=1\n" + c.body), &error);
        const std::string label = c.body.left(60).toStdString();
        ASSERT_EQ(imported, c.accepted) << label;
        if (!imported) {
            EXPECT_FALSE(error.isEmpty()) << label;
            EXPECT_EQ(scratch->Compare(fixture.before), 0) << label;
        } else if (scratch->Recipes->Count() > 0) {
            EXPECT_EQ(scratch->Recipes->Items(0)->RecipeItems->Count(), c.recipeColumns) << label;
        }
    }
}

TEST_F(DefineFileImport, MessagesNameTheOffendingSection)
{
    QString error;
    ASSERT_FALSE(Import("[Model]\nName=P\nID=1\n[RECIPE0000]\nName=A\n"
                        "[RECIPE0001]\nName=B\nColumn=70000\n",
                        &error));
    EXPECT_EQ(error, QStringLiteral("Section [RECIPE0001] defines 70000 columns; a table can "
                                    "have at most 65536, one per register."));
}

TEST_F(DefineFileImport, EightBitFilesFollowTheLanguage)
{
    EXPECT_EQ(LegacyDefineEncoding(2052), QByteArray("GB18030"));
    EXPECT_EQ(LegacyDefineEncoding(1028), QByteArray("Big5"));
    EXPECT_TRUE(LegacyDefineEncoding(1033).isEmpty());
    // English: Windows-1252.
    ASSERT_TRUE(Import("[Model]\nName=Ofen\xE4\x80\nID=1\n"));
    EXPECT_EQ(station->ModelName, QStringLiteral(u"Ofen\u00E4\u20AC"));
}

TEST_F(DefineFileImport, SurvivesSavingAndLoadingTheProject)
{
    ASSERT_TRUE(Import("[Model]\nName=P\nID=0x1F4\n"
                       "[RECIPE0000]\nName=R\nRegister=100\nCount=3\nCapacity=4\nColumn=2\n"
                       "Title0000=A\nFormat0000=7\nFormat0001=5\n"
                       "[RECORD0000]\nName=L\nFormat=3\nTick=1\nColumn=2\n"
                       "[ALARM]\nAlarmCount=2\nBackupAddr=2000\nBackupSpace=32\n"
                       "[ALARM0000]\nString0000=  lead, \"q\"\n"));
    const QString path = dir.filePath(QStringLiteral("p.zop"));
    WriteProjectFile(path, root);
    TKivTamsor loaded;
    ASSERT_TRUE(ReadProjectFile(path, loaded));
    ASSERT_EQ(loaded.Channels->Count(), 1);
    TKivStation* copy = loaded.Channels->Items(0)->Stations.Items(0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Compare(*station), 0);
    EXPECT_EQ(copy->ModelID, 500u);
    ASSERT_EQ(copy->Alarms->Count(), 2);
    EXPECT_EQ(copy->Alarms->Items(0)->Message.size(), 16);
    EXPECT_EQ(copy->Alarms->Items(0)->Message.at(0), QStringLiteral("lead, \"q\""));
    EXPECT_EQ(copy->Alarms->Items(1)->Message, QStringList(16, QString()));
    EXPECT_EQ(copy->Recipes->Items(0)->RecipeItems->Items(0)->Option, 2u);
}

// ---- tamsor-cli import-define ----------------------------------------------------------------

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

CliResult RunCli(const QString& configDir, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAMSOR_BIN_DIR "/tamsor-cli"),
                  QStringList{QStringLiteral("--lang"), QStringLiteral("1033")} + arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(DefineFileImport, CliImportsIntoTheNamedStationOrLeavesTheProjectAlone)
{
    const QString config = dir.filePath(QStringLiteral("config"));
    const QString project = dir.filePath(QStringLiteral("p.zop"));
    ASSERT_EQ(RunCli(config, {QStringLiteral("new"), project}).exitCode, 0);
    ASSERT_EQ(RunCli(config, {QStringLiteral("add-channel"), project}).exitCode, 0);
    ASSERT_EQ(
        RunCli(config, {QStringLiteral("add-station"), project, QStringLiteral("1")}).exitCode, 0);
    ASSERT_EQ(
        RunCli(config, {QStringLiteral("add-station"), project, QStringLiteral("1")}).exitCode, 0);

    const QString good = Write("[Model]\nName=TP-07\nID=0x1F4\n[RECIPE0000]\nName=R\n"
                               "[RECORD0000]\nName=L\n[ALARM]\nAlarmCount=3\n",
                               QStringLiteral("good.def"));
    const CliResult ok =
        RunCli(config, {QStringLiteral("import-define"), project, QStringLiteral("1/2"), good});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.out.contains(QStringLiteral("Model: TP-07 (ID 500)"))) << ok.out.toStdString();
    EXPECT_TRUE(ok.out.contains(QStringLiteral("Recipes: 1\nData records: 1\nAlarms: 3\n")))
        << ok.out.toStdString();
    TKivTamsor loaded;
    ASSERT_TRUE(ReadProjectFile(project, loaded));
    const TKivChannel* ch = loaded.Channels->Items(0);
    EXPECT_EQ(ch->Stations.Items(0)->ModelName, QString());
    EXPECT_EQ(ch->Stations.Items(1)->ModelName, QStringLiteral("TP-07"));

    const QByteArray saved = FileBytes(project);
    const QString bad = Write("[Model]\nName=TP-07\nID=zero\n", QStringLiteral("bad.def"));
    for (const QStringList& args :
         {QStringList{QStringLiteral("import-define"), project, QStringLiteral("1/2"), bad},
          QStringList{QStringLiteral("import-define"), project, QStringLiteral("1/3"), good}}) {
        const CliResult refused = RunCli(config, args);
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_FALSE(refused.err.isEmpty());
        EXPECT_EQ(FileBytes(project), saved);
    }
    EXPECT_TRUE(
        RunCli(config, {QStringLiteral("import-define"), project, QStringLiteral("1/2"), bad})
            .err.contains(QStringLiteral("\"ID\" is missing, 0 or not a number")));
}

} // namespace
