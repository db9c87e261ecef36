#pragma once

#include <QFrame>
#include <QPointer>

class QTimer;
class TKivPanelSplitter;

// A panel that changes its width or its height in steps on a timer instead of at once, so the
// project tree slides open and shut and the bottom frame area grows and shrinks smoothly. The
// dimension it slides is held fixed; the other one follows the layout. The timer exists only
// while a slide runs.
class TKIVDynamicPanel : public QFrame
{
    Q_OBJECT

public:
    enum { WidthIndex = 0, HeightIndex = 1 };

    explicit TKIVDynamicPanel(QWidget* parent = nullptr);
    ~TKIVDynamicPanel() override;

    unsigned Interval = 20; // timer period in milliseconds
    unsigned Offset = 16;   // pixels per step
    // Hidden while a slide runs, shown again when every slide has ended.
    QPointer<QWidget> Control;

    // Starts a slide of the width (index 0) or height (index 1) towards target, or retargets
    // a running one. splitter, when given, is enabled while the width is not 0. An index above
    // 1 is ignored.
    void Dynamic(int index, int target, TKivPanelSplitter* splitter = nullptr);
    // One step of every running slide; the timer's handler.
    void Timer();

    int PanelWidth() const { return m_size[WidthIndex]; }
    int PanelHeight() const { return m_size[HeightIndex]; }
    // Sets a dimension at once, ending a slide of it; the splitter of a width slide follows.
    void SetPanelWidth(int width);
    void SetPanelHeight(int height);
    bool Sliding() const { return m_timer != nullptr; }
    QTimer* SlideTimer() const { return m_timer; }

private:
    void Apply(int index, int size);
    void StopTimer();

    int m_size[2] = {-1, -1}; // -1: the dimension follows the layout
    int m_targets[2] = {0, 0};
    QPointer<TKivPanelSplitter> m_splitters[2];
    unsigned m_running = 0;
    QTimer* m_timer = nullptr;
};
