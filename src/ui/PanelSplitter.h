#pragma once

#include <QWidget>

class TKIVDynamicPanel;

// The bar at the right edge of the tree panel: dragging it resizes the panel live. While the
// panel is shut the bar is disabled, so the panel cannot be dragged open.
class TKivPanelSplitter : public QWidget
{
    Q_OBJECT

public:
    explicit TKivPanelSplitter(TKIVDynamicPanel* panel, QWidget* parent = nullptr);

    static constexpr int BarWidth = 4;
    static constexpr int MinimumPanelWidth = 30;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TKIVDynamicPanel* m_panel;
    int m_pressX = 0;
    int m_pressWidth = 0;
    bool m_dragging = false;
};
