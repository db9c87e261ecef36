// What the main window and its editors decide without a window.
#include "editor/KivEditRules.h"
#include "LangTestFolder.h"
#include "lang/KivLanRes.h"
#include "model/KivTamsor.h"

#include <gtest/gtest.h>

namespace
{

class EditRules : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.language(1033, QStringLiteral("STR01000=Tamsor\n"));
        LanguageResources.Discover(folder.path());
        ASSERT_EQ(LanguageResources.SelectLanguage(1033), 0);
    }
    void TearDown() override { LanguageResources.Discover(folder.path() + "/none"); }

    TKivChannel* channel(int type, int stations)
    {
        auto* made = new TKivChannel(root.Channels.get());
        made->Type = type;
        for (int i = 0; i < stations; ++i)
            new TKivStation(made);
        return made;
    }

    LangTestFolder folder;
    TKivTamsor root;
};

TEST_F(EditRules, CaptionShowsThePathAndTheModifiedMarkOnlyForATitledProject)
{
    EXPECT_EQ(MainWindowCaption(QString(), false), u"Tamsor");
    EXPECT_EQ(MainWindowCaption(QString(), true), u"Tamsor");
    EXPECT_EQ(MainWindowCaption(QStringLiteral("/p/line 2.zop"), false),
              u"Tamsor : [/p/line 2.zop]");
    EXPECT_EQ(MainWindowCaption(QStringLiteral("/p/line 2.zop"), true),
              u"Tamsor : [/p/line 2.zop *]");
}

TEST_F(EditRules, ProjectFilesAlwaysEndInZop)
{
    const struct {
        const char* typed;
        const char* written;
    } cases[] = {{"/p/a.zop", "/p/a.zop"},       {"/p/a.txt", "/p/a.zop"},
                 {"/p/a", "/p/a.zop"},           {"/p/a.", "/p/a.zop"},
                 {"/p/v1.2/a", "/p/v1.2/a.zop"}, {"/p/a.b.c", "/p/a.b.zop"}};
    for (const auto& c : cases)
        EXPECT_EQ(ProjectFilePath(QString::fromUtf8(c.typed)), QString::fromUtf8(c.written))
            << c.typed;
}

TEST_F(EditRules, DialogsStartInTheFolderOfTheMostRecentProject)
{
    EXPECT_EQ(ProjectDialogFolder({}, QStringLiteral("/docs/Tamsor/")), u"/docs/Tamsor/");
    EXPECT_EQ(ProjectDialogFolder({QStringLiteral("/a/b/c.zop"), QStringLiteral("/x/y.zop")},
                                  QStringLiteral("/docs/Tamsor/")),
              u"/a/b");
}

TEST_F(EditRules, AddStationFollowsTheTypesLimit)
{
    const struct {
        int type;
        int stations;
        bool canAdd;
    } cases[] = {{0, 3, true}, {0, 4, false}, {1, 0, true},  {1, 1, false},
                 {2, 0, true}, {2, 1, false}, {3, 0, false}, {-1, 0, false}};
    for (const auto& c : cases)
        EXPECT_EQ(CanAddStation(channel(c.type, c.stations)), c.canAdd)
            << c.type << " " << c.stations;
    EXPECT_FALSE(CanAddStation(nullptr));

    // Deleting one of four serial stations makes room again.
    TKivChannel* full = channel(0, 4);
    delete full->Stations.Items(2);
    EXPECT_TRUE(CanAddStation(full));
}

TEST_F(EditRules, TypeChangesOnlyWithFewerThanTwoStations)
{
    EXPECT_TRUE(CanChangeChannelType(*channel(0, 0)));
    EXPECT_TRUE(CanChangeChannelType(*channel(0, 1)));
    EXPECT_FALSE(CanChangeChannelType(*channel(0, 2)));
}

TEST_F(EditRules, ReadStationNeedsASourceAndADefinition)
{
    TKivChannel* line = channel(0, 1);
    TKivStation* station = line->Stations.Items(0);
    EXPECT_FALSE(CanReadStation(station)) << "no port, no definitions";
    line->UartPort = QStringLiteral("ttyUSB0");
    EXPECT_FALSE(CanReadStation(station)) << "no definitions";
    new TKivAlarm(station->Alarms.get());
    EXPECT_TRUE(CanReadStation(station));
    EXPECT_FALSE(CanReadStation(nullptr));

    const struct {
        int type;
        QString TKivChannel::*source;
    } sources[] = {
        {0, &TKivChannel::UartPort}, {1, &TKivChannel::Ip}, {2, &TKivChannel::RegisterFileName}};
    for (const auto& s : sources) {
        TKivChannel* other = channel(s.type, 1);
        new TKivRecipe(other->Stations.Items(0)->Recipes.get());
        EXPECT_FALSE(CanReadStation(other->Stations.Items(0))) << s.type;
        other->*s.source = QStringLiteral("x");
        EXPECT_TRUE(CanReadStation(other->Stations.Items(0))) << s.type;
        other->Type = 3;
        EXPECT_FALSE(CanReadStation(other->Stations.Items(0))) << "unknown type";
    }
}

TEST_F(EditRules, StationNumbersOwnFirstThenTheFreeOnesAscending)
{
    TKivChannel* line = channel(0, 0);
    auto* s0 = new TKivStation(line);
    auto* s3 = new TKivStation(line);
    s3->StationNum = 3;
    auto* s7 = new TKivStation(line);
    s7->StationNum = 7;
    const QList<quint32> numbers = StationNumberChoices(*s7);
    ASSERT_EQ(numbers.size(), 254);
    EXPECT_EQ(numbers.mid(0, 9), (QList<quint32>{7, 1, 2, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(numbers.last(), 255u);
    EXPECT_EQ(StationNumberChoices(*s0).mid(0, 3), (QList<quint32>{0, 1, 2}));
    EXPECT_TRUE(ShowsStationNumber(*s7));
    line->Type = TKivChannel::TypeInternet;
    EXPECT_FALSE(ShowsStationNumber(*s7));
}

TEST_F(EditRules, BaudRateTextThatIsNoNumberIs9600)
{
    EXPECT_EQ(BaudRateFromText(QStringLiteral("19200")), 19200);
    EXPECT_EQ(BaudRateFromText(QStringLiteral(" 57600 ")), 57600);
    EXPECT_EQ(BaudRateFromText(QStringLiteral("fast")), 9600);
    EXPECT_EQ(BaudRateFromText(QString()), 9600);
}

TEST_F(EditRules, ScheduleCommandsFollowTheOpenProjectAndTheRunningFlag)
{
    TKivScheduleCommands closed = ScheduleCommandState(root);
    EXPECT_FALSE(closed.RunEnabled || closed.StopEnabled || closed.LogEnabled);
    EXPECT_FALSE(closed.RunChecked || closed.StopChecked);
    root.Start();
    TKivScheduleCommands idle = ScheduleCommandState(root);
    EXPECT_TRUE(idle.RunEnabled && idle.StopEnabled && idle.LogEnabled);
    EXPECT_FALSE(idle.RunChecked);
    EXPECT_TRUE(idle.StopChecked);
    root.Schedule = 1;
    TKivScheduleCommands running = ScheduleCommandState(root);
    EXPECT_TRUE(running.RunChecked);
    EXPECT_FALSE(running.StopChecked);
}

} // namespace
