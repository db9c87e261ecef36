// The editors' grid on a real view: copying a selection, the current column as the cell or a
// heading is clicked, widths set by the program versus dragged by the user, and the fixed
// heading row and row numbers.
#include "TableGrid.h"
#include "reports/KivTableModel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

class NumberTable : public TKivDecodedTable
{
public:
    explicit NumberTable(qint64 rows, const QString& corner = QStringLiteral("No.")) : m_rows(rows)
    {
        Heading = {corner, "A", "B", "C"};
    }
    qint64 RowCount() const override { return m_rows; }
    void RowCells(qint64 row, QStringList& cells) const override
    {
        cells = {QString::number(row), QStringLiteral("a%1").arg(row),
                 QStringLiteral("b%1").arg(row), QStringLiteral("c%1").arg(row)};
    }

private:
    qint64 m_rows;
};

class TableGridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.SetTable(std::make_unique<NumberTable>(65535));
        grid.SetTableModel(&model);
        grid.SetMinimumColumnWidth(32);
        grid.SetColumnWidths({64, 64, 64});
        grid.resize(400, 300);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    // The x of the right edge of value column `column` in header coordinates.
    int RightEdge(int column) const
    {
        const QHeaderView* header = grid.horizontalHeader();
        return header->sectionViewportPosition(column) + header->sectionSize(column) - 1;
    }

    TKivTableModel model;
    TTableGrid grid;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

TEST_F(TableGridTest, TheCornerRedrawsWhenATableOfTheSameShapeBringsANewHeading)
{
    // A language switch decodes the shown table again: same rows and columns, so the model
    // keeps its shape, but the row numbers' heading is in the new language.
    auto* corner = grid.findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    PaintCounter counter;
    corner->installEventFilter(&counter);
    QCoreApplication::processEvents(); // the first paints after showing
    counter.paints = 0;
    model.SetTable(std::make_unique<NumberTable>(65535, QStringLiteral("Nr.")));
    EXPECT_EQ(model.CornerText(), u"Nr.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
}

TEST_F(TableGridTest, CopiesTheSelectionWithItsHeading)
{
    grid.selectionModel()->select(QItemSelection(model.index(2, 1), model.index(3, 2)),
                                  QItemSelectionModel::Select);
    QTest::keySequence(&grid, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "No.\tB\tC\r\n2\tb2\tc2\r\n3\tb3\tc3\r\n");
}

TEST_F(TableGridTest, CurrentColumnFollowsCellsAndHeadings)
{
    QSignalSpy columns(&grid, &TTableGrid::CurrentColumnChanged);
    const QRect cell = grid.visualRect(model.index(1, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    const QHeaderView* header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 10, header->height() / 2));
    ASSERT_EQ(columns.size(), 2);
    EXPECT_EQ(columns[0][0].toInt(), 1);
    EXPECT_EQ(columns[1][0].toInt(), 2);
}

TEST_F(TableGridTest, OnlyDraggedWidthsAreReportedAndNeverBelowTheMinimum)
{
    QSignalSpy resized(&grid, &TTableGrid::ColumnResized);
    grid.SetColumnWidths({100, 50, 70});
    EXPECT_TRUE(resized.isEmpty());
    EXPECT_EQ(grid.ColumnWidths(), (QList<int>{100, 50, 70}));

    QWidget* header = grid.horizontalHeader()->viewport();
    const int y = grid.horizontalHeader()->height() / 2;
    const int edge = RightEdge(1);
    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(edge, y));
    QTest::mouseMove(header, QPoint(edge - 40, y));
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(edge - 40, y));
    ASSERT_FALSE(resized.isEmpty());
    EXPECT_EQ(resized.last()[0].toInt(), 1);
    EXPECT_EQ(resized.last()[1].toInt(), 32);
    EXPECT_EQ(grid.ColumnWidths()[1], 32);
}

TEST_F(TableGridTest, HeadingAndRowNumbersStayWhileCellsScroll)
{
    grid.scrollTo(model.index(60000, 2), QAbstractItemView::PositionAtTop);
    const QHeaderView* rows = grid.verticalHeader();
    const int firstShown = rows->logicalIndexAt(0);
    EXPECT_EQ(firstShown, 60000);
    EXPECT_EQ(model.headerData(firstShown, Qt::Vertical).toString(), u"60000");
    EXPECT_EQ(rows->width(), 72);
    EXPECT_TRUE(grid.horizontalHeader()->isVisible());
    EXPECT_EQ(rows->defaultSectionSize(), grid.fontMetrics().height() + 8);
}
