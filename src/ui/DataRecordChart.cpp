#include "DataRecordChart.h"

#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetrics>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

namespace
{

// The chart view with the wheel and the keyboard as zoom and scroll.
class TChartView : public QChartView
{
public:
    using QChartView::QChartView;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        const int steps = event->angleDelta().y();
        if (steps != 0)
            chart()->zoom(steps > 0 ? 1.25 : 0.8);
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        const QRectF area = chart()->plotArea();
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            chart()->zoom(1.25);
            break;
        case Qt::Key_Minus:
            chart()->zoom(0.8);
            break;
        case Qt::Key_Left:
            chart()->scroll(-area.width() / 10, 0);
            break;
        case Qt::Key_Right:
            chart()->scroll(area.width() / 10, 0);
            break;
        case Qt::Key_Up:
            chart()->scroll(0, area.height() / 10);
            break;
        case Qt::Key_Down:
            chart()->scroll(0, -area.height() / 10);
            break;
        case Qt::Key_Home:
            chart()->zoomReset();
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
        }
        event->accept();
    }
};

using Bounds = TDataRecordChart::Bounds;

Bounds BoundsOf(const TKivChartData& data)
{
    Bounds b{std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
             std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
    for (const TKivChartSeries& series : data.Series)
        for (const QPointF& p : series.Points) {
            b.minX = std::min(b.minX, p.x());
            b.maxX = std::max(b.maxX, p.x());
            b.minY = std::min(b.minY, p.y());
            b.maxY = std::max(b.maxY, p.y());
        }
    // A single point or a flat line still gets a range to draw in.
    if (b.maxX <= b.minX)
        b.maxX = b.minX + 1;
    const double margin = b.maxY > b.minY ? (b.maxY - b.minY) * 0.05 : 1;
    b.minY -= margin;
    b.maxY += margin;
    return b;
}

} // namespace

TDataRecordChart::TDataRecordChart(QWidget* parent) : QWidget(parent)
{
    chvDataRecord = new TChartView(new QChart, this);
    chvDataRecord->setObjectName(QStringLiteral("chvDataRecord"));
    chvDataRecord->setRenderHint(QPainter::Antialiasing);
    chvDataRecord->setRubberBand(QChartView::RectangleRubberBand);
    chvDataRecord->setFocusPolicy(Qt::StrongFocus);
    chvDataRecord->chart()->legend()->setAlignment(Qt::AlignBottom);
    // Little room around the plot: in a small window the axes keep the height their labels
    // need.
    chvDataRecord->chart()->setMargins(QMargins(4, 4, 4, 4));
    chvDataRecord->chart()->layout()->setContentsMargins(0, 0, 0, 0);
    chvDataRecord->chart()->setBackgroundRoundness(0);
    btnResetZoom = new QPushButton(this);
    btnResetZoom->setObjectName(QStringLiteral("btnResetZoom"));
    lblNoValues = new QLabel(this);
    lblNoValues->setObjectName(QStringLiteral("lblNoValues"));
    lblNoValues->setAlignment(Qt::AlignCenter);
    lblNoValues->setWordWrap(true);
    lblNoValues->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnResetZoom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chvDataRecord, 1);
    layout->addWidget(lblNoValues, 1);
    layout->addLayout(buttons);
    connect(btnResetZoom, &QPushButton::clicked, this, &TDataRecordChart::ResetZoom);
    connect(Chart(), &QChart::plotAreaChanged, this, &TDataRecordChart::FitAxisLabels);
}

QChart* TDataRecordChart::Chart() const
{
    return chvDataRecord->chart();
}

void TDataRecordChart::SetSource(Source source)
{
    m_source = std::move(source);
    m_stale = true;
    if (isVisible())
        Rebuild();
}

void TDataRecordChart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_stale)
        Rebuild();
}

