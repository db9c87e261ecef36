#include "PanelSplitter.h"

#include "DynamicPanel.h"

#include <QMouseEvent>

TKivPanelSplitter::TKivPanelSplitter(TKIVDynamicPanel* panel, QWidget* parent)
    : QWidget(parent), m_panel(panel)
{
    setFixedWidth(BarWidth);
    setCursor(Qt::SplitHCursor);
}

void TKivPanelSplitter::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_panel || m_panel->PanelWidth() <= 0)
        return;
    m_dragging = true;
    m_pressX = int(event->globalPosition().x());
    m_pressWidth = m_panel->PanelWidth();
}

void TKivPanelSplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const int room = parentWidget() ? parentWidget()->width() - 2 * BarWidth : m_pressWidth;
    const int width = m_pressWidth + int(event->globalPosition().x()) - m_pressX;
    m_panel->SetPanelWidth(qBound(MinimumPanelWidth, width, qMax(MinimumPanelWidth, room)));
}

void TKivPanelSplitter::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}
