// The main window driven offscreen: file commands with their prompts, the project tree, the
// frames following the selection, the project, channel and station editors, the language
// switch. Prompts and file dialogs are answered through their hooks.
#include "MainForm.h"
#include "ChannelFrame.h"
#include "DynamicPanel.h"
#include "FileDialogUi.h"
#include "LangUi.h"
#include "MainWindowTest.h"
#include "PanelSplitter.h"
#include "PeerProcess.h"
#include "ProjectTree.h"
#include "ReadOptionsBox.h"
#include "StationFrame.h"
#include "TamsorFrame.h"
#include "WindowReadRunner.h"
#include "editor/KivFileDialog.h"
#include "editor/KivProjectTree.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"
#include "settings/KivRegistry.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace
{

class MainFormTest : public MainWindowTest
{
protected:
    // Finishes every slide of the left panel at once.
    void finishSlides(TKIVDynamicPanel* panel)
    {
        for (int tick = 0; panel->Sliding() && tick < 1000; ++tick)
            panel->Timer();
    }
    void modifyTitle(const QString& title)
    {
        select(form->Project().Node);
        auto* frame = bottom<TFrameTamsor>();
        ASSERT_NE(frame, nullptr);
        frame->edtTitle->setText(title);
        emit frame->edtTitle->textEdited(title);
    }
    TKivChannel* addChannel()
    {
        select(form->Project().Node);
        bottom<TFrameTamsor>()->actAddChannel->trigger();
        return form->Project().Channels->Items(form->Project().Channels->Count() - 1);
    }
    void chooseType(TFrameChannel* frame, int type)
    {
        frame->cbxType->setCurrentIndex(type);
        emit frame->cbxType->activated(type);
    }
    // Calls check in every language with each settings frame of the open demo project shown:
    // the project's, the channel's as each type with its read options open, and the station's.
    void forEveryLanguageAndSettingsFrame(const std::function<void(int language, int type)>& check)
    {
        TKivChannel* channel = form->Project().Channels->Items(0);
        const QList<TKivNode*> shown{form->Project().Node, channel->Node,
                                     channel->Stations.Items(0)->Node};
        for (const int language : {1033, 1031, 1028, 2052}) {
            form->miLanguageExecute(language);
            for (TKivNode* handle : shown) {
                select(handle);
                for (int type = 0; type < 3; ++type) {
                    if (auto* channelFrame = bottom<TFrameChannel>()) {
                        chooseType(channelFrame, type);
                        channelFrame->gbxReadOptions->SetOpen(true);
                    }
                    check(language, type);
                }
            }
        }
    }
};

TEST_F(MainFormTest, CaptionAndSaveAsOfAnUntitledProject)
{
    EXPECT_EQ(form->windowTitle(), u"Tamsor");
    EXPECT_FALSE(form->actSaveFile->isEnabled());
    ASSERT_TRUE(form->NewProject());
    EXPECT_TRUE(form->actSaveFile->isEnabled() && form->actCloseFile->isEnabled());
    modifyTitle(QStringLiteral("Line 2"));
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->windowTitle(), u"Tamsor") << "untitled: no path, no mark";
    EXPECT_EQ(node(form->Project().Node)->text(0), u"Line 2");

    // Save of an untitled project runs Save As; another extension becomes ".zop".
    files << path("line2.txt");
    ASSERT_TRUE(form->SaveProject());
    EXPECT_EQ(dialogs.last().Mode, TKivFileDialogRequest::Save);
    EXPECT_EQ(form->FileName(), path("line2.zop"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tamsor : [%1]").arg(path("line2.zop")));
    EXPECT_EQ(form->RecentFiles().Entries().value(0), path("line2.zop"));
    EXPECT_FALSE(QFile::exists(path("line2.txt")));
    EXPECT_TRUE(prompts.isEmpty());
    modifyTitle(QStringLiteral("Line 3"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tamsor : [%1 *]").arg(path("line2.zop")));

    // Reopened, the title is there; the dialog starts in the recent project's folder.
    answers << KivMsg::IdNo;
    files << path("line2.zop");
    ASSERT_TRUE(form->OpenProject());
    EXPECT_EQ(dialogs.last().Folder, dir.path());
    EXPECT_EQ(form->Project().Title, u"Line 2");
}

TEST_F(MainFormTest, ClosePromptAnsweredYesNoAndCancel)
{
    const QString file = demoCopy();
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    const QByteArray original = bytes(file);
    const struct {
        int answer;
        bool closed;
        bool saved;
    } cases[] = {
        {KivMsg::IdCancel, false, false}, {KivMsg::IdNo, true, false}, {KivMsg::IdYes, true, true}};
    for (const auto& c : cases) {
        if (!form->Project().Opened) {
            ASSERT_TRUE(form->LoadProjectFile(file, false));
        }
        modifyTitle(QStringLiteral("Changed %1").arg(c.answer));
        prompts.clear();
        answers << c.answer;
        EXPECT_EQ(form->CloseProject(), c.closed) << c.answer;
        ASSERT_EQ(prompts.size(), 1);
        EXPECT_EQ(prompts[0].text, GetLangString(StrId::SaveChangesText));
        EXPECT_EQ(prompts[0].flags, 35u);
        EXPECT_EQ(form->Project().Opened, !c.closed);
        EXPECT_EQ(bytes(file) != original, c.saved) << c.answer;
    }
    EXPECT_EQ(form->windowTitle(), u"Tamsor");
    EXPECT_FALSE(form->actSaveFile->isEnabled());

    // Nothing modified: Close, New and Open ask nothing.
    prompts.clear();
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    EXPECT_TRUE(form->NewProject());
    EXPECT_TRUE(form->CloseProject());
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(MainFormTest, CancelledSaveAsOfAnUntitledProjectCancelsTheClose)
{
    ASSERT_TRUE(form->NewProject());
    modifyTitle(QStringLiteral("Unsaved"));
    answers << KivMsg::IdYes; // save the changes? yes; then the Save As dialog is cancelled
    EXPECT_FALSE(form->close());
    EXPECT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(form->Project().Opened);
    EXPECT_EQ(form->Project().Title, u"Unsaved");
    answers << KivMsg::IdYes;
    EXPECT_FALSE(form->NewProject());
    EXPECT_EQ(form->Project().Title, u"Unsaved");
}

TEST_F(MainFormTest, SaveAsOntoAnExistingFileAsksOnce)
{
    ASSERT_TRUE(form->NewProject());
    QFile existing(path("old.zop"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep");
    existing.close();
    modifyTitle(QStringLiteral("New"));

    // Typed without ".zop": the question is about the file that would be written.
    for (const int answer : {int(KivMsg::IdNo), int(KivMsg::IdYes)}) {
        prompts.clear();
        files << path("old");
        answers << answer;
        EXPECT_EQ(form->SaveProjectAs(), answer == KivMsg::IdYes);
        ASSERT_EQ(prompts.size(), 1);
        EXPECT_EQ(prompts[0].text, GetLangString(StrId::OverwriteText));
        EXPECT_EQ(prompts[0].caption, GetLangString(StrId::OverwriteCaption));
        EXPECT_EQ(prompts[0].flags, 52u);
        EXPECT_EQ(bytes(path("old.zop")) == "keep", answer == KivMsg::IdNo);
        EXPECT_EQ(form->Modified(), answer == KivMsg::IdNo);
    }
    EXPECT_EQ(form->FileName(), path("old.zop"));
}

TEST_F(MainFormTest, FailedSaveKeepsTheProjectTheFileNameAndTheMark)
{
    const QString file = demoCopy();
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    modifyTitle(QStringLiteral("Unsaved"));
    ASSERT_TRUE(QDir().mkpath(path("taken.zop"))); // a folder where the file should go
    files << path("taken.zop");
    answers << KivMsg::IdYes;
    prompts.clear();
    EXPECT_FALSE(form->SaveProjectAs());
    ASSERT_EQ(prompts.size(), 2);
    EXPECT_EQ(prompts[1].caption, GetLangString(StrId::SaveFailedCaption));
    EXPECT_FALSE(prompts[1].text.isEmpty());
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(form->FileName(), file);
    EXPECT_TRUE(form->windowTitle().endsWith(u" *]"));
    EXPECT_EQ(form->Project().Title, u"Unsaved");

    // A failed save in the close prompt keeps the project open.
    form->SetFileName(path("taken.zop"));
    answers << KivMsg::IdYes;
    EXPECT_FALSE(form->CloseProject());
    EXPECT_TRUE(form->Project().Opened);
}

TEST_F(MainFormTest, OpeningAFileThatIsNoProjectSaysSoAndLeavesTheProjectClosed)
{
    const struct {
        const char* name;
        QByteArray content;
        bool named; // the message names the file
    } cases[] = {{"notes.zop", "plain text", true},
                 {"broken.zop", QByteArray("zop0\x01\x02\x03", 7), false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(form->NewProject());
        QFile out(path(c.name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(c.content);
        out.close();
        prompts.clear();
        files << path(c.name);
        EXPECT_FALSE(form->OpenProject()) << c.name;
        ASSERT_EQ(prompts.size(), 1) << c.name;
        EXPECT_EQ(prompts[0].caption, GetLangString(StrId::OpenFailedCaption));
        EXPECT_FALSE(prompts[0].text.isEmpty());
        if (c.named) {
            EXPECT_TRUE(prompts[0].text.contains(path(c.name))) << qPrintable(prompts[0].text);
        }
        EXPECT_FALSE(form->Project().Opened);
        EXPECT_EQ(form->windowTitle(), u"Tamsor");
        EXPECT_EQ(form->tvProject->topLevelItemCount(), 0);
    }
}

TEST_F(MainFormTest, DemoTreeNodesFramesAndPanels)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    QStringList lines;
    for (TKivTreeNode* n : form->tvProject->Nodes()) {
        int depth = 0;
        for (QTreeWidgetItem* p = n->parent(); p; p = p->parent())
            ++depth;
        lines << QStringLiteral("%1%2 [%3]%4")
                     .arg(QString(2 * depth, u' '), n->text(0))
                     .arg(n->ImageIndex())
                     .arg(n->childCount() && !n->isExpanded() ? " closed" : "");
    }
    EXPECT_EQ(
        lines.join(u'\n'),
        (QStringList{"Demo bakery line [0]", "  demo.bin [3]", "    TP-300 demo panel [4]",
                     "      Bread dough [5]", "      Oven profiles [5]", "      Packaging [5]",
                     "      Oven temperatures [6]", "      Production counters [6]",
                     "      Line pressures [6]", "      Energy meter [6]", "      Alarm [7]"})
            .join(u'\n'));
    EXPECT_FALSE(form->tvProject->Images().at(TreeImage::Alarms).isNull());

    // The project is selected and its frame shown; the centre stays hidden.
    EXPECT_EQ(form->tvProject->CurrentNode()->Object(), &form->Project());
    ASSERT_NE(bottom<TFrameTamsor>(), nullptr);
    EXPECT_EQ(bottom<TFrameTamsor>()->edtTitle->text(), u"Demo bakery line");
    EXPECT_TRUE(form->pnlClient->isHidden());
    EXPECT_GE(form->dplBottom->PanelHeight(), 152);

    // The tree panel slides open to 280 and its bar can be dragged only while it is open.
    EXPECT_TRUE(form->dplLeft->Sliding());
    finishSlides(form->dplLeft);
    EXPECT_EQ(form->dplLeft->PanelWidth(), 280);
    EXPECT_TRUE(form->splLeft->isEnabled());

    TKivStation* station = form->Project().Channels->Items(0)->Stations.Items(0);
    select(station->Node);
    ASSERT_NE(bottom<TFrameStation>(), nullptr);
    EXPECT_EQ(bottom<TFrameStation>()->Station(), station);
    EXPECT_GE(form->dplBottom->PanelHeight(), 120);
    EXPECT_TRUE(form->pnlClient->isHidden());
    select(form->Project().Channels->Items(0)->Node);
    ASSERT_NE(bottom<TFrameChannel>(), nullptr);
    EXPECT_TRUE(bottom<TFrameChannel>()->pcEdit->currentWidget() ==
                bottom<TFrameChannel>()->tbsFile);

    // Close empties the tree without the selection handler, hides every frame, shuts both
    // panels.
    EXPECT_TRUE(form->CloseProject());
    EXPECT_EQ(form->tvProject->topLevelItemCount(), 0);
    EXPECT_EQ(form->dplBottom->PanelHeight(), 0);
    EXPECT_TRUE(form->pnlClient->isHidden());
    EXPECT_EQ(form->BottomFrame()->Object(), nullptr) << "the frame forgot the closed project";
    finishSlides(form->dplLeft);
    EXPECT_EQ(form->dplLeft->PanelWidth(), 0);
    EXPECT_FALSE(form->splLeft->isEnabled());
}

TEST(DynamicPanel, SlidesInStepsAndStopsItsTimer)
{
    TKIVDynamicPanel panel;
    TKivPanelSplitter splitter(&panel);
    panel.SetPanelWidth(0);
    splitter.setEnabled(false);
    panel.Dynamic(TKIVDynamicPanel::WidthIndex, 280, &splitter);
    ASSERT_TRUE(panel.Sliding());
    EXPECT_EQ(panel.SlideTimer()->interval(), 20);
    QList<int> widths;
    while (panel.Sliding())
        panel.Timer(), widths << panel.PanelWidth();
    EXPECT_EQ(widths.size(), 18);
    EXPECT_EQ(widths.first(), 16);
    EXPECT_EQ(widths.at(16), 272);
    EXPECT_EQ(widths.last(), 280);
    EXPECT_EQ(panel.maximumWidth(), 280);
    EXPECT_TRUE(splitter.isEnabled());

    // To the current size: one tick, no change. Index 2: nothing at all.
    panel.Dynamic(TKIVDynamicPanel::WidthIndex, 280, &splitter);
    panel.Timer();
    EXPECT_FALSE(panel.Sliding());
    EXPECT_EQ(panel.PanelWidth(), 280);
    panel.Dynamic(2, 10);
    EXPECT_FALSE(panel.Sliding());

    // Width and height slide together; a retarget turns a slide around.
    panel.SetPanelHeight(0);
    QWidget control;
    panel.Control = &control;
    panel.Dynamic(TKIVDynamicPanel::HeightIndex, 40);
    panel.Dynamic(TKIVDynamicPanel::WidthIndex, 0, &splitter);
    EXPECT_TRUE(control.isHidden());
    panel.Timer();
    EXPECT_EQ(panel.PanelHeight(), 16);
    EXPECT_EQ(panel.PanelWidth(), 264);
    panel.Dynamic(TKIVDynamicPanel::HeightIndex, 0);
    while (panel.Sliding())
        panel.Timer();
    EXPECT_EQ(panel.PanelHeight(), 0);
    EXPECT_EQ(panel.PanelWidth(), 0);
    EXPECT_FALSE(splitter.isEnabled());
    EXPECT_FALSE(control.isHidden());
}

TEST_F(MainFormTest, ChannelTypePagesImagesAndStationLimits)
{
    ASSERT_TRUE(form->NewProject());
    TKivChannel* channel = addChannel();
    EXPECT_TRUE(form->Modified());
    EXPECT_EQ(channel->Type, TKivChannel::TypeUart);
    auto* frame = bottom<TFrameChannel>();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Channel(), channel);
    EXPECT_EQ(form->tvProject->CurrentNode(), node(channel->Node));
    EXPECT_EQ(frame->pcEdit->currentWidget(), frame->tbsUart);
    EXPECT_EQ(node(channel->Node)->ImageIndex(), TreeImage::UartChannel);
    EXPECT_FALSE(frame->cbxDataBit->isEnabled());
    const int uartHeight = form->dplBottom->PanelHeight();
    EXPECT_GE(uartHeight, 154);

    const struct {
        int type;
        QWidget* TFrameChannel::*page;
        int image;
        int maxStations;
    } types[] = {{1, &TFrameChannel::tbsInternet, TreeImage::InternetChannel, 1},
                 {2, &TFrameChannel::tbsFile, TreeImage::RegisterFileChannel, 1},
                 {0, &TFrameChannel::tbsUart, TreeImage::UartChannel, 4}};
    for (const auto& t : types) {
        select(channel->Node);
        chooseType(frame, t.type);
        EXPECT_EQ(channel->Type, t.type);
        EXPECT_EQ(frame->pcEdit->currentWidget(), frame->*t.page) << t.type;
        EXPECT_EQ(node(channel->Node)->ImageIndex(), t.image) << t.type;
        if (t.type != 0) {
            EXPECT_LT(form->dplBottom->PanelHeight(), uartHeight);
        }
        for (int i = 0; i < t.maxStations; ++i) {
            select(channel->Node);
            EXPECT_TRUE(frame->actAddStation->isEnabled()) << t.type << " " << i;
            frame->actAddStation->trigger();
            EXPECT_NE(bottom<TFrameStation>(), nullptr) << "the new station is selected";
        }
        select(channel->Node);
        EXPECT_FALSE(frame->actAddStation->isEnabled()) << t.type;
        EXPECT_EQ(frame->cbxType->isEnabled(), t.maxStations < 2);
        // Deleting a station makes room again.
        select(channel->Stations.Items(0)->Node);
        bottom<TFrameStation>()->actDeleteStation->trigger();
        select(channel->Node);
        EXPECT_TRUE(frame->actAddStation->isEnabled()) << t.type;
        while (channel->Stations.Count() > 0)
            delete channel->Stations.Items(0);
    }
}

// The advanced box of read options: shut at first, opened from the keyboard without changing
// the project; each edit goes into the channel and marks the project modified; the options come
// back with the saved project and open the box again.
TEST_F(MainFormTest, ReadOptionsBoxEditsTheChannelAndTheOptionsSurviveASave)
{
    ASSERT_TRUE(form->NewProject());
    TKivChannel* channel = addChannel();
    auto* frame = bottom<TFrameChannel>();
    chooseType(frame, TKivChannel::TypeInternet);
    TReadOptionsBox* box = frame->gbxReadOptions;
    EXPECT_TRUE(box->isVisibleTo(form.get()));
    EXPECT_FALSE(box->IsOpen());
    EXPECT_FALSE(box->edtBlockRegisters->isVisibleTo(form.get()));
    form->SetModified(false);
    QTest::keyClick(box, Qt::Key_Space);
    ASSERT_TRUE(box->IsOpen());
    EXPECT_TRUE(box->edtBlockRegisters->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Modified());

    auto typeInto = [](QSpinBox* spin, const char* text) {
        QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(spin, QLatin1String(text));
    };
    const struct {
        const char* edit;
        std::function<void()> act;
        TReadOptions expected;
    } edits[] = {
        {"defined only on", [&] { box->cbxDefinedOnly->click(); }, {true, 64, 1}},
        {"block up a step",
         [&] { QTest::keyClick(box->edtBlockRegisters, Qt::Key_Up); },
         {true, 65, 1}},
        {"block typed", [&] { typeInto(box->edtBlockRegisters, "125"); }, {true, 125, 1}},
        {"in flight typed", [&] { typeInto(box->edtInFlight, "16"); }, {true, 125, 16}},
        {"in flight down a step",
         [&] { QTest::keyClick(box->edtInFlight, Qt::Key_Down); },
         {true, 125, 15}},
        {"defined only off", [&] { box->cbxDefinedOnly->click(); }, {false, 125, 15}},
    };
    for (const auto& e : edits) {
        form->SetModified(false);
        e.act();
        EXPECT_TRUE(channel->ReadOptions == e.expected) << e.edit;
        EXPECT_TRUE(form->Modified()) << e.edit;
    }

    files << path("options");
    ASSERT_TRUE(form->SaveProject());
    ASSERT_TRUE(form->CloseProject());
    box->SetOpen(false);
    files << path("options.zop");
    ASSERT_TRUE(form->OpenProject());
    TKivChannel* reopened = form->Project().Channels->Items(0);
    EXPECT_TRUE(reopened->ReadOptions == (TReadOptions{false, 125, 15}));
    select(reopened->Node);
    ASSERT_EQ(bottom<TFrameChannel>(), frame);
    EXPECT_TRUE(box->IsOpen()) << "options that differ from the defaults are shown";
    EXPECT_FALSE(box->cbxDefinedOnly->isChecked());
    EXPECT_EQ(box->edtBlockRegisters->value(), 125);
    EXPECT_EQ(box->edtInFlight->value(), 15);
    EXPECT_FALSE(form->Modified());
}

// Showing a channel changes nothing: values out of range (a damaged file) show as the values a
// read uses and stay stored as they were, and each channel shows its own options.
TEST_F(MainFormTest, ReadOptionsBoxShowsAChannelWithoutChangingIt)
{
    ASSERT_TRUE(form->NewProject());
    TKivChannel* tuned = addChannel();
    TKivChannel* damaged = addChannel();
    tuned->Type = damaged->Type = TKivChannel::TypeInternet;
    tuned->ReadOptions = {false, 100, 4};
    damaged->ReadOptions = {true, 500, 0};
    form->SetModified(false);
    const struct {
        TKivChannel* channel;
        TReadOptions stored;
        TReadOptions shown;
    } visits[] = {{tuned, {false, 100, 4}, {false, 100, 4}},
                  {damaged, {true, 500, 0}, {true, 64, 1}},
                  {tuned, {false, 100, 4}, {false, 100, 4}}};
    for (const auto& v : visits) {
        select(v.channel->Node);
        TReadOptionsBox* box = bottom<TFrameChannel>()->gbxReadOptions;
        EXPECT_TRUE(box->IsOpen());
        EXPECT_EQ(box->cbxDefinedOnly->isChecked(), v.shown.DefinedOnly);
        EXPECT_EQ(box->edtBlockRegisters->value(), v.shown.BlockRegisters);
        EXPECT_EQ(box->edtInFlight->value(), v.shown.InFlight);
        EXPECT_TRUE(v.channel->ReadOptions == v.stored);
    }
    EXPECT_FALSE(form->Modified());
}

// The box belongs to channels read over Modbus: requests in flight can be set on TCP only, and a
// register-file channel has no box. The bottom panel grows as the box opens, shrinks as it
// shuts, and fits a register file as soon as the type changes, also from an open box.
TEST_F(MainFormTest, ReadOptionsBoxFollowsTheChannelType)
{
    ASSERT_TRUE(form->NewProject());
    addChannel();
    auto* frame = bottom<TFrameChannel>();
    TReadOptionsBox* box = frame->gbxReadOptions;
    box->SetOpen(true);
    const struct {
        int type;
        bool box;
        bool inFlight;
    } types[] = {{TKivChannel::TypeInternet, true, true},
                 {TKivChannel::TypeUart, true, false},
                 {TKivChannel::TypeRegisterFile, false, false}};
    for (const auto& t : types) {
        chooseType(frame, t.type);
        const int switched = form->dplBottom->PanelHeight();
        EXPECT_EQ(box->isVisibleTo(form.get()), t.box) << t.type;
        EXPECT_EQ(box->edtInFlight->isEnabled(), t.inFlight) << t.type;
        EXPECT_EQ(box->lblInFlight->isEnabled(), t.inFlight) << t.type;
        EXPECT_TRUE(box->edtBlockRegisters->isEnabled()) << t.type;
        box->SetOpen(false);
        const int shut = form->dplBottom->PanelHeight();
        box->SetOpen(true);
        const int open = form->dplBottom->PanelHeight();
        EXPECT_EQ(switched, open) << t.type;
        EXPECT_EQ(open > shut, t.box) << t.type;
        if (!t.box) {
            EXPECT_EQ(open, shut) << t.type;
        }
    }
}

TEST_F(MainFormTest, StationNumbersReadStationAndImportDefine)
{
    ASSERT_TRUE(form->NewProject());
    TKivChannel* channel = addChannel();
    auto* channelFrame = bottom<TFrameChannel>();
    for (int i = 0; i < 3; ++i) {
        select(channel->Node);
        channelFrame->actAddStation->trigger();
    }
    channel->Stations.Items(1)->StationNum = 3;
    channel->Stations.Items(2)->StationNum = 7;
    TKivStation* station = channel->Stations.Items(2);
    select(channel->Node);
    select(station->Node);
    auto* frame = bottom<TFrameStation>();
    ASSERT_NE(frame, nullptr);
    QStringList numbers;
    for (int i = 0; i < 8; ++i)
        numbers << frame->cbxStationNum->itemText(i);
    EXPECT_EQ(numbers.join(u','), u"7,1,2,4,5,6,8,9");
    EXPECT_EQ(frame->cbxStationNum->count(), 254);
    EXPECT_FALSE(frame->cbxStationNum->isHidden());
    EXPECT_FALSE(frame->actReadStation->isEnabled()) << "no definitions";

    // A define file that is not one: said, nothing changes.
    files << path("missing.def");
    frame->actImportDefine->trigger();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0].caption, GetLangString(StrId::ImportDefineFailedCaption));
    EXPECT_EQ(node(station->Node)->childCount(), 0);

    files << QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.def");
    frame->actImportDefine->trigger();
    QStringList children;
    for (int i = 0; i < node(station->Node)->childCount(); ++i)
        children << node(station->Node)->child(i)->text(0);
    EXPECT_EQ(children.join(u','), u"Bread dough,Oven profiles,Packaging,Oven temperatures,"
                                   u"Production counters,Line pressures,Energy meter,Alarm");
    EXPECT_TRUE(node(station->Node)->isExpanded());
    EXPECT_EQ(node(station->Node)->text(0), station->GetCaption());
    EXPECT_EQ(frame->gbxCaption->title(), station->GetCaption());
    // Importing again replaces the nodes instead of adding a second set.
    files << QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.def");
    frame->actImportDefine->trigger();
    EXPECT_EQ(node(station->Node)->childCount(), 8);

    // The channel names no port yet, so the station still cannot be read.
    channel->UartPort.clear();
    select(channel->Node);
    select(station->Node);
    EXPECT_FALSE(frame->actReadStation->isEnabled());
    channel->UartPort = QStringLiteral("ttyUSB9");
    select(channel->Node);
    select(station->Node);
    EXPECT_TRUE(frame->actReadStation->isEnabled());

    // On a TCP channel the number is hidden.
    while (channel->Stations.Count() > 1)
        delete channel->Stations.Items(0);
    select(channel->Node);
    chooseType(channelFrame, TKivChannel::TypeInternet);
    select(station->Node);
    EXPECT_TRUE(frame->cbxStationNum->isHidden());
    EXPECT_TRUE(frame->lblStationNum->isHidden());
}

TEST_F(MainFormTest, ReadStationFromARegisterFileChannel)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    TKivStation* station = form->Project().Channels->Items(0)->Stations.Items(0);
    select(station->Node);
    auto* frame = bottom<TFrameStation>();
    ASSERT_TRUE(frame->actReadStation->isEnabled());
    frame->actReadStation->trigger();
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_GT(station->UpdateTime, 0) << "demo.bin found beside the project file";
    EXPECT_TRUE(form->Modified());
}

TEST_F(MainFormTest, DeletingTheSelectedChannelMovesTheSelection)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    TKivChannel* first = form->Project().Channels->Items(0);
    TKivChannel* second = addChannel();
    select(second->Node);
    bottom<TFrameChannel>()->actDelChannel->trigger();
    EXPECT_EQ(form->Project().Channels->Count(), 1);
    EXPECT_TRUE(form->Modified());
    TKivTreeNode* current = form->tvProject->CurrentNode();
    ASSERT_NE(current, nullptr);
    EXPECT_NE(form->BottomFrame()->Object(), nullptr);
    EXPECT_EQ(form->BottomFrame()->Object(), current->Object()) << "the frames follow";

    // Deleting a channel whose station is shown in a hidden frame leaves no frame holding it.
    select(first->Stations.Items(0)->Node);
    TFrameBase* stationFrame = form->BottomFrame();
    select(first->Node);
    bottom<TFrameChannel>()->actDelChannel->trigger();
    EXPECT_EQ(stationFrame->Object(), nullptr);
    EXPECT_EQ(form->tvProject->CurrentNode()->Object(), &form->Project());
    EXPECT_NE(bottom<TFrameTamsor>(), nullptr);
}

TEST_F(MainFormTest, LanguageSwitchRetextsTheOpenFrameAndTheTree)
{
    ASSERT_TRUE(form->NewProject());
    TKivChannel* channel = addChannel();
    select(channel->Node);
    auto* frame = bottom<TFrameChannel>();
    chooseType(frame, TKivChannel::TypeInternet);
    const QAction* german = nullptr;
    for (QAction* action : form->LanguageMenu()->actions())
        if (action->data().toInt() == 1031)
            german = action;
    ASSERT_NE(german, nullptr);
    const_cast<QAction*>(german)->trigger();
    EXPECT_EQ(frame->findChild<QLabel*>(QStringLiteral("lblType"))->text(), u"T&yp:");
    EXPECT_EQ(frame->cbxType->currentText(), GetLangString(2102).section(u' ', 1));
    EXPECT_EQ(frame->actAddStation->text(), u"&Station hinzufügen");
    EXPECT_EQ(node(channel->Node)->text(0), u"Internet");
    EXPECT_EQ(node(form->Project().Node)->text(0), u"Tamsor");
    EXPECT_EQ(form->miFile->title(), u"&Datei");
    EXPECT_EQ(frame->cbxType->accessibleName(), u"Typ");
    EXPECT_EQ(form->windowTitle(), u"Tamsor");
}

TEST_F(MainFormTest, EveryControlIsNamedAndTextedInEveryLanguage)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    forEveryLanguageAndSettingsFrame([this](int language, int) {
        ASSERT_EQ(LanguageResources.Current->LocaleId, language);
        QStringList missing = UnnamedControls(form.get());
        for (QMenu* menu : form->findChildren<QMenu*>())
            for (QAction* action : menu->actions())
                if (!action->isSeparator() && action->text().isEmpty())
                    missing << action->objectName() + QStringLiteral(" (menu)");
        EXPECT_TRUE(missing.isEmpty()) << language << ": " << qPrintable(missing.join(u", "));
    });
}

TEST_F(MainFormTest, CommandLineOpensOneProjectAfterTheWindowShows)
{
    const QString file = demoCopy();
    form->SetCommandLine({file, file});
    form->show();
    EXPECT_FALSE(form->AutoOpenFileTimer->isActive()) << "two arguments are ignored";
    form->hide();

    TFormMain second;
    second.SetCommandLine({file});
    EXPECT_FALSE(second.AutoOpenFileTimer->isActive());
    second.show();
    ASSERT_TRUE(second.AutoOpenFileTimer->isActive());
    EXPECT_EQ(second.AutoOpenFileTimer->interval(), 1000);
    EXPECT_FALSE(second.Project().Opened);
    emit second.AutoOpenFileTimer->timeout({});
    EXPECT_TRUE(second.Project().Opened);
    EXPECT_EQ(second.FileName(), file);
    second.hide();
    second.show();
    EXPECT_FALSE(second.AutoOpenFileTimer->isActive()) << "only the first show opens";

    // A project begun before the timer runs out is not replaced.
    TFormMain third;
    third.SetCommandLine({file});
    third.show();
    ASSERT_TRUE(third.NewProject());
    emit third.AutoOpenFileTimer->timeout({});
    EXPECT_TRUE(third.FileName().isEmpty());
}

TEST_F(MainFormTest, ARelativeCommandLinePathIsOpenedAndRememberedAsAnAbsoluteOne)
{
    const QString file = demoCopy();
    ASSERT_TRUE(QDir().mkpath(path("sub")));
    const QString workingFolder = QDir::currentPath();
    for (const QString& argument :
         {QStringLiteral("demo.zop"), QStringLiteral("sub/../demo.zop")}) {
        SCOPED_TRACE(qPrintable(argument));
        ASSERT_TRUE(form->CloseProject());
        QDir::setCurrent(dir.path()); // started in the demo's folder
        form->SetCommandLine({argument});
        QDir::setCurrent(workingFolder);
        form->AutoOpenFileTimerTimer();
        EXPECT_TRUE(form->Project().Opened);
        EXPECT_EQ(form->FileName(), file);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Tamsor : [%1]").arg(file));
        EXPECT_EQ(form->RecentFiles().Entries().value(0), file);
    }
}

TEST_F(MainFormTest, ARecentListThatCannotBeReadIsReportedAndStartsEmpty)
{
    // "a, b" unquoted reads back as a list of two, not as the string the list is kept in.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(TKivRegistry::StoreFileName()).path()));
    ASSERT_TRUE(
        WriteBytes(TKivRegistry::StoreFileName(),
                   "[Software]\nKiv\\Tamsor\\v1.0\\RecentProject=/tmp/a.zop, /tmp/b.zop\n"));
    const QString file = demoCopy();
    prompts.clear();
    {
        TFormMain started;
        ASSERT_EQ(prompts.size(), 1);
        EXPECT_EQ(prompts[0].caption, u"Tamsor");
        EXPECT_EQ(prompts[0].flags, unsigned(KivMsg::IconError));
        EXPECT_TRUE(prompts[0].text.contains(KivSettings::RecentProject))
            << qPrintable(prompts[0].text);
        EXPECT_TRUE(started.RecentFiles().Entries().isEmpty());
        EXPECT_EQ(started.pmOpenFile->actions().size(), 2) << "no recent item under Open";
        ASSERT_TRUE(started.LoadProjectFile(file, false));
    }
    // The window's end stores the list it kept, which the next start reads without a word.
    prompts.clear();
    TFormMain next;
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_EQ(next.RecentFiles().Entries(), QStringList{file});
}

TEST_F(MainFormTest, RecentProjectsUnderTheOpenButton)
{
    const QString file = demoCopy();
    ASSERT_TRUE(form->LoadProjectFile(file, false));
    const QList<QAction*> items = form->pmOpenFile->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0], form->actOpenFile);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("&0 : ") + file);

    ASSERT_TRUE(form->NewProject());
    modifyTitle(QStringLiteral("Draft"));
    answers << KivMsg::IdCancel;
    items[2]->trigger();
    EXPECT_EQ(form->Project().Title, u"Draft") << "cancelled in the save prompt";
    answers << KivMsg::IdNo;
    form->pmOpenFile->actions().at(2)->trigger();
    EXPECT_EQ(form->FileName(), file);

    // The list outlives the window.
    form.reset();
    form = std::make_unique<TFormMain>();
    ASSERT_EQ(form->pmOpenFile->actions().size(), 3);
    EXPECT_EQ(form->pmOpenFile->actions().at(2)->toolTip(), file);
}

} // namespace

