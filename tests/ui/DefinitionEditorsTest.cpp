// The definition editors and result frames in the main window with the demo project open:
// grids that match the report files, refreshes after a read, setup edits reaching the grid, the
// reports and the saved project, the modified mark, export with its prompt and its failure, the
// logs' charts, and texts and names in every shipped language.
#include "AlarmEditFrame.h"
#include "AlarmSetupBox.h"
#include "ColumnSetupBox.h"
#include "DataRecordChart.h"
#include "DataRecordEditFrame.h"
#include "GridTestSupport.h"
#include "LangUi.h"
#include "MainWindowTest.h"
#include "RecipeEditFrame.h"
#include "ResultFrame.h"
#include "TableGrid.h"
#include "comm/ReadStation.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivFileInf.h"
#include "model/KivTamsor.h"
#include "reports/KivStationReports.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

class EditorsTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
        station = form->Project().Channels->Items(0)->Stations.Items(0);
    }

    void read() { ASSERT_TRUE(ReadStation(*station, true, form->FileName())); }
    TFrameTableEdit* editor() { return client<TFrameTableEdit>(); }
    TFrameTableResult* result() { return dynamic_cast<TFrameTableResult*>(form->BottomFrame()); }
    TKivRecipe* recipe(int i) { return station->Recipes->Items(i); }
    TKivDataRecord* record(int i) { return station->DataRecords->Items(i); }
    QString cell(int row, int column)
    {
        return editor()->TableModel()->index(row, column).data().toString();
    }
    void makeCurrent(int row, int column)
    {
        TTableGrid* grid = editor()->Grid();
        const QRect rect = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
    static void pick(QComboBox* combo, int value)
    {
        const int index = combo->findData(value);
        ASSERT_GE(index, 0) << value;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    QList<TKivNode*> tableNodes()
    {
        QList<TKivNode*> nodes;
        for (const TKivRecipe* r : *station->Recipes)
            nodes << r->Node;
        for (const TKivDataRecord* r : *station->DataRecords)
            nodes << r->Node;
        return nodes << station->Alarms->Node;
    }
    // The editors' views of the history store (none stored here: they say so) name their
    // controls and show their texts whole too.
    void expectStoredViewsFit()
    {
        const auto expectFit = [this](const char* view) {
            QCoreApplication::processEvents();
            const QStringList unnamed = UnnamedControls(editor());
            EXPECT_TRUE(unnamed.isEmpty()) << view << ": " << qPrintable(unnamed.join(u", "));
            const QStringList cut = CutTexts(editor());
            EXPECT_TRUE(cut.isEmpty()) << view << ": " << qPrintable(cut.join(u", "));
        };
        if (auto* log = client<TFrameDataRecordEdit>()) {
            log->ShowChart(true);
            log->ShowRange(THistoryRange::All);
            expectFit("stored chart");
            log->ShowRange(THistoryRange::Ring);
            log->ShowChart(false);
        } else if (auto* alarms = client<TFrameAlarmEdit>()) {
            alarms->ShowStored(true);
            expectFit("stored alarms");
            alarms->ShowStored(false);
        }
    }

    TKivStation* station = nullptr;
};

} // namespace

TEST_F(EditorsTest, EveryTableShowsAndExportsWhatTheReportTreeHolds)
{
    read();
    const StationReportsResult reports =
        WriteStationFolderReports(*station, dir.filePath(QStringLiteral("reports")));
    const QList<TKivNode*> nodes = tableNodes();
    ASSERT_EQ(reports.Files.size(), nodes.size());
    for (int i = 0; i < nodes.size(); ++i) {
        select(nodes[i]);
        ASSERT_NE(editor(), nullptr) << i;
        ASSERT_NE(result(), nullptr) << i;
        SCOPED_TRACE(qPrintable(editor()->gbxCaption->title()));
        EXPECT_FALSE(form->pnlClient->isHidden());
        EXPECT_EQ(result()->gbxCaption->title(), editor()->gbxCaption->title());
        EXPECT_EQ(GridLines(*editor()->TableModel()), ReportLines(reports.Files[i]));

        const QString exported = dir.filePath(QStringLiteral("export%1.txt").arg(i));
        files << exported;
        result()->btnExportTxt->click();
        EXPECT_EQ(bytes(exported), bytes(reports.Files[i]));
    }
    EXPECT_EQ(dialogs.size(), nodes.size());
    EXPECT_EQ(dialogs[0].Mode, TKivFileDialogRequest::Save);
    EXPECT_EQ(dialogs[0].DefaultExt, u".txt");
    EXPECT_EQ(dialogs[0].FileName, u"Bread dough.txt");
    EXPECT_TRUE(prompts.isEmpty());
    EXPECT_FALSE(form->Modified()) << "export changes nothing in the project";
}

