#pragma once

#include "reports/KivDataRecordChart.h"

#include <QWidget>
#include <functional>

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;

// The chart of a data-record log: one line per value column against the entries' time stamps
// (or entry numbers when the log has none), the column titles as the legend. Drag a rectangle
// to zoom in, right-click or the wheel to zoom out, the keys + - arrows and Home work too.
// Each line draws at most two points per pixel of the plot, recomputed for the range in view,
// so a log of 65,535 entries zooms without delay. A time axis labels as many ticks as fit, as
// finely as their spacing needs (dates, times, seconds), again after every zoom and resize.
class TDataRecordChart : public QWidget
{
    Q_OBJECT
public:
    using Source = std::function<TKivChartData()>;
    explicit TDataRecordChart(QWidget* parent = nullptr);

    // The lines to show from now on; taken from source at once when the chart is visible, else
    // when it is next shown.
    void SetSource(Source source);

    // The lines as shown (for tests and screen readers: titles and full data).
    const TKivChartData& Data() const { return m_data; }
    QChart* Chart() const;

    // The range of all points, with a margin above and below.
    struct Bounds {
        double minX, maxX, minY, maxY;
    };

    QChartView* chvDataRecord;
    QPushButton* btnResetZoom;
    QLabel* lblNoValues;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Rebuild();
    void ShowRange(double from, double to);
    void ResetZoom();
    // Picks the tick counts, and the time axis's label format, for the range shown and the
    // room there is, so every label shows whole.
    void FitAxisLabels();

    Source m_source;
    bool m_stale = false;
    TKivChartData m_data;
    Bounds m_bounds{0, 1, 0, 1};
    QList<QLineSeries*> m_lines;
};
