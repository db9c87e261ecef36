#include "DynamicPanel.h"

#include "PanelSplitter.h"

#include <QTimer>

namespace
{

int stepToward(int size, int target, int offset)
{
    if (size < target)
        return qMin(size + offset, target);
    if (size > target)
        return qMax(size - offset, target);
    return size;
}

} // namespace

TKIVDynamicPanel::TKIVDynamicPanel(QWidget* parent) : QFrame(parent) {}

TKIVDynamicPanel::~TKIVDynamicPanel()
{
    StopTimer();
}

void TKIVDynamicPanel::Dynamic(int index, int target, TKivPanelSplitter* splitter)
{
    if (index < 0 || index > 1)
        return;
    m_running |= 1u << index;
    m_targets[index] = qMax(0, target);
    m_splitters[index] = splitter;
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(int(Interval));
        connect(m_timer, &QTimer::timeout, this, &TKIVDynamicPanel::Timer);
    }
    if (Control)
        Control->hide();
    m_timer->start();
}

void TKIVDynamicPanel::Timer()
{
    for (int index = 0; index < 2; ++index) {
        if (!(m_running & (1u << index)))
            continue;
        const int current = qMax(0, m_size[index]);
        const int next = stepToward(current, m_targets[index], int(Offset));
        Apply(index, next);
        if (next == m_targets[index])
            m_running &= ~(1u << index);
        if (m_splitters[index])
            m_splitters[index]->setEnabled(next != 0);
    }
    if (m_running == 0) {
        StopTimer();
        if (Control)
            Control->show();
    }
}

void TKIVDynamicPanel::SetPanelWidth(int width)
{
    m_running &= ~1u;
    Apply(WidthIndex, qMax(0, width));
    if (m_splitters[WidthIndex])
        m_splitters[WidthIndex]->setEnabled(width > 0);
    if (m_running == 0)
        StopTimer();
}

void TKIVDynamicPanel::SetPanelHeight(int height)
{
    m_running &= ~2u;
    Apply(HeightIndex, qMax(0, height));
    if (m_running == 0)
        StopTimer();
}

void TKIVDynamicPanel::Apply(int index, int size)
{
    m_size[index] = size;
    if (index == WidthIndex)
        setFixedWidth(size);
    else
        setFixedHeight(size);
}

void TKIVDynamicPanel::StopTimer()
{
    delete m_timer;
    m_timer = nullptr;
}