TEST_F(EditorsTest, NeverReadStationShowsZerosThenFollowsARead)
{
    select(recipe(0)->Node);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(result()->lblMessage->text(), GetLangString(StrId::NeverRead));
    const TKivTableModel* model = editor()->TableModel();
    ASSERT_EQ(model->rowCount(), 8);
    static const QRegularExpression formattedZero(QStringLiteral("^0+(\\.0+)?$"));
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            EXPECT_TRUE(formattedZero.match(cell(r, c)).hasMatch()) << qPrintable(cell(r, c));
    makeCurrent(2, 3);

    read(); // the grid and the last-read line follow without a new selection
    EXPECT_TRUE(
        result()->lblMessage->text().startsWith(GetLangString(StrId::ReadAt).section(u'%', 0, 0)));
    EXPECT_TRUE(cell(0, 0).startsWith(u"25")) << qPrintable(cell(0, 0));
    EXPECT_EQ(editor()->Grid()->currentIndex(), model->index(2, 3)) << "the place is kept";

    // A log whose header does not check out shows one empty row; a read fills it.
    station->RegisterImage = ZeroRegisterImage();
    select(record(0)->Node);
    EXPECT_EQ(editor()->TableModel()->rowCount(), 1);
    EXPECT_TRUE(editor()->TableModel()->IsPlaceholderRow(0));
    EXPECT_EQ(GridLines(*editor()->TableModel()).size(), 1);
    read();
    EXPECT_EQ(editor()->TableModel()->rowCount(), 48);
}

TEST_F(EditorsTest, ZeroFillChangesGridReportAndSavedProject)
{
    read();
    select(recipe(0)->Node);
    auto* setup = client<TFrameRecipeEdit>()->gbxSetup;
    makeCurrent(0, 2); // Yeast (g), unsigned 16-bit, decimal
    EXPECT_EQ(setup->edtTitle->text(), u"Yeast (g)");
    EXPECT_EQ(setup->lblDataFormat->text(), GetLangString(2014));
    const QString plain = cell(0, 2);
    ASSERT_LT(plain.size(), 5);
    EXPECT_FALSE(form->Modified()) << "choosing a column changes nothing";

    pick(setup->cbxIntWidth, 5);
    EXPECT_EQ(cell(0, 2), plain) << "the width counts only with zero fill";
    EXPECT_TRUE(form->Modified());
    form->SetModified(false);
    setup->cbxFillZero->click();
    EXPECT_EQ(cell(0, 2), QString(5 - plain.size(), u'0') + plain);
    EXPECT_TRUE(form->Modified());
    const QString exported = dir.filePath(QStringLiteral("yeast.txt"));
    ASSERT_TRUE(recipe(0)->ExportTxt(exported));
    EXPECT_EQ(ReportLines(exported), GridLines(*editor()->TableModel()));

    ASSERT_TRUE(form->SaveProjectFile(form->FileName()));
    TKivTamsor saved;
    ASSERT_TRUE(ReadProjectFile(form->FileName(), saved));
    const TKivRecipeItem* column =
        saved.Channels->Items(0)->Stations.Items(0)->Recipes->Items(0)->RecipeItems->Items(2);
    EXPECT_EQ(column->IntWidth, 5);
    EXPECT_EQ(column->Option, OptionZeroFill);

    setup->cbxFillZero->click();
    EXPECT_EQ(cell(0, 2), plain);
    EXPECT_TRUE(form->Modified());
}

