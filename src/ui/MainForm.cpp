#include "MainForm.h"

#include "AboutForm.h"
#include "CommunicationForm.h"
#include "DynamicPanel.h"
#include "FrameRegistry.h"
#include "LangUi.h"
#include "LogForm.h"
#include "PanelSplitter.h"
#include "ProjectTree.h"
#include "RecentMenu.h"
#include "TamsorError.h"
#include "UiResources.h"
#include "WaitCursor.h"
#include "WidgetNames.h"
#include "editor/KivEditRules.h"
#include "editor/KivFileDialog.h"
#include "editor/KivProjectTree.h"
#include "lang/KivLanRes.h"
#include "lang/KivLangApply.h"
#include "lang/KivLangStartup.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"
#include "reports/KivStationReports.h"
#include "history/HistoryRecorder.h"
#include "schedule/ReadStationStarter.h"
#include "schedule/ScheduleReports.h"
#include "schedule/ScheduleRunner.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int TreeWidth = 280;
constexpr int PanelMargin = 3;

QAction* namedAction(QObject* parent, const char* name, const char* icon = nullptr)
{
    auto* action = new QAction(parent);
    action->setObjectName(QLatin1String(name));
    if (icon)
        action->setIcon(QIcon(QStringLiteral(":/icons/toolbar/%1.svg").arg(QLatin1String(icon))));
    return action;
}

QString projectFilter()
{
    return FileDialogFilter(GetLangString(StrId::FileFilterProject), QStringLiteral("*.zop"));
}

} // namespace

