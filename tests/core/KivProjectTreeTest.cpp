// The project tree's nodes and the frames of each node, from the demo project.
#include "editor/KivProjectTree.h"
#include "LangTestFolder.h"
#include "lang/KivLanRes.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"

#include <gtest/gtest.h>

namespace
{

QStringList outline(const QList<TKivTreeEntry>& entries)
{
    QStringList lines;
    for (const TKivTreeEntry& e : entries)
        lines << QStringLiteral("%1%2 [%3]")
                     .arg(QString(2 * e.Depth, u' '), e.Caption)
                     .arg(e.ImageIndex);
    return lines;
}

TEST(ProjectTree, DemoProjectNodesInOrderWithCaptionsAndImages)
{
    TKivTamsor root;
    ASSERT_TRUE(ReadProjectFile(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.zop"), root));
    const QList<TKivTreeEntry> entries = ProjectTreeEntries(root);
    EXPECT_EQ(outline(entries).join(u'\n'), (QStringList{
                                                 "Demo bakery line [0]",
                                                 "  demo.bin [3]",
                                                 "    TP-300 demo panel [4]",
                                                 "      Bread dough [5]",
                                                 "      Oven profiles [5]",
                                                 "      Packaging [5]",
                                                 "      Oven temperatures [6]",
                                                 "      Production counters [6]",
                                                 "      Line pressures [6]",
                                                 "      Energy meter [6]",
                                                 "      Alarm [7]",
                                             })
                                                .join(u'\n'));
    // Each entry tells where its object keeps its node.
    TKivStation* station = root.Channels->Items(0)->Stations.Items(0);
    EXPECT_EQ(entries.at(0).NodeSlot, &root.Node);
    EXPECT_EQ(entries.at(2).NodeSlot, &station->Node);
    EXPECT_EQ(entries.last().Object, station->Alarms.get());
    EXPECT_EQ(entries.last().NodeSlot, &station->Alarms->Node);
}

TEST(ProjectTree, OneAlarmsNodeOnlyWhenTheStationHasAlarms)
{
    LangTestFolder folder;
    folder.language(1033, QStringLiteral("STR01120=No model\nSTR02002=Internet\n"));
    LanguageResources.Discover(folder.path());
    ASSERT_EQ(LanguageResources.SelectLanguage(1033), 0);
    TKivTamsor root;
    auto* channel = new TKivChannel(root.Channels.get());
    channel->Type = TKivChannel::TypeInternet;
    auto* station = new TKivStation(channel);
    EXPECT_EQ(outline(ChannelTreeEntries(*channel)).join(u'|'), u"Internet [2]|  No model [4]");
    for (int i = 0; i < 3; ++i)
        new TKivAlarm(station->Alarms.get());
    EXPECT_EQ(outline(StationTreeEntries(*station)).join(u'|'), u"No model [4]|  Alarm [7]");
    LanguageResources.Discover(folder.path() + "/none");
}

TEST(ProjectTree, ChannelImagesAndFrameTables)
{
    EXPECT_EQ(ChannelImageIndex(0), TreeImage::UartChannel);
    EXPECT_EQ(ChannelImageIndex(2), TreeImage::RegisterFileChannel);
    EXPECT_EQ(ChannelImageIndex(3), -1);
    EXPECT_EQ(ChannelImageIndex(-1), -1);

    const struct {
        const char* object;
        const char* bottom;
        const char* client;
    } rows[] = {{"TKivTamsor", "TFrameTamsor", ""},
                {"TKivChannel", "TFrameChannel", ""},
                {"TKivStation", "TFrameStation", ""},
                {"TKivRecipe", "TFrameRecipe", "TFrameRecipeEdit"},
                {"TKivDataRecord", "TFrameDataRecord", "TFrameDataRecordEdit"},
                {"TKivAlarms", "TFrameAlarm", "TFrameAlarmEdit"},
                {"TKivAlarm", "", ""},
                {"tkivstation", "", ""}};
    for (const auto& r : rows) {
        const TKivFrameClasses frames = FrameClassesFor(QString::fromLatin1(r.object));
        EXPECT_EQ(frames.Bottom, QString::fromLatin1(r.bottom)) << r.object;
        EXPECT_EQ(frames.Client, QString::fromLatin1(r.client)) << r.object;
    }
}

} // namespace
