#pragma once

#include "LiveAlarmHistory.h"
#include "LiveDataRecordLog.h"
#include "LiveImage.h"
#include "LiveRecipes.h"

#include "model/KivChannel.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// A running panel over the served register image: each step moves the panel's clock on and
// gives every data-record log a new entry; now and then an alarm starts, an active one ends
// and a recipe value changes. The station's define file tells where all of them lie.
class LivePanel
{
public:
    struct Settings {
        double stepSeconds = 1; // the panel's clock moves this far with each step
        quint32 clock = 0;      // the panel's clock before the first step (a tick)
        quint32 seed = 1;
    };

    // The panel for the station the define file describes, over image (which it changes and
    // which must outlive it). Nothing, with the reason in *error, when the define file cannot be
    // imported.
    static std::unique_ptr<LivePanel> Create(const QString& defineFile, std::span<uint8_t> image,
                                             const Settings& settings, QString* error);

    // What the panel leaves alone, one line each: logs and alarm areas it cannot keep.
    const QStringList& Skipped() const { return m_skipped; }

    // One step of the panel; the image holds its changes when it returns.
    void Step();
    qint64 Steps() const { return m_steps; }

private:
    LivePanel(std::span<uint8_t> image, const Settings& settings);
    void TakeDefinitions();
    void ChangeAlarms(quint32 tick);

    TKivStation m_station{nullptr}; // the definitions of the define file
    LiveImage m_image;
    LiveRandom m_random;
    double m_stepSeconds;
    double m_startClock; // the panel's clock before the first step
    qint64 m_steps = 0;
    std::vector<LiveDataRecordLog> m_logs;
    std::optional<LiveAlarmHistory> m_alarms;
    std::optional<LiveRecipes> m_recipes;
    // Steps left until the next alarm starts, an active one ends, a recipe value changes.
    int m_untilAlarmStart;
    int m_untilAlarmEnd;
    int m_untilRecipeChange;
    QStringList m_skipped;
};
