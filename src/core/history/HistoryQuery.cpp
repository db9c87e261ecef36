#include "HistoryQuery.h"

#include "HistoryStore.h"

#include <QSqlError>
#include <QVariant>

#include <limits>

namespace
{

constexpr qint64 EarliestTime = std::numeric_limits<qint64>::min();
constexpr qint64 LatestTime = std::numeric_limits<qint64>::max();

[[noreturn]] void Fail(const THistoryStore& store, const QSqlQuery& query)
{
    throw THistoryError(store.Dialect().Classify(query.lastError()), query.lastError().text());
}

QSqlQuery Run(const THistoryStore& store, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(store.Database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        Fail(store, query);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        Fail(store, query);
    return query;
}

// " AND column IN (?, ?, ...)" for a non-empty list, with its values appended to values.
template <class List>
QString InClause(const QString& column, const List& list, QVariantList& values)
{
    if (list.empty())
        return QString();
    QStringList marks;
    for (const auto& item : list) {
        marks.append(QStringLiteral("?"));
        values.append(QVariant::fromValue(item));
    }
    return QStringLiteral(" AND %1 IN (%2)").arg(column, marks.join(QStringLiteral(", ")));
}

// One table's rows as they are taken, for the merge oldest first.
struct Source {
    const THistoryTableInfo* table = nullptr;
    QSqlQuery query;
    bool hasRow = false;
    qint64 time = 0;

    void Advance(int timeColumn)
    {
        hasRow = query.next();
        if (hasRow && table->Timed)
            time = query.value(timeColumn).toLongLong();
    }
};

// The source whose current row comes next: the earliest panel time among the timed tables
// (the first table on a tie), then the untimed tables one after the other. Null when all are
// done.
Source* NextSource(std::vector<Source>& sources)
{
    Source* best = nullptr;
    for (Source& source : sources) {
        if (!source.hasRow || !source.table->Timed)
            continue;
        if (!best || source.time < best->time)
            best = &source;
    }
    if (best)
        return best;
    for (Source& source : sources)
        if (source.hasRow)
            return &source;
    return nullptr;
}

std::optional<qint64> OptionalLong(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional<qint64>(value.toLongLong());
}

} // namespace

std::vector<std::unique_ptr<THistoryTableInfo>>
HistoryTables(const THistoryStore& store, const THistoryFilter& filter,
              std::optional<THistoryKind> kind)
{
    QVariantList values;
    QString sql = QStringLiteral(
        "SELECT t.id, t.kind, t.name, t.definition, t.titles, t.timed, s.station_key, s.model, "
        "s.channel, s.number FROM log_table t JOIN station s ON s.id = t.station_id WHERE 1 = 1");
    if (kind) {
        sql += QStringLiteral(" AND t.kind = ?");
        values.append(int(*kind));
    }
    sql += InClause(QStringLiteral("s.station_key"), filter.StationKeys, values);
    if (kind != THistoryKind::Alarm)
        sql += InClause(QStringLiteral("t.name"), filter.TableNames, values);
    sql += InClause(QStringLiteral("t.id"), filter.TableIds, values);
    sql += QStringLiteral(" ORDER BY s.station_key, t.kind, t.name, t.id");
    QSqlQuery query = Run(store, sql, values);
    std::vector<std::unique_ptr<THistoryTableInfo>> tables;
    while (query.next()) {
        auto table = std::make_unique<THistoryTableInfo>();
        table->Id = query.value(0).toLongLong();
        table->Kind = THistoryKind(query.value(1).toInt());
        table->Name = query.value(2).toString();
        if (table->Kind == THistoryKind::DataRecord)
            table->Columns = THistoryColumns::FromDefinition(query.value(3).toString().toUtf8());
        table->Titles = query.value(4).toString().split(u'\t');
        table->Timed = query.value(5).toInt() != 0;
        table->StationKey = query.value(6).toString();
        table->StationModel = query.value(7).toString();
        table->StationChannel = query.value(8).toString();
        table->StationNumber = quint32(query.value(9).toLongLong());
        tables.push_back(std::move(table));
    }
    return tables;
}

QStringList THistoryEntryRow::Cells() const
{
    return Table ? Table->Columns.Cells(Raw, PanelTime) : QStringList();
}

std::optional<double> THistoryEntryRow::Number(int column) const
{
    return Table ? Table->Columns.Number(Raw, column) : std::nullopt;
}

struct THistoryEntryCursor::State {
    std::vector<std::unique_ptr<THistoryTableInfo>> tables;
    std::vector<Source> sources;
};

THistoryEntryCursor::THistoryEntryCursor(const THistoryStore& store, const THistoryFilter& filter)
    : m_state(std::make_unique<State>())
{
    m_state->tables = HistoryTables(store, filter, THistoryKind::DataRecord);
    const bool timeRange = filter.From || filter.To;
    for (const auto& table : m_state->tables) {
        if (!table->Timed && timeRange)
            continue; // entries without time stamps lie in no time range
        QVariantList values{table->Id, filter.FromSeq.value_or(0)};
        QString sql = QStringLiteral(
            "SELECT seq, panel_time, raw, gap_before, read_id FROM log_entry "
            "WHERE table_id = ? AND seq >= ?");
        if (table->Timed) {
            // log_entry's index (table_id, panel_time), which holds seq as part of the key
            sql += QStringLiteral(" AND panel_time >= ? AND panel_time < ? "
                                  "ORDER BY panel_time, seq");
            values << filter.From.value_or(EarliestTime) << filter.To.value_or(LatestTime);
        } else {
            sql += QStringLiteral(" ORDER BY seq"); // the primary key (table_id, seq)
        }
        Source source{table.get(), Run(store, sql, values)};
        source.Advance(1);
        m_state->sources.push_back(std::move(source));
    }
}

THistoryEntryCursor::~THistoryEntryCursor() = default;
THistoryEntryCursor::THistoryEntryCursor(THistoryEntryCursor&&) noexcept = default;

bool THistoryEntryCursor::Next(THistoryEntryRow& row)
{
    Source* source = NextSource(m_state->sources);
    if (!source)
        return false;
    const QSqlQuery& query = source->query;
    row.Table = source->table;
    row.Seq = query.value(0).toLongLong();
    row.PanelTime = OptionalLong(query.value(1));
    row.Raw = query.value(2).toByteArray();
    row.GapBefore = query.value(3).toInt() != 0;
    row.ReadId = query.value(4).toLongLong();
    source->Advance(1);
    return true;
}

const std::vector<std::unique_ptr<THistoryTableInfo>>& THistoryEntryCursor::Tables() const
{
    return m_state->tables;
}

struct THistoryAlarmCursor::State {
    std::vector<std::unique_ptr<THistoryTableInfo>> tables;
    std::vector<Source> sources;
};

THistoryAlarmCursor::THistoryAlarmCursor(const THistoryStore& store, const THistoryFilter& filter)
    : m_state(std::make_unique<State>())
{
    m_state->tables = HistoryTables(store, filter, THistoryKind::Alarm);
    for (const auto& table : m_state->tables) {
        // alarm_line's index (table_id, panel_start), which holds seq as part of the key
        Source source{table.get(),
                      Run(store,
                          QStringLiteral("SELECT seq, panel_start, number, message_number, "
                                         "start_tick, end_tick, panel_end, message, gap_before, "
                                         "read_id FROM alarm_line WHERE table_id = ? "
                                         "AND seq >= ? AND panel_start >= ? AND panel_start < ? "
                                         "ORDER BY panel_start, seq"),
                          {table->Id, filter.FromSeq.value_or(0),
                           filter.From.value_or(EarliestTime), filter.To.value_or(LatestTime)})};
        source.Advance(1);
        m_state->sources.push_back(std::move(source));
    }
}

THistoryAlarmCursor::~THistoryAlarmCursor() = default;
THistoryAlarmCursor::THistoryAlarmCursor(THistoryAlarmCursor&&) noexcept = default;

bool THistoryAlarmCursor::Next(THistoryAlarmRow& row)
{
    Source* source = NextSource(m_state->sources);
    if (!source)
        return false;
    const QSqlQuery& query = source->query;
    row.Table = source->table;
    row.Seq = query.value(0).toLongLong();
    row.PanelStart = query.value(1).toLongLong();
    row.Number = quint32(query.value(2).toLongLong());
    row.MessageNumber = quint32(query.value(3).toLongLong());
    row.StartTick = quint32(query.value(4).toLongLong());
    const auto end = OptionalLong(query.value(5));
    row.EndTick = end ? std::optional<quint32>(quint32(*end)) : std::nullopt;
    row.PanelEnd = OptionalLong(query.value(6));
    row.Message = query.value(7).toString();
    row.GapBefore = query.value(8).toInt() != 0;
    row.ReadId = query.value(9).toLongLong();
    source->Advance(1);
    return true;
}

std::vector<THistoryPoint> HistoryColumnSeries(const THistoryStore& store, qint64 tableId,
                                               int column, qint64 from, qint64 to)
{
    QSqlQuery definition =
        Run(store, QStringLiteral("SELECT definition FROM log_table WHERE id = ?"), {tableId});
    if (!definition.next())
        return {};
    const THistoryColumns columns =
        THistoryColumns::FromDefinition(definition.value(0).toString().toUtf8());
    // log_entry's index (table_id, panel_time)
    QSqlQuery query = Run(store,
                          QStringLiteral("SELECT panel_time, raw FROM log_entry WHERE table_id = ? "
                                         "AND panel_time >= ? AND panel_time < ? "
                                         "ORDER BY panel_time, seq"),
                          {tableId, from, to});
    std::vector<THistoryPoint> points;
    while (query.next()) {
        const auto value = columns.Number(query.value(1).toByteArray(), column);
        if (value)
            points.push_back({query.value(0).toLongLong(), *value});
    }
    return points;
}

std::vector<THistoryReadRow> HistoryReads(const THistoryStore& store, const QString& stationKey)
{
    QVariantList values;
    QString sql = QStringLiteral(
        "SELECT r.id, s.station_key, r.collected_utc, r.outcome, r.rows_added, r.gaps "
        "FROM read r JOIN station s ON s.id = r.station_id");
    if (!stationKey.isEmpty()) {
        // read's index (station_id, collected_utc)
        sql += QStringLiteral(" WHERE s.station_key = ? ORDER BY r.collected_utc, r.id");
        values.append(stationKey);
    } else {
        sql += QStringLiteral(" ORDER BY r.id"); // the order the reads were stored
    }
    QSqlQuery query = Run(store, sql, values);
    std::vector<THistoryReadRow> reads;
    while (query.next()) {
        THistoryReadRow read;
        read.Id = query.value(0).toLongLong();
        read.StationKey = query.value(1).toString();
        read.CollectedUtc = QDateTime::fromString(query.value(2).toString(), Qt::ISODateWithMs);
        read.Outcome = query.value(3).toString();
        read.RowsAdded = query.value(4).toLongLong();
        const QString gaps = query.value(5).toString();
        if (!gaps.isEmpty())
            read.Gaps = gaps.split(u'\n');
        reads.push_back(std::move(read));
    }
    return reads;
}

QString PanelTimeText(qint64 panelTime)
{
    return QDateTime::fromSecsSinceEpoch(panelTime, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}
