// The widget side of the language resources, on real widgets (QT_QPA_PLATFORM=offscreen).
#include "LangTestFolder.h"
#include "LangUi.h"
#include "MainForm.h"
#include "RecentMenu.h"
#include "lang/KivLangApply.h"
#include "lang/KivLanRes.h"
#include "settings/KivRegistry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{

class LangUiTest : public ::testing::Test
{
protected:
    void SetUp() override { InstallUiLanguageSupport(); }
    void TearDown() override
    {
        LanguageResources.Discover(folder.path() + QStringLiteral("/none"));
    }
    void install(int id, const QString& strTab, const QString& strRes = QString())
    {
        folder.language(id, strTab, strRes);
        LanguageResources.Discover(folder.path());
        ASSERT_EQ(LanguageResources.SelectLanguage(id), 0);
    }
    template <class T> T* named(QWidget* parent, const char* name)
    {
        auto* widget = new T(parent);
        widget->setObjectName(QLatin1String(name));
        if (parent && parent->layout())
            parent->layout()->addWidget(widget);
        return widget;
    }
    LangTestFolder folder;
};

TEST_F(LangUiTest, FillComboWithValuesExample)
{
    install(1033, QStringLiteral("STR02040=3\nSTR02041=0 None\nSTR02042=3600-1 hour\n"
                                 "STR02043=86400:1 day\n"));
    QComboBox combo;
    FillComboWithValues(&combo, 2040, 86400);
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0), u"None");
    EXPECT_EQ(combo.itemText(1), u"1 hour");
    EXPECT_EQ(combo.itemText(2), u"1 day");
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(ComboValue(&combo), 86400);
    FillComboWithValues(&combo, 2040, 3600);
    EXPECT_EQ(ComboValue(&combo), 3600);
    FillComboWithValues(&combo, 2040, 60);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(ComboValue(&combo), -1);
}

TEST_F(LangUiTest, FillComboWithValuesPicksTheLastMatchAndEmptyListsChangeNothing)
{
    install(1033, QStringLiteral("STR02100=3\nSTR02101=1 a\nSTR02102=1 b\nSTR02103=2 c\n"
                                 "STR02220=2\nSTR02221=hh:mm\nSTR02222=e/MM/dd\n"
                                 "STR02200=zero\n"));
    QComboBox combo;
    FillComboWithValues(&combo, 2100, 1);
    EXPECT_EQ(combo.currentIndex(), 1);

    combo.setEditable(true);
    FillComboFromLang(&combo, 2220);
    EXPECT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentIndex(), -1);
    EXPECT_EQ(combo.itemText(1), u"e/MM/dd");

    FillComboFromLang(&combo, 2200); // count not a number: left as it was
    FillComboWithValues(&combo, 2300, 0);
    EXPECT_EQ(combo.count(), 2);
}

