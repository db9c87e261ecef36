// The grids' item model over the decoders: the same cells as the report files, rows formatted
// only when asked for, one empty row for a table without records, refreshes that keep the
// view's place, and copying a selection as tab-separated text.
#include "reports/KivTableModel.h"
#include "DecoderTestSupport.h"
#include "GridTestSupport.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"
#include "reports/KivStationReports.h"

#include <QAbstractItemModelTester>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace
{

TKivTableModel* TestedModel(std::unique_ptr<TKivDecodedTable> table, QObject* parent)
{
    auto* model = new TKivTableModel(parent);
    new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal,
                                 parent);
    model->SetTable(std::move(table));
    return model;
}

// A table of `rows` rows of two cells that counts the rows it formats.
class CountingTable : public TKivDecodedTable
{
public:
    CountingTable(qint64 rows, int* formatted) : m_rows(rows), m_formatted(formatted)
    {
        Heading = QStringList{"No.", "A", "B"};
    }
    qint64 RowCount() const override { return m_rows; }
    void RowCells(qint64 row, QStringList& cells) const override
    {
        ++*m_formatted;
        cells = QStringList{QString::number(row), QStringLiteral("a%1").arg(row),
                            QStringLiteral("b%1").arg(row)};
    }

private:
    qint64 m_rows;
    int* m_formatted;
};

} // namespace

TEST(TableModel, GridShowsTheReportFilesCellForCell)
{
    DecoderLanguage language;
    TKivStation station(nullptr);
    ASSERT_TRUE(LoadDemoStation(station));
    station.UpdateTime = 45000.5;

    QTemporaryDir dir;
    const StationReportsResult written = WriteStationFolderReports(station, dir.path());
    ASSERT_EQ(written.Files.size(), station.Recipes->Count() + station.DataRecords->Count() + 1);

    QObject owner;
    int file = 0;
    auto expectSame = [&](std::unique_ptr<TKivDecodedTable> table, const QString& name) {
        SCOPED_TRACE(qPrintable(name));
        const TKivTableModel* model = TestedModel(std::move(table), &owner);
        const QStringList report = ReportLines(written.Files[file++]);
        EXPECT_GT(report.size(), 1) << "the demo's tables all hold records";
        EXPECT_EQ(GridLines(*model), report);
    };
    for (const TKivRecipe* recipe : *station.Recipes)
        expectSame(std::make_unique<TKivRecipeTable>(*recipe, station.RegisterImage, 1),
                   recipe->Name);
    for (const TKivDataRecord* record : *station.DataRecords)
        expectSame(std::make_unique<TKivDataRecordTable>(*record, station.RegisterImage, 1),
                   record->Name);
    expectSame(std::make_unique<TKivAlarmTable>(*station.Alarms, station.RegisterImage, 1),
               QStringLiteral("alarms"));
}

TEST(TableModel, TablesWithoutRecordsShowOneEmptyRowUnderTheirColumns)
{
    DecoderLanguage language;
    TKivStation station(nullptr); // never read: an all-zero image, so no header checks out
    auto* recipe = new TKivRecipe(station.Recipes.get());
    new TKivRecipeItem(recipe->RecipeItems.get());
    auto* record = new TKivDataRecord(station.DataRecords.get());
    record->Count = 10;
    record->Capacity = 2;
    new TKivDataRecordItem(record->DataRecordItems.get());
    new TKivDataRecordItem(record->DataRecordItems.get());
    station.Alarms->BackupSpace = 32;

    using Make = std::function<std::unique_ptr<TKivDecodedTable>()>;
    const QByteArray& image = station.RegisterImage;
    const struct {
        const char* name;
        Make make;
        int columns;
    } cases[] = {
        {"recipe of Count 0", [&] { return std::make_unique<TKivRecipeTable>(*recipe, image, 0); },
         1},
        {"log whose header fails its CRC",
         [&] { return std::make_unique<TKivDataRecordTable>(*record, image, 0); }, 2},
        {"alarm area whose header fails its check",
         [&] { return std::make_unique<TKivAlarmTable>(*station.Alarms, image, 0); }, 3},
    };
    QObject owner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto table = c.make();
        ASSERT_EQ(table->RowCount(), 0);
        TKivTableModel* model = TestedModel(std::move(table), &owner);
        EXPECT_EQ(model->rowCount(), 1);
        EXPECT_EQ(model->columnCount(), c.columns);
        EXPECT_TRUE(model->IsPlaceholderRow(0));
        EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), QString());
        for (int column = 0; column < c.columns; ++column)
            EXPECT_EQ(model->index(0, column).data().toString(), QString());
        EXPECT_EQ(GridLines(*model).size(), 1) << "the heading alone, as in the report";
    }
}

