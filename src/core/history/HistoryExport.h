#pragma once

// The rows of a history export: the stored data-record entries and alarm lines a filter
// selects, oldest first by panel time across all tables (entries of logs without time stamps
// last, as the entry cursor gives them), as rows for the serializers (HistorySerializer.h).
//
// An alarm line is a row of table "Alarm" at its start time, with the columns "Number" (the
// alarm's position in the station's alarm list), "Start", "End" (empty while the alarm is
// active; both "yyyy-MM-ddThh:mm:ss" of the panel's clock) and "Message".

#include "HistoryQuery.h"
#include "HistorySerializer.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class THistoryStore;

class THistoryExport
{
public:
    // The name a station goes by in the export, from its key in the store.
    using StationName = std::function<QString(const QString& stationKey)>;

    // Reads the data-record entries of filter (its table names select data records) and, when
    // alarms is set, the alarm lines of its stations and time range. numbers: fill the cells'
    // numbers (THistorySerializer::NeedsNumbers). The store must outlive the export. Throws
    // THistoryError when the store cannot be read, also from Next.
    THistoryExport(const THistoryStore& store, const THistoryFilter& filter, bool alarms,
                   const StationName& stationName, bool numbers);
    ~THistoryExport();

    // Every table the rows can come from, for THistorySerializer::Begin.
    std::vector<const THistoryExportTable*> Tables() const;
    // The next row into row; false when there is none left. row's table is owned by the export.
    bool Next(THistoryExportRow& row);

private:
    void FillEntry(THistoryExportRow& row);
    void FillAlarm(THistoryExportRow& row);

    StationName m_stationName;
    bool m_numbers;
    THistoryEntryCursor m_entries;
    std::optional<THistoryAlarmCursor> m_alarms;
    std::vector<std::unique_ptr<THistoryExportTable>> m_tables;
    std::vector<std::pair<const THistoryTableInfo*, const THistoryExportTable*>> m_entryTables;
    std::vector<std::pair<qint64, const THistoryExportTable*>> m_alarmTables; // by table id
    THistoryEntryRow m_entry;
    THistoryAlarmRow m_alarm;
    bool m_hasEntry = false;
    bool m_hasAlarm = false;
};

// The column titles of an alarm table in an export.
QStringList HistoryAlarmTitles();
