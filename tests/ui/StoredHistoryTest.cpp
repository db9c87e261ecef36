// The editors' views of the history store with the demo project open: the data-record chart's
// stored ranges and the alarm editor's stored lines, each saying when nothing is stored or the
// store cannot be read, and each following the recordings of the station shown.
#include "AlarmEditFrame.h"
#include "DataRecordChart.h"
#include "DataRecordEditFrame.h"
#include "GridTestSupport.h"
#include "MainWindowTest.h"
#include "TableGrid.h"
#include "comm/ReadStation.h"
#include "history/HistoryLocation.h"
#include "history/HistoryRecorder.h"
#include "lang/StringIds.h"
#include "model/KivTamsor.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{

class StoredHistoryTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(form->LoadProjectFile(demoCopy(), false));
        station = form->Project().Channels->Items(0)->Stations.Items(0);
        recorder = std::make_unique<THistoryRecorder>(form->Project(),
                                                      [this] { return form->FileName(); });
        previousRecorder = SetProgramHistoryRecorder(recorder.get());
        form->show();
    }
    void TearDown() override
    {
        SetProgramHistoryRecorder(previousRecorder);
        recorder.reset();
        MainWindowTest::TearDown();
    }

    void read() { ASSERT_TRUE(ReadStation(*station, true, form->FileName())); }
    QString storePath() const { return DefaultHistoryPath(form->FileName()); }
    TFrameDataRecordEdit* showChart(int log)
    {
        select(station->DataRecords->Items(log)->Node);
        auto* frame = client<TFrameDataRecordEdit>();
        frame->btnChart->click();
        return frame;
    }
    // Chooses a range as the keyboard does: focus on the list, then arrow keys.
    static void chooseRange(TFrameDataRecordEdit* frame, THistoryRange range)
    {
        frame->cbxRange->setFocus();
        while (frame->cbxRange->currentIndex() < int(range))
            QTest::keyClick(frame->cbxRange, Qt::Key_Down);
        while (frame->cbxRange->currentIndex() > int(range))
            QTest::keyClick(frame->cbxRange, Qt::Key_Up);
    }
    static QList<QPointF> sorted(QList<QPointF> points)
    {
        std::stable_sort(points.begin(), points.end(),
                         [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
        return points;
    }

    TKivStation* station = nullptr;
    std::unique_ptr<THistoryRecorder> recorder;
    THistoryRecorder* previousRecorder = nullptr;
};

} // namespace