TEST(TableModel, FormatsOnlyTheRowsAViewAsksFor)
{
    int formatted = 0;
    QObject owner;
    TKivTableModel* model = TestedModel(std::make_unique<CountingTable>(65536, &formatted), &owner);
    formatted = 0; // the model tester looks at a few rows itself
    EXPECT_EQ(model->rowCount(), 65536);
    for (int r = 40000; r < 40030; ++r) // a screenful, every cell asked for twice
        for (int c = 0; c < 2; ++c)
            for (int role :
                 {int(Qt::DisplayRole), int(Qt::TextAlignmentRole), int(Qt::DisplayRole)})
                model->index(r, c).data(role);
    EXPECT_EQ(formatted, 30);
    EXPECT_EQ(model->index(40001, 1).data().toString(), u"b40001");
    EXPECT_EQ(formatted, 30);
}

TEST(TableModel, RefreshKeepsTheRowsBothTablesHave)
{
    int formatted = 0;
    QObject owner;
    TKivTableModel* model = TestedModel(std::make_unique<CountingTable>(10, &formatted), &owner);
    const QPersistentModelIndex current = model->index(4, 1);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);

    model->SetTable(std::make_unique<CountingTable>(12, &formatted)); // a read added two rows
    EXPECT_EQ(model->rowCount(), 12);
    EXPECT_EQ(inserted.size(), 1);
    model->SetTable(std::make_unique<CountingTable>(6, &formatted));
    EXPECT_EQ(model->rowCount(), 6);
    EXPECT_EQ(removed.size(), 1);
    EXPECT_TRUE(current.isValid()) << "the view's current cell stays where it was";
    EXPECT_EQ(current.row(), 4);
    model->SetTable(std::make_unique<CountingTable>(0, &formatted)); // the header now fails
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_TRUE(model->IsPlaceholderRow(0));
    model->SetTable(std::make_unique<CountingTable>(6, &formatted));
    EXPECT_EQ(resets.size(), 0);
    EXPECT_EQ(changed.size(), 4) << "every refresh repaints the rows kept";

    // Other columns are another table: the model starts over.
    auto other = std::make_unique<CountingTable>(6, &formatted);
    other->Heading = QStringList{"No.", "A"};
    model->SetTable(std::move(other));
    EXPECT_EQ(resets.size(), 1);
    EXPECT_EQ(model->columnCount(), 1);
}

TEST(TableModel, AlignsValuesRightAndHeadingsLeft)
{
    int formatted = 0;
    QObject owner;
    TKivTableModel* model = TestedModel(std::make_unique<CountingTable>(3, &formatted), &owner);
    model->SetColumnAlignment(1, Qt::AlignLeft | Qt::AlignVCenter);
    auto alignment = [](const QVariant& v) { return v.value<Qt::Alignment>(); };
    EXPECT_EQ(alignment(model->index(0, 0).data(Qt::TextAlignmentRole)),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(alignment(model->index(0, 1).data(Qt::TextAlignmentRole)),
              Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(alignment(model->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole)),
              Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(alignment(model->headerData(0, Qt::Vertical, Qt::TextAlignmentRole)),
              Qt::AlignRight | Qt::AlignVCenter);
}

TEST(TableModel, SelectionCopiesAsTabSeparatedLinesWithTheHeading)
{
    int formatted = 0;
    QObject owner;
    TKivTableModel* model = TestedModel(std::make_unique<CountingTable>(5, &formatted), &owner);
    QItemSelection block(model->index(1, 0), model->index(2, 1));
    EXPECT_EQ(model->SelectionText(block), "No.\tA\tB\r\n1\ta1\tb1\r\n2\ta2\tb2\r\n");

    // Cells picked one by one: their rows and columns, the cells not picked left empty.
    QItemSelection scattered;
    scattered.select(model->index(0, 1), model->index(0, 1));
    scattered.select(model->index(3, 0), model->index(3, 0));
    EXPECT_EQ(model->SelectionText(scattered), "No.\tA\tB\r\n0\t\tb0\r\n3\ta3\t\r\n");

    EXPECT_EQ(model->SelectionText(QItemSelection()), QString());
}
