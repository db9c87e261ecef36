#pragma once

#include "FrameBase.h"
#include "model/KivProjectSession.h"
#include "settings/KivRecentFile.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class TFormAbout;
class TFormLog;
class TKIVDynamicPanel;
class TKivPanelSplitter;
class TKivRecentMenuUi;
class TKivTamsor;
class THistoryRecorder;
class TProjectTree;
class TReadStationStarter;
class TScheduleLog;
class TScheduleRunner;

// The main window: the project tree on the left, a definition editor in the centre, a settings
// or result frame below it, the toolbar and the menus. It keeps one project root for the whole
// run; New, Open and Close change its contents. Frames report their changes through the
// TFrameHost side.
class TFormMain : public QMainWindow, public TFrameHost
{
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The arguments after the program's name; exactly one names a project to open about one
    // second after the window first shows. A relative path is taken against the current folder
    // at once, so the caption and the recent list name a file that opens from anywhere.
    void SetCommandLine(const QStringList& arguments);

    // File commands. The boolean ones return false when the user cancelled or the step failed.
    bool NewProject();
    bool OpenProject();
    bool SaveProject();
    bool SaveProjectAs();
    bool CloseProject();
    bool ClearProject();
    bool LoadProjectFile(const QString& path, bool asUntitled);
    bool SaveProjectFile(const QString& path);
    void RecentFileClick(const QString& path);

    // Names the project's file and shows it in the caption; the lock stays as it is, and a save
    // to that file takes its lock first.
    void SetFileName(const QString& path);
    QString FileName() const { return FSession.FileName(); }
    bool Modified() const { return FModified; }
    TKivTamsor& Project() const override { return *FProject; }
    TKivRecentFile& RecentFiles() { return FRecentFiles; }
    QString ReportRoot() const { return FReportRoot; }
    QString ProjectFolder() const { return FProjectFolder; }
    // The folder the schedule writes its reports under (the documents folder's by default).
    void SetReportRoot(const QString& root) { FReportRoot = root; }
    // How long opening or saving a project waits for another program to let its file go
    // (three seconds unless set).
    void SetProjectLockWait(int waitMs) { FSession.SetLockWait(waitMs); }

    // Project tree and frames.
    void BuildTree(int width);
    void ClearTree();
    void ShowFrames(TKivPersistent* object, TKivNode* node);
    bool ShowBottomFrame(TKivPersistent* object, TKivNode* node);
    bool ShowClientFrame(TKivPersistent* object, TKivNode* node);
    TFrameBase* BottomFrame() const { return FBottomFrame; }
    TFrameBase* ClientFrame() const { return FClientFrame; }
    // The one instance of a frame class, made on first use; null for an unknown class.
    TFrameBase* Frame(const QString& className);
    // The bottom panel slides to a frame's height on a machine with more than one processor
    // and changes at once otherwise.
    void SetAnimateBottom(bool animate) { FAnimateBottom = animate; }

    // Applies the current language's texts and font to this window and everything in it, and
    // refreshes the texts the program builds itself (caption, node captions, shown frames).
    void ApplyLanguageTexts();
    // The click on a language item: stores the choice, selects the language and re-texts every
    // window. Ends the program when no language can be selected.
    void miLanguageExecute(int localeId);
    // Enable and check states of the commands that depend on the project (File and Schedule).
    void UpdateCommands();
    void ShowAbout();

    // Schedule commands: Run starts the schedule and opens its log, Stop stops it, Log shows
    // the log window.
    void actScheduleRunExecute();
    void actScheduleStopExecute();
    void actScheduleLogExecute();
    // One tick of the schedule (tmSchedule, every 1000 ms while it runs).
    void tmScheduleTimer();
    TScheduleRunner& ScheduleRunner() const { return *FScheduleRunner; }
    const TScheduleLog& ScheduleLog() const;
    // The schedule's clock, milliseconds since 1970; the system clock unless replaced.
    void SetScheduleClock(std::function<qint64()> clock) { FScheduleClock = std::move(clock); }

    QMenu* LanguageMenu() const { return miLanguageRes; }
    TFormAbout* FormAbout() const { return FAbout; }

    // TFrameHost
    void SetModified(bool modified) override;
    QString ProjectFileName() const override { return FSession.FileName(); }
    TKivNode* AddTreeNodes(TKivNode* parent, const QList<TKivTreeEntry>& entries) override;
    void SelectTreeNode(TKivNode* node) override;
    void ExpandTreeNode(TKivNode* node) override;
    void DeleteTreeObjects(const std::function<void()>& destroy) override;
    void FrameHeightChanged(TFrameBase* frame) override;

    // Components, named as in the language files.
    QToolBar* tbMain;
    QToolButton* tbNewFile;
    QToolButton* tbOpenFile;
    QToolButton* tbSaveFile;
    QMenu* pmOpenFile;
    QMenu* miFile;
    QMenu* miSchedule;
    QMenu* miTools;
    QMenu* miLanguageRes;
    QMenu* miHelp;
    QAction* actNewFile;
    QAction* actOpenFile;
    QAction* actSaveFile;
    QAction* actSaveAsFile;
    QAction* actCloseFile;
    QAction* actExit;
    QAction* actAbout;
    QAction* actScheduleRun;
    QAction* actScheduleStop;
    QAction* actScheduleLog;
    TKIVDynamicPanel* dplLeft;
    QGroupBox* gbxLeft;
    TProjectTree* tvProject;
    TKivPanelSplitter* splLeft;
    TKIVDynamicPanel* dplBottom;
    QWidget* pnlClient;
    QTimer* AutoOpenFileTimer;
    QTimer* tmSchedule;
    TFormLog* FormLog;

    void AutoOpenFileTimerTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreatePanels();
    void CreateSchedule();
    void ScheduleRunningChanged(bool running);
    bool ReadWindowShowing() const;
    void tvProjectChange();
    void FrameNodeGone(const TKivNode* node);
    void SlideBottom(int height);
    int BottomHeight(const TFrameBase* frame) const;
    bool ShowFrame(const QString& className, QWidget* panel, TFrameBase*& shown,
                   TKivPersistent* object, TKivNode* node);
    void RefreshNodeTexts();
    void ShowCaption();
    bool ReadProjectFileInto(const QString& path);
    bool WriteProjectFileFrom(const QString& file);

    // The open project's file and its lock. A project in a folder where no lock file can be
    // made is shown without one: nobody can save it there either.
    TKivProjectSession FSession{TKivProjectSession::Unlockable::OpenUnlocked};
    bool FModified = false;
    std::unique_ptr<TKivTamsor> FProject;
    std::unique_ptr<THistoryRecorder> FHistory; // records every image stored in FProject
    TKivRecentFile FRecentFiles;
    TKivRecentMenuUi* FRecentMenu = nullptr;
    QString FProjectFolder;
    QString FReportRoot;
    TFrameBase* FClientFrame = nullptr;
    TFrameBase* FBottomFrame = nullptr;
    QHash<QString, TFrameBase*> FFrames;
    bool FClearing = false;
    bool FFirstActivate = true;
    bool FAnimateBottom = true;
    QStringList FArguments;
    TFormAbout* FAbout = nullptr;
    std::function<qint64()> FScheduleClock;
    std::unique_ptr<TReadStationStarter> FScheduleStarter;
    // Declared last: it refers to the project and the starter, so it goes before them.
    std::unique_ptr<TScheduleRunner> FScheduleRunner;
};