TEST_F(EditorsTest, SetupBoxFollowsTheCurrentColumn)
{
    read();
    // Recipe: a title edit renames the grid's heading.
    select(recipe(1)->Node);
    auto* recipeSetup = client<TFrameRecipeEdit>()->gbxSetup;
    EXPECT_EQ(recipeSetup->edtTitle->text(), u"Zone 1 (C)") << "the first column after loading";
    QTest::keyClicks(recipeSetup->edtTitle, "!");
    EXPECT_EQ(editor()->TableModel()->headerData(0, Qt::Horizontal).toString(), u"Zone 1 (C)!");
    makeCurrent(1, 3); // belt speed, a float
    EXPECT_EQ(recipeSetup->cbxDisplayFormat->count(), 1);

    // Data record: the time-stamp column shows the time-format page.
    select(record(0)->Node);
    auto* logSetup = client<TFrameDataRecordEdit>()->gbxSetup;
    EXPECT_EQ(logSetup->pcEdit->currentWidget(), logSetup->tbsTick);
    logSetup->cbxDispalyFormatStr->lineEdit()->selectAll();
    QTest::keyClicks(logSetup->cbxDispalyFormatStr->lineEdit(), "hh-mm");
    EXPECT_EQ(record(0)->DataRecordItems->Items(0)->DisplayFormat, u"hh-mm");
    static const QRegularExpression hoursMinutes(QStringLiteral("^\\d\\d-\\d\\d$"));
    EXPECT_TRUE(hoursMinutes.match(cell(0, 0)).hasMatch()) << qPrintable(cell(0, 0));
    makeCurrent(0, 1);
    EXPECT_EQ(logSetup->pcEdit->currentWidget(), logSetup->tbsData);

    // Alarms: the times have a time format, the message only its title.
    select(station->Alarms->Node);
    auto* alarmSetup = client<TFrameAlarmEdit>()->gbxSetup;
    EXPECT_TRUE(alarmSetup->cbxDisplayFormat->isVisibleTo(alarmSetup));
    makeCurrent(0, 2);
    EXPECT_FALSE(alarmSetup->cbxDisplayFormat->isVisibleTo(alarmSetup));
    EXPECT_EQ(alarmSetup->edtTitle->text(), station->Alarms->Title3);
    makeCurrent(0, 1);
    alarmSetup->cbxDisplayFormat->lineEdit()->selectAll();
    QTest::keyClicks(alarmSetup->cbxDisplayFormat->lineEdit(), "yyyy");
    EXPECT_EQ(station->Alarms->Tick2DisplayFormat, u"yyyy");
    EXPECT_TRUE(form->Modified());
}

TEST_F(EditorsTest, ResizingMarksRecipesAndAlarmsModifiedButNotLogs)
{
    const struct {
        TKivNode* node;
        std::function<quint32()> stored;
        bool marks;
    } cases[] = {
        {recipe(0)->Node, [&] { return recipe(0)->RecipeItems->Items(0)->Width; }, true},
        {record(0)->Node, [&] { return record(0)->DataRecordItems->Items(0)->Width; }, false},
        {station->Alarms->Node, [&] { return station->Alarms->DisplayWidth1; }, true},
    };
    for (const auto& c : cases) {
        form->SetModified(false);
        select(c.node);
        SCOPED_TRACE(qPrintable(editor()->gbxCaption->title()));
        EXPECT_FALSE(form->Modified()) << "showing a table changes nothing";
        editor()->Grid()->horizontalHeader()->resizeSection(0, 150);
        EXPECT_EQ(c.stored(), 150u);
        EXPECT_EQ(form->Modified(), c.marks);
    }
    // Recipe and data-record columns are kept at least 32 pixels wide.
    select(recipe(0)->Node);
    editor()->Grid()->horizontalHeader()->resizeSection(1, 10);
    EXPECT_EQ(recipe(0)->RecipeItems->Items(1)->Width, 32u);
}

TEST_F(EditorsTest, TablesWithoutColumnsOrRecordsStayUsable)
{
    // A recipe of Count 0 keeps its columns over one empty row, so they can still be set up.
    recipe(1)->Count = 0;
    select(recipe(1)->Node);
    auto* setup = client<TFrameRecipeEdit>()->gbxSetup;
    EXPECT_EQ(editor()->TableModel()->rowCount(), 1);
    EXPECT_TRUE(editor()->TableModel()->IsPlaceholderRow(0));
    EXPECT_TRUE(setup->edtTitle->isEnabled());
    EXPECT_EQ(setup->edtTitle->text(), u"Zone 1 (C)");

    // A recipe without columns shows its record numbers; there is no column to set up.
    recipe(2)->RecipeItems->Clear();
    select(recipe(2)->Node);
    EXPECT_EQ(editor()->TableModel()->columnCount(), 0);
    EXPECT_EQ(editor()->TableModel()->rowCount(), 6);
    EXPECT_FALSE(client<TFrameRecipeEdit>()->gbxSetup->edtTitle->isEnabled());
    EXPECT_FALSE(form->Modified());
}