namespace
{

// The whole way of a new project through the window: a TCP channel with a station, the demo
// define file imported, the station read from tamsor-sim, saved and opened again.
TEST_F(MainFormTest, NewProjectReadFromTheSimulatorSavedAndReopened)
{
    QByteArray image = bytes(QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.bin"));
    ASSERT_EQ(image.size(), 131072);
    ASSERT_TRUE(WriteBytes(path("served.bin"), image));
    PeerSet peers;
    const QString address = peers.ServeTcp(path("served.bin"));
    ASSERT_FALSE(address.isEmpty());
    TWindowReadRunner runner(form.get());

    ASSERT_TRUE(form->NewProject());
    modifyTitle(QStringLiteral("Line 2"));
    TKivChannel* channel = addChannel();
    auto* channelFrame = bottom<TFrameChannel>();
    chooseType(channelFrame, TKivChannel::TypeInternet);
    channelFrame->edtIp->setText(address);
    emit channelFrame->edtIp->textEdited(address);
    EXPECT_EQ(node(channel->Node)->text(0), address);
    channelFrame->actAddStation->trigger();
    auto* stationFrame = bottom<TFrameStation>();
    ASSERT_NE(stationFrame, nullptr);
    TKivStation* station = stationFrame->Station();
    files << QStringLiteral(TAMSOR_SOURCE_DIR "/examples/demo.def");
    stationFrame->actImportDefine->trigger();
    ASSERT_TRUE(stationFrame->actReadStation->isEnabled());

    // The read window stays up with the outcome until the user closes it.
    QTimer closeWhenDone;
    closeWhenDone.setInterval(5);
    QObject::connect(&closeWhenDone, &QTimer::timeout, [&] {
        TFormCommunication* window = runner.FormCommunication();
        if (window && window->isVisible() && window->State() == ReadDone &&
            window->btnClose->isEnabled())
            window->btnClose->click();
    });
    closeWhenDone.start();
    stationFrame->actReadStation->trigger();
    closeWhenDone.stop();
    EXPECT_GT(station->UpdateTime, 0);
    EXPECT_EQ(station->RegisterImage, image);

    files << path("line2");
    ASSERT_TRUE(form->SaveProject());
    ASSERT_TRUE(form->CloseProject());
    files << path("line2.zop");
    ASSERT_TRUE(form->OpenProject());
    EXPECT_EQ(form->Project().Title, u"Line 2");
    TKivChannel* reopened = form->Project().Channels->Items(0);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->Type, TKivChannel::TypeInternet);
    EXPECT_EQ(reopened->Ip, address);
    EXPECT_EQ(reopened->Stations.Items(0)->RegisterImage, image);
    EXPECT_EQ(reopened->Stations.Items(0)->Recipes->Count(), 3);
    EXPECT_TRUE(prompts.isEmpty());
}

} // namespace

TEST_F(MainFormTest, TextsFitInEveryFrameAtTheLeastSizeInEveryLanguage)
{
    ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
    form->show();
    form->resize(form->minimumSize());
    forEveryLanguageAndSettingsFrame([this](int language, int type) {
        QCoreApplication::processEvents();
        QStringList cut;
        for (QWidget* frame : {static_cast<QWidget*>(form->BottomFrame()),
                               static_cast<QWidget*>(form->ClientFrame())})
            if (frame)
                cut << CutTexts(frame);
        EXPECT_TRUE(cut.isEmpty())
            << language << " " << type << ": " << qPrintable(cut.join(u", "));
    });
}