TEST_F(StoredHistoryTest, TheChartDrawsStoredRangesAndFollowsRecordings)
{
    TFrameDataRecordEdit* frame = showChart(0);
    TDataRecordChart* chart = frame->chtDataRecord;
    EXPECT_TRUE(frame->cbxRange->isEnabled()) << "the range is the chart's";
    chooseRange(frame, THistoryRange::All);
    EXPECT_EQ(frame->Range(), THistoryRange::All);
    EXPECT_TRUE(chart->lblNoValues->isVisible());
    EXPECT_EQ(chart->lblNoValues->text(), GetLangString(StrId::NoStoredLogHistory));
    EXPECT_FALSE(QFile::exists(storePath())) << "looking makes no store";

    read(); // recorded: the chart shown draws what the read stored
    ASSERT_FALSE(chart->lblNoValues->isVisible());
    const TKivChartData stored = chart->Data();
    chooseRange(frame, THistoryRange::Ring);
    const TKivChartData ring = chart->Data();
    ASSERT_EQ(stored.Series.size(), ring.Series.size());
    EXPECT_TRUE(stored.TimeAxis);
    for (qsizetype i = 0; i < ring.Series.size(); ++i) {
        EXPECT_EQ(stored.Series[i].Title, ring.Series[i].Title);
        EXPECT_EQ(stored.Series[i].Points, sorted(ring.Series[i].Points)) << i;
    }
    chooseRange(frame, THistoryRange::LastDay);
    EXPECT_FALSE(chart->Data().Series.isEmpty()) << "the last day of the newest entry";

    // The grid always shows the ring as read, and then the range cannot be chosen.
    frame->btnTable->click();
    EXPECT_FALSE(frame->cbxRange->isEnabled());
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(StoredHistoryTest, AStoreThatCannotBeReadIsSaidInTheChart)
{
    QFile junk(storePath());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    TFrameDataRecordEdit* frame = showChart(0);
    chooseRange(frame, THistoryRange::All);
    const QString said = frame->chtDataRecord->lblNoValues->text();
    EXPECT_TRUE(frame->chtDataRecord->lblNoValues->isVisible());
    EXPECT_TRUE(said.startsWith(GetLangString(StrId::StoredHistoryUnreadable).section(u'%', 0, 0)))
        << qPrintable(said);
    EXPECT_TRUE(prompts.isEmpty()) << "no message box";

    // A project that keeps no history has nothing stored to show.
    form->Project().HistoryOff = true;
    chooseRange(frame, THistoryRange::LastWeek);
    EXPECT_EQ(frame->chtDataRecord->lblNoValues->text(), GetLangString(StrId::NoStoredLogHistory));
}

TEST_F(StoredHistoryTest, TheAlarmEditorListsEveryStoredLine)
{
    read();
    select(station->Alarms->Node);
    auto* frame = client<TFrameAlarmEdit>();
    const QStringList asRead = GridLines(*frame->TableModel());
    ASSERT_GT(asRead.size(), 2);
    EXPECT_FALSE(frame->lblStored->isVisible());

    frame->btnStored->setFocus();
    QTest::keyClick(frame->btnStored, Qt::Key_Space);
    ASSERT_TRUE(frame->ShowsStored());
    const TKivTableModel* model = frame->TableModel();
    EXPECT_EQ(model->columnCount(), 5);
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(),
              GetLangString(StrId::StoredAlarmDurationHeading));
    ASSERT_EQ(model->rowCount(), asRead.size() - 1) << "every line the read stored";
    EXPECT_TRUE(frame->lblStored->isVisible());
    EXPECT_TRUE(frame->lblStored->text().contains(QString::number(model->rowCount())));
    // The same alarms as read, oldest first; the times now with their dates.
    for (int row = 0; row < model->rowCount(); ++row) {
        const QStringList read = asRead[row + 1].split(u'\t');
        EXPECT_EQ(model->index(row, 4).data().toString(), read.value(3)) << row;
        EXPECT_TRUE(model->index(row, 1).data().toString().endsWith(read.value(1))) << row;
    }
    // Columns of the stored lines are not the definition's: dragging them changes nothing.
    form->SetModified(false);
    frame->Grid()->horizontalHeader()->resizeSection(1, 300);
    EXPECT_FALSE(form->Modified());

    frame->btnAsRead->click();
    EXPECT_FALSE(frame->lblStored->isVisible());
    EXPECT_EQ(GridLines(*frame->TableModel()), asRead);
}

TEST_F(StoredHistoryTest, TheStoredAlarmLinesFollowRecordings)
{
    select(station->Alarms->Node);
    auto* frame = client<TFrameAlarmEdit>();
    frame->ShowStored(true);
    EXPECT_EQ(frame->lblStored->text(), GetLangString(StrId::NoStoredAlarms));
    EXPECT_TRUE(frame->TableModel()->IsPlaceholderRow(0));
    // The image of a read recorded, without the read's own notice to the editors: the
    // recorder's report alone shows the new lines.
    station->RegisterImage = bytes(path("demo.bin"));
    const THistoryOutcome outcome = recorder->Record(*station);
    ASSERT_EQ(outcome.Result, THistoryOutcome::Written);
    EXPECT_TRUE(frame->TableModel()->IsPlaceholderRow(0));
    emit recorder->Recorded(station, outcome);
    EXPECT_FALSE(frame->TableModel()->IsPlaceholderRow(0));
    EXPECT_NE(frame->lblStored->text(), GetLangString(StrId::NoStoredAlarms));
}