TEST_F(EditorsTest, ExportAsksBeforeReplacingAndSaysWhenItFails)
{
    select(station->Alarms->Node);
    const QString target = dir.filePath(QStringLiteral("alarms.txt"));
    QFile existing(target);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    files << target;
    answers << KivMsg::IdNo;
    result()->actExportTxt->trigger();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0].text, GetLangString(StrId::OverwriteText));
    EXPECT_EQ(prompts[0].caption, GetLangString(StrId::OverwriteExportCaption));
    EXPECT_EQ(prompts[0].flags, 52u);
    EXPECT_EQ(bytes(target), "keep me");

    files << target;
    answers << KivMsg::IdYes;
    result()->actExportTxt->trigger();
    EXPECT_TRUE(bytes(target).startsWith("\xFF\xFE")) << "replaced by the table";

    result()->actExportTxt->trigger(); // the dialog cancelled
    EXPECT_EQ(prompts.size(), 2);

    // A file that cannot be written is not passed off as exported.
    files << dir.filePath(QStringLiteral("no such folder/alarms.txt"));
    result()->actExportTxt->trigger();
    ASSERT_EQ(prompts.size(), 3);
    EXPECT_TRUE(prompts[2].text.startsWith(GetLangString(StrId::ExportFailed).section(u'%', 0, 0)));
    EXPECT_TRUE(prompts[2].text.contains(u"no such folder")) << qPrintable(prompts[2].text);
    EXPECT_EQ(prompts[2].caption, GetLangString(StrId::OverwriteExportCaption));
    EXPECT_FALSE(form->Modified());
}

TEST_F(EditorsTest, EveryLogHasAChartOfItsValueColumns)
{
    read();
    form->show(); // a chart decodes its log when it is shown
    for (const TKivDataRecord* log : *station->DataRecords) {
        select(log->Node);
        auto* frame = client<TFrameDataRecordEdit>();
        SCOPED_TRACE(qPrintable(log->Name));
        frame->btnChart->click();
        EXPECT_EQ(frame->pcView->currentWidget(), frame->chtDataRecord);
        QStringList titles;
        for (const TKivChartSeries& series : frame->chtDataRecord->Data().Series)
            titles << series.Title;
        QStringList valueColumns;
        for (const TKivDataRecordItem* item : *log->DataRecordItems)
            if (item->Format != 8)
                valueColumns << item->Title;
        EXPECT_EQ(titles, valueColumns);
        EXPECT_EQ(frame->chtDataRecord->Data().TimeAxis, log->Tick != 0);
        frame->btnTable->click();
        EXPECT_EQ(frame->pcView->currentWidget(), frame->sgDataRecord);
    }
}

TEST_F(EditorsTest, TextsFitAndNameEveryControlInEveryLanguage)
{
    // Every column's settings, at the window's least size and at the size of the pictures.
    read();
    form->show();
    for (const QSize size : {form->minimumSize(), QSize(900, 560)}) {
        form->resize(size);
        for (int language : {1033, 1031, 1028, 2052}) {
            form->miLanguageExecute(language);
            for (TKivNode* node : tableNodes()) {
                select(node);
                QCoreApplication::processEvents();
                const QString where = QStringLiteral("%1 %2x%3 %4")
                                          .arg(language)
                                          .arg(size.width())
                                          .arg(size.height())
                                          .arg(editor()->gbxCaption->title());
                SCOPED_TRACE(qPrintable(where));
                const QStringList unnamed = UnnamedControls(editor()) + UnnamedControls(result());
                EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(unnamed.join(u", "));
                const QStringList cutBelow = CutTexts(result());
                EXPECT_TRUE(cutBelow.isEmpty()) << qPrintable(cutBelow.join(u", "));
                for (int column = 0; column < editor()->TableModel()->columnCount(); ++column) {
                    makeCurrent(0, column);
                    QCoreApplication::processEvents();
                    const QStringList cut = CutTexts(editor());
                    EXPECT_TRUE(cut.isEmpty())
                        << "column " << column << ": " << qPrintable(cut.join(u", "));
                }
                expectStoredViewsFit();
            }
        }
    }
}

// The demo's stored widths show its headings and values whole at the default font: the grid
// pads a heading and a cell by 3 pixels either side, and a heading has a line on its right.
TEST_F(EditorsTest, TheDemoShowsEveryHeadingAndValueWhole)
{
    read();
    form->show();
    for (TKivNode* node : tableNodes()) {
        select(node);
        TTableGrid* grid = editor()->Grid();
        const TKivTableModel* model = editor()->TableModel();
        const QFontMetrics heading = grid->horizontalHeader()->fontMetrics();
        for (int column = 0; column < model->columnCount(); ++column) {
            const QString title = model->headerData(column, Qt::Horizontal).toString();
            int needed = heading.horizontalAdvance(title) + 7;
            QString widest = title;
            for (int row = 0; row < model->rowCount(); ++row) {
                const QString text = model->index(row, column).data().toString();
                if (grid->fontMetrics().horizontalAdvance(text) + 6 > needed) {
                    needed = grid->fontMetrics().horizontalAdvance(text) + 6;
                    widest = text;
                }
            }
            EXPECT_GE(grid->columnWidth(column), needed)
                << qPrintable(editor()->gbxCaption->title()) << ": " << qPrintable(widest);
        }
    }
}
