#include "HistoryExport.h"

#include "HistoryStore.h"

namespace
{

std::unique_ptr<THistoryExportTable> ExportTable(const QString& station, const QString& name,
                                                 const QStringList& titles)
{
    auto table = std::make_unique<THistoryExportTable>();
    table->Station = station;
    table->Name = name;
    table->Titles = titles;
    table->Keys = HistoryColumnKeys(titles);
    return table;
}

template <class Key>
const THistoryExportTable*
FindTable(const std::vector<std::pair<Key, const THistoryExportTable*>>& tables, Key key)
{
    for (const auto& [tableKey, table] : tables)
        if (tableKey == key)
            return table;
    return nullptr;
}

THistoryExportCell TextCell(QString text) { return {std::move(text), std::nullopt, false}; }

} // namespace

QStringList HistoryAlarmTitles()
{
    return {QStringLiteral("Number"), QStringLiteral("Start"), QStringLiteral("End"),
            QStringLiteral("Message")};
}

THistoryExport::THistoryExport(const THistoryStore& store, const THistoryFilter& filter,
                               bool alarms, const StationName& stationName, bool numbers)
    : m_stationName(stationName), m_numbers(numbers), m_entries(store, filter)
{
    for (const auto& info : m_entries.Tables()) {
        m_tables.push_back(ExportTable(stationName(info->StationKey), info->Name, info->Titles));
        m_entryTables.emplace_back(info.get(), m_tables.back().get());
    }
    if (alarms) {
        for (const auto& info : HistoryTables(store, filter, THistoryKind::Alarm)) {
            m_tables.push_back(ExportTable(m_stationName(info->StationKey), QStringLiteral("Alarm"),
                                           HistoryAlarmTitles()));
            m_alarmTables.emplace_back(info->Id, m_tables.back().get());
        }
        m_alarms.emplace(store, filter);
        m_hasAlarm = m_alarms->Next(m_alarm);
    }
    m_hasEntry = m_entries.Next(m_entry);
}

THistoryExport::~THistoryExport() = default;

std::vector<const THistoryExportTable*> THistoryExport::Tables() const
{
    std::vector<const THistoryExportTable*> tables;
    for (const auto& table : m_tables)
        tables.push_back(table.get());
    return tables;
}

bool THistoryExport::Next(THistoryExportRow& row)
{
    // Entries come first on equal times; untimed entries after every alarm line.
    const bool entryFirst =
        m_hasEntry && (!m_hasAlarm || (m_entry.PanelTime && *m_entry.PanelTime <= m_alarm.PanelStart));
    if (entryFirst) {
        FillEntry(row);
        m_hasEntry = m_entries.Next(m_entry);
        return true;
    }
    if (m_hasAlarm) {
        FillAlarm(row);
        m_hasAlarm = m_alarms->Next(m_alarm);
        return true;
    }
    return false;
}

void THistoryExport::FillEntry(THistoryExportRow& row)
{
    row.Table = FindTable(m_entryTables, m_entry.Table);
    row.PanelTime = m_entry.PanelTime;
    QStringList cells = m_entry.Cells();
    row.Cells.resize(size_t(cells.size()));
    for (qsizetype c = 0; c < cells.size(); ++c) {
        THistoryExportCell& cell = row.Cells[size_t(c)];
        cell.Text = std::move(cells[c]);
        cell.Number = m_numbers ? m_entry.Number(int(c)) : std::nullopt;
        // The report shows a decimal point exactly when the column has decimals.
        cell.Integer = cell.Number && !cell.Text.contains(QLatin1Char('.'));
    }
}

void THistoryExport::FillAlarm(THistoryExportRow& row)
{
    row.Table = FindTable(m_alarmTables, m_alarm.Table->Id);
    if (!row.Table) {
        // An alarm table stored by a read that ended after the tables were listed.
        m_tables.push_back(ExportTable(m_stationName(m_alarm.Table->StationKey),
                                       QStringLiteral("Alarm"), HistoryAlarmTitles()));
        m_alarmTables.emplace_back(m_alarm.Table->Id, m_tables.back().get());
        row.Table = m_tables.back().get();
    }
    row.PanelTime = m_alarm.PanelStart;
    row.Cells.clear();
    const double number = m_alarm.Number;
    row.Cells.push_back({QString::number(m_alarm.Number),
                         m_numbers ? std::optional<double>(number) : std::nullopt, true});
    row.Cells.push_back(TextCell(PanelTimeText(m_alarm.PanelStart)));
    row.Cells.push_back(TextCell(m_alarm.PanelEnd ? PanelTimeText(*m_alarm.PanelEnd) : QString()));
    row.Cells.push_back(TextCell(m_alarm.Message));
}