TFormMain::TFormMain(QWidget* parent)
    : QMainWindow(parent), FProject(new TKivTamsor(this))
{
    InitUiResources();
    setObjectName(QStringLiteral("FormMain"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tamsor.svg")));
    setMinimumSize(840, 480);
    resize(824, 422);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreatePanels();
    CreateSchedule();

    // FormCreate
    SetFileName(QString());
    FReportRoot = DefaultReportRoot();
    FProjectFolder = DefaultProjectFolder();
    RegisterFrameClasses();
    FRecentMenu = new TKivRecentMenuUi(pmOpenFile, actOpenFile,
                                       [this](const QString& path) { RecentFileClick(path); });
    FRecentFiles.SetMenu(FRecentMenu);
    // A list that cannot be read does not keep the window from opening: it starts empty.
    const QString recentProblem = FRecentFiles.LoadSettings();
    FRecentFiles.Rebuild(TKivRecentFile::MaxEntries);
    BuildLanguageMenu(miLanguageRes, [this](int localeId) { miLanguageExecute(localeId); });
    FAnimateBottom = QThread::idealThreadCount() > 1;
    AutoOpenFileTimer = new QTimer(this);
    AutoOpenFileTimer->setObjectName(QStringLiteral("AutoOpenFileTimer"));
    AutoOpenFileTimer->setInterval(1000);
    AutoOpenFileTimer->setSingleShot(true);
    connect(AutoOpenFileTimer, &QTimer::timeout, this, &TFormMain::AutoOpenFileTimerTimer);
    SetFrameHost(this);
    UpdateCommands();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (!recentProblem.isEmpty())
        ShowTextMessage(recentProblem, StrId::MainTitle, KivMsg::IconError);
}

TFormMain::~TFormMain()
{
    // FormDestroy: the recent list goes back to the settings; the project's objects and their
    // nodes go before the tree and the frames that show them.
    try {
        FRecentFiles.SaveSettings();
    } catch (const TamsorError&) {
        // The settings cannot take the list: it is lost, the window still closes.
    }
    FRecentFiles.SetMenu(nullptr);
    FClearing = true;
    FProject->Close();
    tvProject->RemoveAll();
    if (FrameHost() == this)
        SetFrameHost(nullptr);
    qDeleteAll(FFrames);
    FFrames.clear();
    delete FAbout;
}

void TFormMain::CreateActions()
{
    actNewFile = namedAction(this, "actNewFile", "new");
    actNewFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    actOpenFile = namedAction(this, "actOpenFile", "open");
    actOpenFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    actSaveFile = namedAction(this, "actSaveFile", "save");
    actSaveFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveAsFile = namedAction(this, "actSaveAsFile");
    actCloseFile = namedAction(this, "actCloseFile");
    actExit = namedAction(this, "actExit");
    actAbout = namedAction(this, "actAbout");
    actScheduleRun = namedAction(this, "actScheduleRun");
    actScheduleRun->setCheckable(true);
    actScheduleStop = namedAction(this, "actScheduleStop");
    actScheduleStop->setCheckable(true);
    actScheduleLog = namedAction(this, "actScheduleLog");

    connect(actNewFile, &QAction::triggered, this, &TFormMain::NewProject);
    connect(actOpenFile, &QAction::triggered, this, &TFormMain::OpenProject);
    connect(actSaveFile, &QAction::triggered, this, &TFormMain::SaveProject);
    connect(actSaveAsFile, &QAction::triggered, this, &TFormMain::SaveProjectAs);
    connect(actCloseFile, &QAction::triggered, this, &TFormMain::CloseProject);
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(actAbout, &QAction::triggered, this, &TFormMain::ShowAbout);
    connect(actScheduleRun, &QAction::triggered, this, &TFormMain::actScheduleRunExecute);
    connect(actScheduleStop, &QAction::triggered, this, &TFormMain::actScheduleStopExecute);
    connect(actScheduleLog, &QAction::triggered, this, &TFormMain::actScheduleLogExecute);
}

void TFormMain::CreateMenus()
{
    // The design texts are placeholders; the language files give the real ones.
    miFile = menuBar()->addMenu(QStringLiteral("File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miFile->addActions({actNewFile, actOpenFile, actSaveFile, actSaveAsFile, actCloseFile});
    miFile->addSeparator();
    miFile->addAction(actExit);

    miSchedule = menuBar()->addMenu(QStringLiteral("Schedule"));
    miSchedule->setObjectName(QStringLiteral("miSchedule"));
    miSchedule->addActions({actScheduleRun, actScheduleStop, actScheduleLog});

    miTools = menuBar()->addMenu(QStringLiteral("Tools"));
    miTools->setObjectName(QStringLiteral("miTools"));
    miLanguageRes = miTools->addMenu(QStringLiteral("Language"));
    miLanguageRes->setObjectName(QStringLiteral("miLanguageRes"));

    miHelp = menuBar()->addMenu(QStringLiteral("Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addAction(actAbout);
}

void TFormMain::CreateToolBar()
{
    tbMain = addToolBar(QStringLiteral("tbMain"));
    tbMain->setObjectName(QStringLiteral("tbMain"));
    tbMain->setMovable(false);
    tbMain->setIconSize(QSize(16, 16));
    auto button = [this](QAction* action, const char* name) {
        auto* toolButton = new QToolButton(tbMain);
        toolButton->setObjectName(QLatin1String(name));
        toolButton->setDefaultAction(action);
        toolButton->setAutoRaise(true);
        toolButton->setFocusPolicy(Qt::TabFocus);
        tbMain->addWidget(toolButton);
        return toolButton;
    };
    tbNewFile = button(actNewFile, "tbNewFile");
    pmOpenFile = new QMenu(this);
    pmOpenFile->setObjectName(QStringLiteral("pmOpenFile"));
    pmOpenFile->addAction(actOpenFile);
    pmOpenFile->addSeparator()->setObjectName(QStringLiteral("pmiOpenFileS1"));
    tbOpenFile = button(actOpenFile, "tbOpenFile");
    tbOpenFile->setMenu(pmOpenFile);
    tbOpenFile->setPopupMode(QToolButton::MenuButtonPopup);
    tbSaveFile = button(actSaveFile, "tbSaveFile");
}

void TFormMain::CreatePanels()
{
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    dplLeft = new TKIVDynamicPanel(central);
    dplLeft->setObjectName(QStringLiteral("dplLeft"));
    auto* leftLayout = new QVBoxLayout(dplLeft);
    leftLayout->setContentsMargins(PanelMargin, PanelMargin, 0, PanelMargin);
    gbxLeft = new QGroupBox(dplLeft);
    gbxLeft->setObjectName(QStringLiteral("gbxLeft"));
    leftLayout->addWidget(gbxLeft);
    auto* treeLayout = new QVBoxLayout(gbxLeft);
    treeLayout->setContentsMargins(2, 2, 2, 2);
    tvProject = new TProjectTree(gbxLeft);
    treeLayout->addWidget(tvProject);
    splLeft = new TKivPanelSplitter(dplLeft, central);
    splLeft->setObjectName(QStringLiteral("splLeft"));
    dplLeft->SetPanelWidth(0);
    splLeft->setEnabled(false);

    auto* right = new QWidget(central);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pnlClient = new QWidget(right);
    pnlClient->setObjectName(QStringLiteral("pnlClient"));
    auto* clientLayout = new QVBoxLayout(pnlClient);
    clientLayout->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
    pnlClient->hide();
    dplBottom = new TKIVDynamicPanel(right);
    dplBottom->setObjectName(QStringLiteral("dplBottom"));
    auto* bottomLayout = new QVBoxLayout(dplBottom);
    bottomLayout->setContentsMargins(PanelMargin, PanelMargin, PanelMargin, PanelMargin);
    dplBottom->SetPanelHeight(0);
    // The centre takes the room above the bottom panel; while it is hidden the room stays
    // empty and the bottom panel keeps its height.
    column->addWidget(pnlClient, 1);
    column->addStretch(0);
    column->addWidget(dplBottom);

    row->addWidget(dplLeft);
    row->addWidget(splLeft);
    row->addWidget(right, 1);
    setCentralWidget(central);

    connect(tvProject, &QTreeWidget::currentItemChanged, this, &TFormMain::tvProjectChange);
    connect(tvProject, &TProjectTree::NodeDestroyed, this, &TFormMain::FrameNodeGone);
}

// ---- caption and modified mark ------------------------------------------------------------

void TFormMain::SetFileName(const QString& path)
{
    FSession.SetFileName(path);
    ShowCaption();
}

void TFormMain::ShowCaption()
{
    setWindowTitle(MainWindowCaption(FSession.FileName(), FModified));
}

void TFormMain::SetModified(bool modified)
{
    if (modified == FModified)
        return;
    FModified = modified;
    ShowCaption();
}

void TFormMain::UpdateCommands()
{
    const bool opened = FProject->Opened;
    for (QAction* action : {actSaveFile, actSaveAsFile, actCloseFile})
        action->setEnabled(opened);
    const TKivScheduleCommands schedule = ScheduleCommandState(*FProject);
    actScheduleRun->setEnabled(schedule.RunEnabled);
    actScheduleRun->setChecked(schedule.RunChecked);
    actScheduleStop->setEnabled(schedule.StopEnabled);
    actScheduleStop->setChecked(schedule.StopChecked);
    actScheduleLog->setEnabled(schedule.LogEnabled);
}

// ---- file commands ------------------------------------------------------------------------

bool TFormMain::CloseProject()
{
    if (FModified) {
        const int answer = ShowLangMessage(StrId::SaveChangesText, StrId::SaveChangesCaption,
                                           KivMsg::YesNoCancel | KivMsg::IconQuestion);
        if (answer == KivMsg::IdCancel)
            return false;
        if (answer == KivMsg::IdYes && !SaveProject())
            return false;
    }
    return ClearProject();
}

bool TFormMain::ClearProject()
{
    FClearing = true;
    // A running schedule stops (with its Stop line, the log's only line) before the project's
    // objects go, so no tick reads a station that is gone.
    FScheduleRunner->ProjectClosing();
    ShowFrames(nullptr, nullptr);
    FProject->Close();
    FSession.Close();
    ClearTree();
    ShowCaption();
    SetModified(false);
    FClearing = false;
    UpdateCommands();
    return true;
}

bool TFormMain::NewProject()
{
    if (!CloseProject())
        return false;
    FProject->Start();
    BuildTree(TreeWidth);
    tvProject->setFocus();
    ShowCaption();
    SetModified(false);
    UpdateCommands();
    return true;
}

bool TFormMain::OpenProject()
{
    TKivFileDialogRequest request;
    request.Mode = TKivFileDialogRequest::Open;
    request.Filter = projectFilter();
    request.DefaultExt = QStringLiteral(".zop");
    request.Folder = ProjectDialogFolder(FRecentFiles.Entries(), FProjectFolder);
    const QString chosen = PromptFileName(request);
    if (chosen.isEmpty())
        return false;
    if (!CloseProject())
        return false;
    return LoadProjectFile(chosen, false);
}

bool TFormMain::LoadProjectFile(const QString& path, bool asUntitled)
{
    TWaitCursor busy;
    const TKivProjectSession::Result result =
        FSession.Open(path, asUntitled, [&] { return ReadProjectFileInto(path); });
    if (result == TKivProjectSession::Result::LockRefused)
        ShowTextMessage(FSession.ErrorText(), StrId::OpenFailedCaption, KivMsg::IconWarning);
    if (result != TKivProjectSession::Result::Done)
        return false;
    BuildTree(TreeWidth);
    tvProject->setFocus();
    SetModified(false);
    ShowCaption();
    FRecentFiles.Add(FSession.FileName());
    UpdateCommands();
    return true;
}

bool TFormMain::ReadProjectFileInto(const QString& path)
{
    // Loading replaces the project's objects; a schedule still running on them stops.
    if (FScheduleRunner->IsRunning())
        FScheduleRunner->ProjectClosing();
    bool isProject = false;
    try {
        isProject = ReadProjectFile(path, *FProject);
    } catch (const TamsorError& error) {
        ShowTextMessage(error.message(), StrId::OpenFailedCaption, KivMsg::IconError);
        return false;
    }
    if (!isProject) {
        // The old project is closed already: say why nothing opened.
        ShowTextMessage(FormatLangText(GetLangString(StrId::NotAProjectFile),
                                       {QDir::toNativeSeparators(path)}),
                        StrId::OpenFailedCaption, KivMsg::IconWarning);
        return false;
    }
    return true;
}

bool TFormMain::SaveProject()
{
    if (FSession.FileName().isEmpty())
        return SaveProjectAs();
    return SaveProjectFile(FSession.FileName());
}

bool TFormMain::SaveProjectAs()
{
    TKivFileDialogRequest request;
    request.Mode = TKivFileDialogRequest::Save;
    request.Filter = projectFilter();
    request.DefaultExt = QStringLiteral(".zop");
    request.Folder = ProjectDialogFolder(FRecentFiles.Entries(), FProjectFolder);
    if (!FSession.FileName().isEmpty())
        request.FileName = ProjectFilePath(FSession.FileName());
    const QString chosen = PromptFileName(request);
    if (chosen.isEmpty())
        return false;
    // Asked about the file that will be written, which always ends in ".zop".
    if (QFileInfo::exists(ProjectFilePath(chosen)) &&
        ShowLangMessage(StrId::OverwriteText, StrId::OverwriteCaption,
                        KivMsg::YesNo | KivMsg::IconWarning) != KivMsg::IdYes)
        return false;
    return SaveProjectFile(chosen);
}

bool TFormMain::SaveProjectFile(const QString& path)
{
    TWaitCursor busy;
    const QString file = ProjectFilePath(path);
    const TKivProjectSession::Result result =
        FSession.Save(file, [&] { return WriteProjectFileFrom(file); });
    if (result == TKivProjectSession::Result::LockRefused)
        ShowTextMessage(FSession.ErrorText(), StrId::SaveFailedCaption, KivMsg::IconWarning);
    if (result != TKivProjectSession::Result::Done)
        return false;
    ShowCaption();
    SetModified(false);
    FRecentFiles.Add(file);
    return true;
}

bool TFormMain::WriteProjectFileFrom(const QString& file)
{
    try {
        WriteProjectFile(file, *FProject);
    } catch (const TamsorError& error) {
        // The old file and the project in memory are as they were; the mark stays.
        ShowTextMessage(error.message(), StrId::SaveFailedCaption, KivMsg::IconError);
        return false;
    }
    return true;
}

void TFormMain::RecentFileClick(const QString& path)
{
    if (CloseProject())
        LoadProjectFile(path, false);
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FFirstActivate && FArguments.size() == 1) {
        FFirstActivate = false;
        AutoOpenFileTimer->start();
    }
}

void TFormMain::SetCommandLine(const QStringList& arguments)
{
    const QDir startFolder = QDir::current();
    FArguments.clear();
    for (const QString& argument : arguments)
        FArguments << (argument.isEmpty() ? argument
                                          : QDir::cleanPath(startFolder.absoluteFilePath(argument)));
}

void TFormMain::AutoOpenFileTimerTimer()
{
    AutoOpenFileTimer->stop();
    // A project the user opened or began meanwhile is not replaced without being asked.
    if (FArguments.size() == 1 && !FProject->Opened)
        LoadProjectFile(FArguments.first(), false);
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (CloseProject())
        event->accept();
    else
        event->ignore();
}

// ---- project tree and frames ----------------------------------------------------------------

void TFormMain::BuildTree(int width)
{
    tvProject->setUpdatesEnabled(false);
    FClearing = true;
    tvProject->RemoveAll();
    FClearing = false;
    TKivTreeNode* top = tvProject->AddEntries(nullptr, ProjectTreeEntries(*FProject));
    tvProject->expandAll();
    tvProject->setCurrentItem(top);
    tvProject->setUpdatesEnabled(true);
    dplLeft->Dynamic(TKIVDynamicPanel::WidthIndex, width, splLeft);
}

void TFormMain::ClearTree()
{
    tvProject->setUpdatesEnabled(false);
    const bool clearing = std::exchange(FClearing, true);
    tvProject->RemoveAll();
    FClearing = clearing;
    tvProject->setUpdatesEnabled(true);
    ShowFrames(nullptr, nullptr);
    dplLeft->Dynamic(TKIVDynamicPanel::WidthIndex, 0, splLeft);
}

void TFormMain::tvProjectChange()
{
    if (FClearing)
        return;
    TKivTreeNode* node = tvProject->CurrentNode();
    if (node)
        ShowFrames(node->Object(), node);
    else
        ShowFrames(nullptr, nullptr);
}

void TFormMain::ShowFrames(TKivPersistent* object, TKivNode* node)
{
    ShowBottomFrame(object, node);
    ShowClientFrame(object, node);
}

TFrameBase* TFormMain::Frame(const QString& className)
{
    if (className.isEmpty())
        return nullptr;
    if (TFrameBase* frame = FFrames.value(className))
        return frame;
    TFrameBase* frame = CreateFrame(className);
    if (frame)
        FFrames.insert(className, frame);
    return frame;
}

bool TFormMain::ShowFrame(const QString& className, QWidget* panel, TFrameBase*& shown,
                          TKivPersistent* object, TKivNode* node)
{
    TFrameBase* frame = object ? Frame(className) : nullptr;
    if (!frame)
        return false;
    if (shown && shown != frame)
        shown->hide();
    shown = frame;
    return frame->Attach(panel, object, node);
}

bool TFormMain::ShowBottomFrame(TKivPersistent* object, TKivNode* node)
{
    const QString className = object ? FrameClassesFor(object->ClassName()).Bottom : QString();
    TFrameBase* frame = object ? Frame(className) : nullptr;
    if (!frame) {
        SlideBottom(0);
        return false;
    }
    const bool attached = ShowFrame(className, dplBottom, FBottomFrame, object, node);
    if (attached)
        SlideBottom(BottomHeight(frame));
    return attached;
}

bool TFormMain::ShowClientFrame(TKivPersistent* object, TKivNode* node)
{
    const QString className = object ? FrameClassesFor(object->ClassName()).Client : QString();
    TFrameBase* frame = object ? Frame(className) : nullptr;
    if (!frame) {
        pnlClient->hide();
        return false;
    }
    const bool attached = ShowFrame(className, pnlClient, FClientFrame, object, node);
    if (attached)
        pnlClient->show();
    return attached;
}

int TFormMain::BottomHeight(const TFrameBase* frame) const
{
    // The design height, or more when the language's texts and font need more room.
    const int content = qMax(frame->DesignHeight(), frame->minimumSizeHint().height());
    return content + 2 * PanelMargin;
}

void TFormMain::SlideBottom(int height)
{
    if (FAnimateBottom)
        dplBottom->Dynamic(TKIVDynamicPanel::HeightIndex, height);
    else
        dplBottom->SetPanelHeight(height);
}

void TFormMain::FrameHeightChanged(TFrameBase* frame)
{
    if (frame && frame == FBottomFrame && frame->parentWidget() == dplBottom && !frame->isHidden())
        SlideBottom(BottomHeight(frame));
}

void TFormMain::FrameNodeGone(const TKivNode* node)
{
    for (TFrameBase* frame : std::as_const(FFrames))
        frame->ForgetNode(node);
}

TKivNode* TFormMain::AddTreeNodes(TKivNode* parent, const QList<TKivTreeEntry>& entries)
{
    return tvProject->AddEntries(dynamic_cast<TKivTreeNode*>(parent), entries);
}

void TFormMain::SelectTreeNode(TKivNode* node)
{
    if (auto* item = dynamic_cast<TKivTreeNode*>(node))
        tvProject->setCurrentItem(item);
}

void TFormMain::ExpandTreeNode(TKivNode* node)
{
    if (auto* item = dynamic_cast<TKivTreeNode*>(node))
        item->setExpanded(true);
}

void TFormMain::DeleteTreeObjects(const std::function<void()>& destroy)
{
    const bool clearing = std::exchange(FClearing, true);
    destroy();
    FClearing = clearing;
    tvProjectChange();
}

// ---- language and about ---------------------------------------------------------------------

void TFormMain::ApplyLanguageTexts()
{
    ApplyLanguage(this);
    ApplyLanguageFont(this);
    NameFromLabels(this);
    tvProject->setAccessibleName(gbxLeft->title());
    ShowCaption();
    RefreshNodeTexts();
    // Choice lists and captions built from language texts are filled again.
    for (TFrameBase* frame : {FBottomFrame, FClientFrame})
        if (frame && frame->Object() && !frame->isHidden())
            frame->Attach(nullptr, frame->Object(), frame->Node());
    if (FBottomFrame && !FBottomFrame->isHidden())
        FrameHeightChanged(FBottomFrame);
}

void TFormMain::RefreshNodeTexts()
{
    for (TKivTreeNode* node : tvProject->Nodes())
        if (node->Object())
            node->SetText(node->Object()->GetCaption());
}

void TFormMain::miLanguageExecute(int localeId)
{
    TWaitCursor busy;
    StoreLanguageChoice(localeId);
    if (LanguageResources.SelectLanguage(localeId) != 0) {
        QApplication::exit(1);
        return;
    }
    ApplyLanguageToApplication();
    for (TFrameBase* frame : std::as_const(FFrames))
        NameFromLabels(frame);
    ApplyLanguageTexts();
}

void TFormMain::ShowAbout()
{
    if (!FAbout)
        FAbout = new TFormAbout(this);
    FAbout->setWindowTitle(GetLangString(StrId::AboutCaption));
    FAbout->ShowTexts();
    FAbout->show();
    FAbout->raise();
    FAbout->activateWindow();
}

// ---- schedule -------------------------------------------------------------------------------

void TFormMain::CreateSchedule()
{
    FScheduleClock = TScheduleRunner::SystemClock();
    FScheduleStarter =
        std::make_unique<TReadStationStarter>([this] { return FSession.FileName(); });
    // The read window still showing a manual read holds the one read there is: wait for it.
    FScheduleStarter->SetBusyCheck([this] { return ReadWindowShowing(); });
    // A scheduled read that stores an image changes the station: the project has unsaved
    // changes, and closing it asks to save them. A failed read changes nothing that is saved.
    FScheduleStarter->SetImageStored([this](TKivStation&) { SetModified(true); });
    FScheduleRunner = std::make_unique<TScheduleRunner>(*FProject, *FScheduleStarter,
                                                        [this] { return FScheduleClock(); });
    FScheduleRunner->SetReportWriter([this](const TKivStation& station) {
        WriteScheduledReports(station, FReportRoot, FSession.FileName());
    });
    // The history of every stored image, the schedule's and the user's reads alike; the store
    // is opened at the first read.
    FHistory = std::make_unique<THistoryRecorder>(*FProject, [this] { return FileName(); });
    SetProgramHistoryRecorder(FHistory.get());
    FScheduleRunner->SetHistoryCheck(
        [this](const TKivStation& station) { return FHistory->TakeNotice(station); });

    tmSchedule = new QTimer(this);
    tmSchedule->setObjectName(QStringLiteral("tmSchedule"));
    tmSchedule->setInterval(1000);
    connect(tmSchedule, &QTimer::timeout, this, &TFormMain::tmScheduleTimer);

    FormLog = new TFormLog(this);
    connect(FScheduleRunner.get(), &TScheduleRunner::RunningChanged, this,
            &TFormMain::ScheduleRunningChanged);
    connect(FScheduleRunner.get(), &TScheduleRunner::LineAdded, FormLog, &TFormLog::AppendLine);
    connect(FScheduleRunner.get(), &TScheduleRunner::LogCleared, FormLog, &TFormLog::ClearLines);
}

const TScheduleLog& TFormMain::ScheduleLog() const
{
    return FScheduleRunner->Log();
}

void TFormMain::actScheduleRunExecute()
{
    const bool started = FProject->Opened && !FScheduleRunner->IsRunning();
    if (started)
        FScheduleRunner->Run();
    // A click on a checked item takes its mark away; the marks are the runner's.
    UpdateCommands();
    if (started)
        actScheduleLogExecute();
}

void TFormMain::actScheduleStopExecute()
{
    FScheduleRunner->Stop();
    UpdateCommands();
}

void TFormMain::actScheduleLogExecute()
{
    FormLog->setWindowTitle(GetLangString(StrId::ScheduleLogCaption));
    FormLog->SetLines(FScheduleRunner->Log().Text());
    FormLog->ShowLog();
}

void TFormMain::tmScheduleTimer()
{
    FScheduleRunner->Tick();
}

void TFormMain::ScheduleRunningChanged(bool running)
{
    if (running)
        tmSchedule->start();
    else
        tmSchedule->stop();
    UpdateCommands();
}

bool TFormMain::ReadWindowShowing() const
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<TFormCommunication*>(window) && window->isVisible())
            return true;
    return false;
}