TEST_F(LangUiTest, ApplyLanguageSetsTextsByComponentPath)
{
    install(1033, QStringLiteral("STR01200=Save\nSTR01000=Tamsor\nSTR09018=No.\n"),
            QStringLiteral("FormTest.Caption=STR01000\n"
                           "FormTest.miFile.Caption=File\n"
                           "FormTest.miSave.Caption=STR01200.\n"
                           "FormTest.miSave.Hint=Save the project\n"
                           "FormTest.gbxLeft.Caption=STR01200.\n"
                           "FormTest.lblName.Caption=STR01200:\n"
                           "FormTest.btnOK.Caption=OK\n"
                           "FormTest.btnOK.Hint=STR09999\n"
                           "FormTest.tbSave.Caption=Not for an action button\n"
                           "FormTest.moNotes.Lines=\"first, line\",second\n"
                           "FormTest.sgGrid.Columns[0].Caption=STR09018\n"
                           "FormTest.sgGrid.Columns[1].Caption=Value\n"
                           "FormTest.tvTree.Columns[1].Caption=Right\n"
                           "FrameInner.lblInner.Caption=Inner\n"
                           "FormTest.lblInner.Caption=wrong path\n"
                           "FormTest.lblDeep.Caption=Deep\n"));
    QMainWindow form;
    form.setObjectName(QStringLiteral("FormTest"));
    QMenu* miFile = form.menuBar()->addMenu(QStringLiteral("design"));
    miFile->setObjectName(QStringLiteral("miFile"));
    QAction* miSave = miFile->addAction(QStringLiteral("design"));
    miSave->setObjectName(QStringLiteral("miSave"));
    auto* central = new QWidget; // unnamed: looked through
    central->setLayout(new QVBoxLayout);
    form.setCentralWidget(central);
    auto* gbxLeft = named<QGroupBox>(central, "gbxLeft");
    gbxLeft->setLayout(new QVBoxLayout);
    auto* lblName = named<QLabel>(gbxLeft, "lblName");
    auto* lblDeep = named<QLabel>(named<QWidget>(gbxLeft, "pnlInner"), "lblDeep");
    auto* lblKeep = named<QLabel>(central, "lblKeep");
    lblKeep->setText(QStringLiteral("design"));
    auto* btnOK = named<QPushButton>(central, "btnOK");
    btnOK->setToolTip(QStringLiteral("design"));
    auto* tbSave = named<QToolButton>(central, "tbSave");
    tbSave->setDefaultAction(miSave);
    auto* moNotes = named<QPlainTextEdit>(central, "moNotes");
    auto* sgGrid = named<QTableWidget>(central, "sgGrid");
    sgGrid->setColumnCount(2);
    auto* tvTree = named<QTreeWidget>(central, "tvTree");
    tvTree->setColumnCount(2);
    auto* frame = named<QWidget>(central, "FrameInner");
    frame->setProperty(KivOwnsComponents, true);
    auto* lblInner = named<QLabel>(frame, "lblInner");

    ApplyLanguage(&form);

    EXPECT_EQ(form.windowTitle(), u"Tamsor");
    EXPECT_EQ(miFile->title(), u"File");
    EXPECT_EQ(miSave->text(), u"Save ...");
    EXPECT_EQ(miSave->toolTip(), u"Save the project");
    EXPECT_EQ(gbxLeft->title(), u"Save ...");
    EXPECT_EQ(lblName->text(), u"Save:");
    EXPECT_EQ(lblDeep->text(), u"Deep");
    EXPECT_EQ(lblKeep->text(), u"design");
    EXPECT_EQ(btnOK->text(), u"OK");
    EXPECT_EQ(btnOK->toolTip(), QString());        // a reference to a missing text empties it
    EXPECT_EQ(tbSave->text(), miSave->iconText()); // from its action, not its own entry
    EXPECT_EQ(moNotes->toPlainText(), u"first, line\nsecond");
    EXPECT_EQ(sgGrid->horizontalHeaderItem(0)->text(), u"No.");
    EXPECT_EQ(sgGrid->horizontalHeaderItem(1)->text(), u"Value");
    EXPECT_EQ(tvTree->headerItem()->text(1), u"Right");
    EXPECT_EQ(lblInner->text(), u"Inner");

    ApplyTexts(QStringLiteral("FrameInner"), frame);
    EXPECT_EQ(lblInner->text(), u"Inner");
}

TEST_F(LangUiTest, NothingHappensWithoutALanguage)
{
    LanguageResources.Discover(folder.path());
    QLabel label(QStringLiteral("design"));
    label.setObjectName(QStringLiteral("lbl"));
    ApplyLanguage(&label);
    EXPECT_EQ(label.text(), u"design");
}

TEST_F(LangUiTest, LanguageMenuMarksTheSelectedLanguage)
{
    folder.language(1033);
    folder.language(1031);
    LanguageResources.Discover(folder.path());
    ASSERT_EQ(LanguageResources.SelectLanguage(1031), 0);
    QMenu menu;
    int clicked = 0;
    BuildLanguageMenu(&menu, [&](int id) { clicked = id; });
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->data().toInt(), 1031);
    EXPECT_EQ(actions[0]->text(), u"Deutsch");
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_FALSE(actions[1]->isChecked());

    LanguageResources.SelectLanguage(1033);
    EXPECT_FALSE(actions[0]->isChecked());
    EXPECT_TRUE(actions[1]->isChecked());
    actions[0]->trigger();
    EXPECT_EQ(clicked, 1031);
}

