#include "LivePanel.h"

#include <cmath>

namespace
{

// How many steps apart the panel's occasional events come: at least one step, at most this
// many, so that a few steps always show each of them.
constexpr int MostStepsToAlarmStart = 4;
constexpr int MostStepsToAlarmEnd = 6;
constexpr int MostStepsToRecipeChange = 5;

} // namespace

std::unique_ptr<LivePanel> LivePanel::Create(const QString& defineFile, std::span<uint8_t> image,
                                             const Settings& settings, QString* error)
{
    std::unique_ptr<LivePanel> panel(new LivePanel(image, settings));
    if (!panel->m_station.ImportDefine(defineFile, error))
        return nullptr;
    panel->TakeDefinitions();
    return panel;
}

LivePanel::LivePanel(std::span<uint8_t> image, const Settings& settings)
    : m_image(image), m_random(settings.seed), m_stepSeconds(settings.stepSeconds),
      m_startClock(settings.clock)
{
    m_untilAlarmStart = m_random.Between(1, MostStepsToAlarmStart);
    m_untilAlarmEnd = m_random.Between(1, MostStepsToAlarmEnd);
    m_untilRecipeChange = m_random.Between(1, MostStepsToRecipeChange);
}

void LivePanel::TakeDefinitions()
{
    for (const TKivDataRecord* record : *m_station.DataRecords) {
        LiveDataRecordLog log(*record, m_image, m_random);
        if (log.Problem().isEmpty())
            m_logs.push_back(std::move(log));
        else
            m_skipped << QStringLiteral("log \"%1\": %2").arg(record->Name, log.Problem());
    }
    if (m_station.Alarms->Count() > 0) {
        m_alarms.emplace(*m_station.Alarms, m_image);
        if (!m_alarms->Problem().isEmpty()) {
            m_skipped << QStringLiteral("alarm history: %1").arg(m_alarms->Problem());
            m_alarms.reset();
        }
    }
    m_recipes.emplace(*m_station.Recipes);
}

void LivePanel::Step()
{
    ++m_steps;
    // Worked out from the start each time, so that fractional steps add up without drift.
    const quint32 tick =
        quint32(qint64(std::floor(m_startClock + m_stepSeconds * double(m_steps))));
    for (LiveDataRecordLog& log : m_logs)
        log.Append(m_image, tick, m_steps, m_random);
    ChangeAlarms(tick);
    if (--m_untilRecipeChange <= 0) {
        m_recipes->ChangeOne(m_image, m_random);
        m_untilRecipeChange = m_random.Between(1, MostStepsToRecipeChange);
    }
}

void LivePanel::ChangeAlarms(quint32 tick)
{
    if (!m_alarms)
        return;
    if (--m_untilAlarmEnd <= 0) {
        m_alarms->EndOne(m_image, tick, m_random);
        m_untilAlarmEnd = m_random.Between(1, MostStepsToAlarmEnd);
    }
    if (--m_untilAlarmStart <= 0) {
        m_alarms->StartOne(m_image, tick, m_random);
        m_untilAlarmStart = m_random.Between(1, MostStepsToAlarmStart);
    }
}