void TDataRecordChart::Rebuild()
{
    m_stale = false;
    m_data = m_source ? m_source() : TKivChartData();
    QChart* chart = Chart();
    chart->removeAllSeries();
    m_lines.clear();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    const bool empty = m_data.Series.isEmpty();
    chvDataRecord->setVisible(!empty);
    btnResetZoom->setVisible(!empty);
    lblNoValues->setVisible(empty);
    if (empty) {
        lblNoValues->setText(m_data.Empty.isEmpty() ? GetLangString(StrId::NoValuesToPlot)
                                                    : m_data.Empty);
        return;
    }

    m_bounds = BoundsOf(m_data);
    QAbstractAxis* xAxis;
    if (m_data.TimeAxis) {
        auto* axis = new QDateTimeAxis;
        axis->setTitleText(GetLangString(StrId::TimeStampHeading));
        connect(axis, &QDateTimeAxis::rangeChanged, this,
                [this](const QDateTime& from, const QDateTime& to) {
                    ShowRange(double(from.toMSecsSinceEpoch()), double(to.toMSecsSinceEpoch()));
                    FitAxisLabels();
                });
        xAxis = axis;
    } else {
        auto* axis = new QValueAxis;
        axis->setLabelFormat(QStringLiteral("%.0f"));
        axis->setTitleText(GetLangString(StrId::TableIndexHeading));
        connect(axis, &QValueAxis::rangeChanged, this, &TDataRecordChart::ShowRange);
        xAxis = axis;
    }
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(new QValueAxis, Qt::AlignLeft);
    for (const TKivChartSeries& series : m_data.Series) {
        auto* line = new QLineSeries;
        line->setName(series.Title);
        chart->addSeries(line);
        line->attachAxis(xAxis);
        line->attachAxis(chart->axes(Qt::Vertical).first());
        m_lines.append(line);
    }
    ResetZoom();
}

void TDataRecordChart::ShowRange(double from, double to)
{
    const int buckets = std::max(200, int(Chart()->plotArea().width()));
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        m_lines[i]->replace(DecimateForPlot(m_data.Series[i].Points, from, to, buckets));
}

void TDataRecordChart::ResetZoom()
{
    const QList<QAbstractAxis*> x = Chart()->axes(Qt::Horizontal);
    const QList<QAbstractAxis*> y = Chart()->axes(Qt::Vertical);
    if (x.isEmpty() || y.isEmpty())
        return;
    Chart()->zoomReset();
    // The whole log, whether the view was zoomed, scrolled or both.
    if (auto* time = qobject_cast<QDateTimeAxis*>(x.first()))
        time->setRange(QDateTime::fromMSecsSinceEpoch(qint64(m_bounds.minX)),
                       QDateTime::fromMSecsSinceEpoch(qint64(m_bounds.maxX)));
    else
        x.first()->setRange(m_bounds.minX, m_bounds.maxX);
    y.first()->setRange(m_bounds.minY, m_bounds.maxY);
    ShowRange(m_bounds.minX, m_bounds.maxX);
    FitAxisLabels();
}

void TDataRecordChart::FitAxisLabels()
{
    const QRectF area = Chart()->plotArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    // Only real changes below: each one lays the chart out again.
    if (auto* values = qobject_cast<QValueAxis*>(Chart()->axes(Qt::Vertical).value(0))) {
        const int lineHeight = QFontMetrics(values->labelsFont()).height();
        const int ticks = std::clamp(int(area.height()) / (2 * lineHeight) + 1, 2, 5);
        if (values->tickCount() != ticks)
            values->setTickCount(ticks);
    }
    QAbstractAxis* x = Chart()->axes(Qt::Horizontal).value(0);
    if (!x)
        return;
    // A short chart gives its plot the axis title's row (by the view's height, which the
    // title does not change, so it never flips back and forth).
    const bool roomForTitle = chvDataRecord->height() >= 12 * QFontMetrics(x->titleFont()).height();
    if (x->isTitleVisible() != roomForTitle)
        x->setTitleVisible(roomForTitle);
    auto* time = qobject_cast<QDateTimeAxis*>(x);
    if (!time)
        return;
    const QFontMetrics metrics(time->labelsFont());
    const TKivTimeAxisLabels labels =
        TimeAxisLabels(double(time->min().toMSecsSinceEpoch()),
                       double(time->max().toMSecsSinceEpoch()), int(area.width()),
                       [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
    if (time->format() != labels.Format)
        time->setFormat(labels.Format);
    if (time->tickCount() != labels.TickCount)
        time->setTickCount(labels.TickCount);
}