TEST_F(LangUiTest, MessageBoxButtonsIconsAndAnswers)
{
    const struct {
        unsigned flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        int result;
    } cases[] = {
        {35, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Cancel, 2},
        {35, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Yes, 6},
        {52, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, 7},
        {48, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok, 1},
    };
    for (const auto& c : cases) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible())
                    continue;
                seen = true;
                EXPECT_EQ(box->icon(), c.icon);
                EXPECT_EQ(box->standardButtons(), c.buttons);
                EXPECT_EQ(box->windowTitle(), u"Caption");
                box->button(c.press)->click();
            }
        });
        EXPECT_EQ(ShowMessageBox(QStringLiteral("Text"), QStringLiteral("Caption"), c.flags),
                  c.result);
        EXPECT_TRUE(seen);
    }
}

TEST_F(LangUiTest, RecentMenuItemsFollowTheAnchorAndSeparator)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zop"));
    QFile(path).open(QIODevice::WriteOnly);
    QMenu menu;
    QAction* anchor = menu.addAction(QStringLiteral("Open"));
    menu.addSeparator();
    QString opened;
    TKivRecentMenuUi recentMenu(&menu, anchor, [&](const QString& p) { opened = p; });
    TKivRecentFile recent;
    recent.SetMenu(&recentMenu);
    recent.Rebuild(10);
    EXPECT_EQ(menu.actions().size(), 2);
    recent.Add(path);
    recent.Add(path);
    ASSERT_EQ(menu.actions().size(), 3);
    QAction* item = menu.actions().at(2);
    EXPECT_EQ(item->text(), QStringLiteral("&0 : ") + path);
    EXPECT_EQ(item->toolTip(), path);
    item->trigger();
    EXPECT_EQ(opened, path);
}

TEST_F(LangUiTest, MainWindowSwitchesLanguageAndStoresTheChoice)
{
    const QString strRes = QStringLiteral("FormMain.Caption=STR01000\n"
                                          "FormMain.miTools.Caption=STR01012\n");
    folder.language(1033, QStringLiteral("STR01000=Tamsor\nSTR01012=&Tools\n"), strRes);
    folder.language(2052,
                    QStringLiteral("STR01000=Tamsor\nSTR01012=工具(&T)\n"
                                   "Font.Name=Noto Sans CJK SC\nFont.Size=9\n"),
                    strRes);
    LanguageResources.Discover(folder.path());
    ASSERT_EQ(LanguageResources.SelectLanguage(1033), 0);
    TFormMain form;
    ApplyLanguage(&form);
    ApplyLanguageFont(&form);
    EXPECT_EQ(form.windowTitle(), u"Tamsor");
    EXPECT_EQ(form.font().pointSize(), 8);
    QMenu* tools = form.findChild<QMenu*>(QStringLiteral("miTools"));
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->title(), u"&Tools");
    ASSERT_EQ(form.LanguageMenu()->actions().size(), 2);

    form.LanguageMenu()->actions().at(1)->trigger(); // 2052, in folder order
    EXPECT_EQ(LanguageResources.Current->LocaleId, 2052);
    EXPECT_EQ(tools->title(), u"工具(&T)");
    EXPECT_EQ(form.font().pointSize(), 9);
    EXPECT_EQ(form.font().family(), u"Noto Sans CJK SC");
    EXPECT_TRUE(form.LanguageMenu()->actions().at(1)->isChecked());

    uchar stored[4] = {};
    TKivRegistry(KivSettings::KeyPath, TKivRegistry::ModeRead)
        .ExchangeBinary(KivSettings::DefaultSubKey, KivSettings::LocalId, 4, stored);
    EXPECT_EQ(qFromLittleEndian<qint32>(stored), 2052);
}

} // namespace
