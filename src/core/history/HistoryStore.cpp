#include "HistoryStore.h"

#include "HistoryDiff.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <atomic>
#include <cstring>

namespace
{

// Rows a multi-row INSERT carries: fewer statements for a full ring, within every database's
// limit on bound values.
constexpr int RowsPerInsert = 64;

QVariant Null64()
{
    return QVariant(QMetaType::fromType<qint64>());
}

// Qt SQL binds a null QString as NULL; an empty text is stored as an empty text.
QVariant Text(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

qint64 Signed(quint64 value)
{
    return qint64(value);
}

QByteArray KeysBlob(const std::vector<THistoryKey>& keys)
{
    QByteArray blob(qsizetype(keys.size() * sizeof(THistoryKey)), Qt::Uninitialized);
    if (!keys.empty())
        std::memcpy(blob.data(), keys.data(), size_t(blob.size()));
    return blob;
}

std::vector<THistoryKey> BlobKeys(const QByteArray& blob)
{
    std::vector<THistoryKey> keys(size_t(blob.size()) / sizeof(THistoryKey));
    if (!keys.empty())
        std::memcpy(keys.data(), blob.constData(), keys.size() * sizeof(THistoryKey));
    return keys;
}

QString CollectedText(const QDateTime& collectedUtc)
{
    return collectedUtc.toUTC().toString(Qt::ISODateWithMs);
}

// The state of a table version at the last read that changed it.
struct TableState {
    qint64 id = 0;
    qsizetype ringCount = 0;
    std::optional<quint64> fingerprint;
    std::vector<THistoryKey> tail;
};

// One read's transaction: every statement runs on the store's connection; the first that
// fails throws THistoryError.
class ReadWriter
{
public:
    ReadWriter(QSqlDatabase db, const THistoryDialect& dialect,
               const std::function<void(const QString&)>& probe)
        : m_db(std::move(db)), m_dialect(dialect), m_probe(probe)
    {
    }

    QSqlQuery Prepare(const QString& sql)
    {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            Fail(query.lastError());
        return query;
    }
    void Exec(QSqlQuery& query)
    {
        if (!query.exec())
            Fail(query.lastError());
    }
    void Exec(const QString& sql)
    {
        QSqlQuery query(m_db);
        if (!query.exec(sql))
            Fail(query.lastError());
    }
    [[noreturn]] void Fail(const QSqlError& error)
    {
        throw THistoryError(m_dialect.Classify(error), error.text());
    }
    void Probe(const QString& stage) const
    {
        if (m_probe)
            m_probe(stage);
    }

    qint64 StationId(const THistoryStationInfo& station);
    TableState Table(qint64 stationId, const THistoryTableDef& def, bool timed);
    void SaveRing(const TableState& table, const std::vector<THistoryKey>& keys,
                  quint64 fingerprint);
    qint64 NextSeq(const QString& table, qint64 tableId);
    // Adds ring entries from FirstNew on; returns the rows added.
    qint64 AddEntries(qint64 tableId, const THistoryLogRing& ring, const TRingDiff& diff,
                      qint64 readId, THistoryReadResult& result);
    void AddAlarms(qint64 tableId, const THistoryAlarmRing& ring, const TAlarmDiff& diff,
                   qint64 readId, THistoryReadResult& result);
    std::unordered_map<THistoryKey, TStoredAlarm> StoredAlarms(qint64 tableId,
                                                               const THistoryAlarmRing& ring);
    bool AddRecipe(qint64 tableId, const THistoryRecipe& recipe, qint64 readId);
    qint64 AddReadRow(qint64 stationId, const QDateTime& collectedUtc);
    void FinishReadRow(qint64 readId, const QString& outcome, const THistoryReadResult& result);

private:
    QSqlDatabase m_db;
    const THistoryDialect& m_dialect;
    const std::function<void(const QString&)>& m_probe;
};

qint64 ReadWriter::StationId(const THistoryStationInfo& station)
{
    QSqlQuery upsert = Prepare(QStringLiteral(
        "INSERT INTO station (station_key, model, model_id, channel, number) VALUES (?, ?, ?, ?, ?) "
        "ON CONFLICT (station_key) DO UPDATE SET model = excluded.model, "
        "model_id = excluded.model_id, channel = excluded.channel, number = excluded.number"));
    upsert.addBindValue(Text(station.Key));
    upsert.addBindValue(Text(station.Model));
    upsert.addBindValue(qint64(station.ModelId));
    upsert.addBindValue(Text(station.Channel));
    upsert.addBindValue(qint64(station.Number));
    Exec(upsert);
    QSqlQuery select = Prepare(QStringLiteral("SELECT id FROM station WHERE station_key = ?"));
    select.addBindValue(Text(station.Key));
    Exec(select);
    if (!select.next())
        Fail(select.lastError());
    return select.value(0).toLongLong();
}

TableState ReadWriter::Table(qint64 stationId, const THistoryTableDef& def, bool timed)
{
    QSqlQuery insert = Prepare(QStringLiteral(
        "INSERT INTO log_table (station_id, kind, name, definition, definition_hash, titles, timed) "
        "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
    insert.addBindValue(stationId);
    insert.addBindValue(int(def.Kind));
    insert.addBindValue(Text(def.Name));
    insert.addBindValue(Text(QString::fromUtf8(def.Definition)));
    insert.addBindValue(Text(def.DefinitionHash));
    insert.addBindValue(Text(def.Titles.join(u'\t')));
    insert.addBindValue(timed ? 1 : 0);
    Exec(insert);
    // log_table's unique index (station_id, kind, name, definition_hash)
    QSqlQuery select = Prepare(QStringLiteral(
        "SELECT id, ring_count, ring_fingerprint, ring_tail FROM log_table "
        "WHERE station_id = ? AND kind = ? AND name = ? AND definition_hash = ?"));
    select.addBindValue(stationId);
    select.addBindValue(int(def.Kind));
    select.addBindValue(Text(def.Name));
    select.addBindValue(Text(def.DefinitionHash));
    Exec(select);
    if (!select.next())
        Fail(select.lastError());
    TableState state;
    state.id = select.value(0).toLongLong();
    state.ringCount = select.value(1).toLongLong();
    if (!select.value(2).isNull())
        state.fingerprint = quint64(select.value(2).toLongLong());
    state.tail = BlobKeys(select.value(3).toByteArray());
    return state;
}

void ReadWriter::SaveRing(const TableState& table, const std::vector<THistoryKey>& keys,
                          quint64 fingerprint)
{
    QSqlQuery update = Prepare(QStringLiteral(
        "UPDATE log_table SET ring_count = ?, ring_fingerprint = ?, ring_tail = ? WHERE id = ?"));
    update.addBindValue(qint64(keys.size()));
    update.addBindValue(Signed(fingerprint));
    update.addBindValue(KeysBlob(RingTail(keys)));
    update.addBindValue(table.id);
    Exec(update);
}

qint64 ReadWriter::NextSeq(const QString& table, qint64 tableId)
{
    // the table's primary key (table_id, seq)
    QSqlQuery query =
        Prepare(QStringLiteral("SELECT MAX(seq) FROM %1 WHERE table_id = ?").arg(table));
    query.addBindValue(tableId);
    Exec(query);
    return query.next() && !query.value(0).isNull() ? query.value(0).toLongLong() + 1 : 1;
}

qint64 ReadWriter::AddEntries(qint64 tableId, const THistoryLogRing& ring, const TRingDiff& diff,
                              qint64 readId, THistoryReadResult& result)
{
    const qsizetype first = diff.FirstNew;
    const qsizetype total = qsizetype(ring.Entries.size()) - first;
    if (total <= 0)
        return 0;
    const QString rowText = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?)");
    auto statement = [&](qsizetype rows) {
        QStringList values(rows, rowText);
        return Prepare(QStringLiteral("INSERT INTO log_entry (table_id, seq, tick, panel_time, "
                                      "values_hash, raw, gap_before, read_id) VALUES ") +
                       values.join(u',') + QStringLiteral(" ON CONFLICT DO NOTHING"));
    };
    QSqlQuery full = statement(RowsPerInsert);
    qint64 seq = NextSeq(QStringLiteral("log_entry"), tableId);
    const qint64 firstSeq = seq;
    qint64 added = 0;
    for (qsizetype done = 0; done < total;) {
        const qsizetype rows = std::min<qsizetype>(RowsPerInsert, total - done);
        QSqlQuery partial;
        QSqlQuery& insert = rows == RowsPerInsert ? full : (partial = statement(rows));
        int bound = 0;
        for (qsizetype r = 0; r < rows; ++r, ++done) {
            const THistoryLogEntry& entry = ring.Entries[size_t(first + done)];
            insert.bindValue(bound++, tableId);
            insert.bindValue(bound++, seq++);
            insert.bindValue(bound++, entry.Tick ? QVariant(qint64(*entry.Tick)) : Null64());
            insert.bindValue(bound++, entry.PanelTime ? QVariant(*entry.PanelTime) : Null64());
            insert.bindValue(bound++, Signed(entry.ValuesHash));
            insert.bindValue(bound++, entry.Raw);
            insert.bindValue(bound++, diff.Gap && done == 0 ? 1 : 0);
            insert.bindValue(bound++, readId);
        }
        Exec(insert);
        added += insert.numRowsAffected();
    }
    if (added > 0)
        result.Ranges.push_back({tableId, THistoryKind::DataRecord, firstSeq, seq - 1});
    return added;
}

std::unordered_map<THistoryKey, TStoredAlarm>
ReadWriter::StoredAlarms(qint64 tableId, const THistoryAlarmRing& ring)
{
    std::unordered_map<THistoryKey, TStoredAlarm> stored;
    if (ring.Entries.empty())
        return stored;
    quint32 low = ring.Entries.front().Start;
    quint32 high = low;
    for (const THistoryAlarmEntry& entry : ring.Entries) {
        low = std::min(low, entry.Start);
        high = std::max(high, entry.Start);
    }
    // alarm_line's unique index (table_id, start_tick, number)
    QSqlQuery query = Prepare(QStringLiteral(
        "SELECT number, start_tick, end_tick IS NOT NULL FROM alarm_line "
        "WHERE table_id = ? AND start_tick BETWEEN ? AND ?"));
    query.addBindValue(tableId);
    query.addBindValue(qint64(low));
    query.addBindValue(qint64(high));
    Exec(query);
    while (query.next()) {
        THistoryAlarmEntry key;
        key.Number = quint32(query.value(0).toLongLong());
        key.Start = quint32(query.value(1).toLongLong());
        stored[key.Key()] = TStoredAlarm{query.value(2).toInt() != 0};
    }
    return stored;
}

void ReadWriter::AddAlarms(qint64 tableId, const THistoryAlarmRing& ring, const TAlarmDiff& diff,
                           qint64 readId, THistoryReadResult& result)
{
    if (!diff.Added.empty()) {
        QSqlQuery insert = Prepare(QStringLiteral(
            "INSERT INTO alarm_line (table_id, seq, number, start_tick, end_tick, panel_start, "
            "panel_end, message_number, message, gap_before, read_id, end_read_id) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
        qint64 seq = NextSeq(QStringLiteral("alarm_line"), tableId);
        const qint64 firstSeq = seq;
        qint64 added = 0;
        for (const qsizetype i : diff.Added) {
            const THistoryAlarmEntry& entry = ring.Entries[size_t(i)];
            const bool ended = entry.End != 0;
            insert.bindValue(0, tableId);
            insert.bindValue(1, seq++);
            insert.bindValue(2, qint64(entry.Number));
            insert.bindValue(3, qint64(entry.Start));
            insert.bindValue(4, ended ? QVariant(qint64(entry.End)) : Null64());
            insert.bindValue(5, entry.PanelStart);
            insert.bindValue(6, entry.PanelEnd ? QVariant(*entry.PanelEnd) : Null64());
            insert.bindValue(7, qint64(entry.MessageNumber));
            insert.bindValue(8, Text(entry.Message));
            insert.bindValue(9, diff.Gap && i == diff.Added.front() ? 1 : 0);
            insert.bindValue(10, readId);
            insert.bindValue(11, ended ? QVariant(readId) : Null64());
            Exec(insert);
            added += insert.numRowsAffected();
        }
        result.AlarmsAdded += added;
        if (added > 0)
            result.Ranges.push_back({tableId, THistoryKind::Alarm, firstSeq, seq - 1});
    }
    if (diff.Ended.empty())
        return;
    QSqlQuery update = Prepare(QStringLiteral(
        "UPDATE alarm_line SET end_tick = ?, panel_end = ?, end_read_id = ? "
        "WHERE table_id = ? AND start_tick = ? AND number = ? AND end_tick IS NULL"));
    for (const qsizetype i : diff.Ended) {
        const THistoryAlarmEntry& entry = ring.Entries[size_t(i)];
        update.bindValue(0, qint64(entry.End));
        update.bindValue(1, entry.PanelEnd ? QVariant(*entry.PanelEnd) : Null64());
        update.bindValue(2, readId);
        update.bindValue(3, tableId);
        update.bindValue(4, qint64(entry.Start));
        update.bindValue(5, qint64(entry.Number));
        Exec(update);
        result.AlarmsEnded += update.numRowsAffected();
    }
}

bool ReadWriter::AddRecipe(qint64 tableId, const THistoryRecipe& recipe, qint64 readId)
{
    // recipe_version's primary key (table_id, seq), newest first
    QSqlQuery last = Prepare(QStringLiteral(
        "SELECT contents_hash FROM recipe_version WHERE table_id = ? ORDER BY seq DESC LIMIT 1"));
    last.addBindValue(tableId);
    Exec(last);
    std::optional<quint64> lastHash;
    if (last.next())
        lastHash = quint64(last.value(0).toLongLong());
    if (!RecipeChanged(lastHash, recipe))
        return false;
    QStringList lines;
    for (const QStringList& row : recipe.Rows)
        lines.append(row.join(u'\t'));
    QSqlQuery insert = Prepare(QStringLiteral(
        "INSERT INTO recipe_version (table_id, seq, contents_hash, raw, cells, read_id) "
        "VALUES (?, ?, ?, ?, ?, ?)"));
    insert.addBindValue(tableId);
    insert.addBindValue(NextSeq(QStringLiteral("recipe_version"), tableId));
    insert.addBindValue(Signed(recipe.ContentsHash));
    insert.addBindValue(recipe.Raw);
    insert.addBindValue(Text(lines.join(u'\n')));
    insert.addBindValue(readId);
    Exec(insert);
    return true;
}

qint64 ReadWriter::AddReadRow(qint64 stationId, const QDateTime& collectedUtc)
{
    // RETURNING rather than the driver's last insert id, which not every database gives.
    QSqlQuery insert = Prepare(QStringLiteral(
        "INSERT INTO read (station_id, collected_utc, outcome, rows_added, gaps) "
        "VALUES (?, ?, '', 0, '') RETURNING id"));
    insert.addBindValue(stationId);
    insert.addBindValue(Text(CollectedText(collectedUtc)));
    Exec(insert);
    if (!insert.next())
        Fail(insert.lastError());
    const qint64 id = insert.value(0).toLongLong();
    insert.finish();
    return id;
}

void ReadWriter::FinishReadRow(qint64 readId, const QString& outcome,
                               const THistoryReadResult& result)
{
    QSqlQuery update = Prepare(
        QStringLiteral("UPDATE read SET outcome = ?, rows_added = ?, gaps = ? WHERE id = ?"));
    update.addBindValue(Text(outcome));
    update.addBindValue(result.RowsAdded());
    update.addBindValue(Text(result.Gaps.join(u'\n')));
    update.addBindValue(readId);
    Exec(update);
}

QStringList SchemaStatements(const THistoryDialect& dialect)
{
    const QString key = dialect.AutoKeyColumn();
    const QString blob = dialect.BlobType();
    const QString clustered = dialect.ClusteredTableSuffix();
    return {
        QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE station (id %1, station_key TEXT NOT NULL UNIQUE, "
                       "model TEXT NOT NULL, model_id BIGINT NOT NULL, channel TEXT NOT NULL, "
                       "number BIGINT NOT NULL)")
            .arg(key),
        QStringLiteral("CREATE TABLE log_table (id %1, station_id BIGINT NOT NULL "
                       "REFERENCES station (id), kind INTEGER NOT NULL, name TEXT NOT NULL, "
                       "definition TEXT NOT NULL, definition_hash TEXT NOT NULL, "
                       "titles TEXT NOT NULL, timed INTEGER NOT NULL, "
                       "ring_count BIGINT NOT NULL DEFAULT 0, ring_fingerprint BIGINT, "
                       "ring_tail %2, UNIQUE (station_id, kind, name, definition_hash))")
            .arg(key, blob),
        QStringLiteral("CREATE TABLE read (id %1, station_id BIGINT NOT NULL "
                       "REFERENCES station (id), collected_utc TEXT NOT NULL, "
                       "outcome TEXT NOT NULL, rows_added BIGINT NOT NULL, gaps TEXT NOT NULL)")
            .arg(key),
        QStringLiteral("CREATE INDEX read_station_time ON read (station_id, collected_utc)"),
        QStringLiteral("CREATE TABLE log_entry (table_id BIGINT NOT NULL, seq BIGINT NOT NULL, "
                       "tick BIGINT, panel_time BIGINT, values_hash BIGINT NOT NULL, "
                       "raw %1 NOT NULL, gap_before INTEGER NOT NULL, read_id BIGINT NOT NULL, "
                       "PRIMARY KEY (table_id, seq))%2")
            .arg(blob, clustered),
        QStringLiteral("CREATE UNIQUE INDEX log_entry_identity "
                       "ON log_entry (table_id, tick, values_hash)"),
        QStringLiteral("CREATE INDEX log_entry_time ON log_entry (table_id, panel_time)"),
        QStringLiteral("CREATE TABLE alarm_line (table_id BIGINT NOT NULL, seq BIGINT NOT NULL, "
                       "number BIGINT NOT NULL, start_tick BIGINT NOT NULL, end_tick BIGINT, "
                       "panel_start BIGINT NOT NULL, panel_end BIGINT, "
                       "message_number BIGINT NOT NULL, message TEXT NOT NULL, "
                       "gap_before INTEGER NOT NULL, read_id BIGINT NOT NULL, "
                       "end_read_id BIGINT, PRIMARY KEY (table_id, seq))%1")
            .arg(clustered),
        QStringLiteral("CREATE UNIQUE INDEX alarm_line_identity "
                       "ON alarm_line (table_id, start_tick, number)"),
        QStringLiteral("CREATE INDEX alarm_line_time ON alarm_line (table_id, panel_start)"),
        QStringLiteral("CREATE TABLE recipe_version (table_id BIGINT NOT NULL, "
                       "seq BIGINT NOT NULL, contents_hash BIGINT NOT NULL, raw %1 NOT NULL, "
                       "cells TEXT NOT NULL, read_id BIGINT NOT NULL, "
                       "PRIMARY KEY (table_id, seq))%2")
            .arg(blob, clustered),
        QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)")
            .arg(THistoryStore::SchemaVersion),
    };
}

// The alarm history's name in gap and outcome texts (it has no name of its own).
const QString AlarmTableName = QStringLiteral("alarms");

// The alarm ring's fingerprint also covers the end times: a line that ended changes it.
quint64 AlarmFingerprint(const THistoryAlarmRing& ring)
{
    std::vector<THistoryKey> keys;
    keys.reserve(ring.Entries.size());
    for (const THistoryAlarmEntry& entry : ring.Entries)
        keys.push_back(HistoryHash(entry.Key(), entry.End));
    return RingFingerprint(keys);
}

QString NextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tamsor-history-%1").arg(++counter);
}

} // namespace

THistoryStore::THistoryStore(const QString& path, OpenMode mode)
    : m_path(path), m_connectionName(NextConnectionName()),
      m_dialect(std::make_unique<THistorySqliteDialect>())
{
    if (mode == ExistingOnly && !QFileInfo::exists(path))
        throw THistoryError(THistoryFailure::Failed, LangText(StrId::HistoryNoStore, {path}));
    const bool existed = QFileInfo::exists(path);
    if (mode == CreateMissing)
        QDir().mkpath(QFileInfo(path).absolutePath()); // a folder named for the store

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_dialect->DriverName(), m_connectionName);
        db.setDatabaseName(path);
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connectionName);
            throw THistoryError(m_dialect->Classify(error), error.text());
        }
    }
    try {
        QSqlDatabase db = Database();
        m_dialect->SetUpConnection(db);
        CreateOrCheckSchema();
    } catch (...) {
        Database().close();
        QSqlDatabase::removeDatabase(m_connectionName);
        // A store that could not be made (disk full) leaves no empty file behind.
        if (!existed) {
            for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(path + suffix);
        }
        throw;
    }
}

THistoryStore::~THistoryStore()
{
    Database().close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QStringList THistoryStore::StationKeysLike(const THistoryStationInfo& station) const
{
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT station_key FROM station WHERE model = ? AND channel = ? "
                                 "AND number = ? ORDER BY id DESC"));
    query.addBindValue(Text(station.Model));
    query.addBindValue(Text(station.Channel));
    query.addBindValue(qint64(station.Number));
    if (!query.exec())
        throw THistoryError(m_dialect->Classify(query.lastError()), query.lastError().text());
    QStringList keys;
    while (query.next())
        keys.append(query.value(0).toString());
    return keys;
}

QSqlDatabase THistoryStore::Database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void THistoryStore::CreateOrCheckSchema()
{
    QSqlDatabase db = Database();
    ReadWriter writer(db, *m_dialect, m_probe);
    const QString versionTable = QStringLiteral("schema_version");
    if (!db.tables().contains(versionTable)) {
        if (!db.tables().isEmpty())
            throw THistoryError(THistoryFailure::Damaged,
                                LangText(StrId::HistoryNotAStore, {m_path}));
        // Made under the write lock, so two programs starting at once make it once.
        writer.Exec(m_dialect->BeginWrite());
        try {
            if (!db.tables().contains(versionTable)) {
                for (const QString& statement : SchemaStatements(*m_dialect))
                    writer.Exec(statement);
            }
            writer.Exec(QStringLiteral("COMMIT"));
        } catch (const THistoryError&) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            throw;
        }
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !query.next())
        writer.Fail(query.lastError());
    const int version = query.value(0).toInt();
    if (version > SchemaVersion)
        throw THistoryError(THistoryFailure::Failed,
                            LangText(StrId::HistoryNewerStore, {m_path, QString::number(version)}));
}

THistoryReadResult THistoryStore::AddRead(const THistoryStationInfo& station,
                                          const THistorySnapshot& snapshot,
                                          const QDateTime& collectedUtc)
{
    QSqlDatabase db = Database();
    ReadWriter writer(db, *m_dialect, m_probe);
    writer.Exec(m_dialect->BeginWrite());
    THistoryReadResult result;
    try {
        writer.Probe(QStringLiteral("begun"));
        const qint64 stationId = writer.StationId(station);
        writer.Probe(QStringLiteral("station"));
        result.ReadId = writer.AddReadRow(stationId, collectedUtc);
        QStringList unreadable;
        for (const THistoryLogRing& ring : snapshot.Logs) {
            const TableState table = writer.Table(stationId, ring.Def, ring.Timed);
            if (!ring.Valid) {
                unreadable.append(ring.Def.Name);
                continue;
            }
            const std::vector<THistoryKey> keys = ring.Keys();
            const quint64 fingerprint = RingFingerprint(keys);
            if (table.fingerprint == fingerprint)
                continue;
            const TRingDiff diff = DiffRing(table.tail, table.ringCount, keys);
            if (diff.Gap)
                result.Gaps.append(ring.Def.Name);
            result.EntriesAdded += writer.AddEntries(table.id, ring, diff, result.ReadId, result);
            writer.Probe(QStringLiteral("entries"));
            writer.SaveRing(table, keys, fingerprint);
        }
        if (snapshot.Alarms) {
            const THistoryAlarmRing& ring = *snapshot.Alarms;
            const TableState table = writer.Table(stationId, ring.Def, true);
            const std::vector<THistoryKey> keys = ring.Keys();
            const quint64 fingerprint = AlarmFingerprint(ring);
            if (!ring.Valid) {
                unreadable.append(AlarmTableName);
            } else if (table.fingerprint != fingerprint) {
                const TAlarmDiff diff = DiffAlarms(table.tail, table.ringCount,
                                                   writer.StoredAlarms(table.id, ring), ring);
                if (diff.Gap)
                    result.Gaps.append(AlarmTableName);
                writer.AddAlarms(table.id, ring, diff, result.ReadId, result);
                writer.Probe(QStringLiteral("alarms"));
                writer.SaveRing(table, keys, fingerprint);
            }
        }
        for (const THistoryRecipe& recipe : snapshot.Recipes) {
            const TableState table = writer.Table(stationId, recipe.Def, false);
            if (writer.AddRecipe(table.id, recipe, result.ReadId))
                ++result.RecipeVersions;
        }
        writer.Probe(QStringLiteral("recipes"));
        const QString outcome = unreadable.isEmpty()
                                    ? QStringLiteral("ok")
                                    : QStringLiteral("unreadable: ") + unreadable.join(u'\n');
        writer.FinishReadRow(result.ReadId, outcome, result);
        writer.Probe(QStringLiteral("read"));
        writer.Exec(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    writer.Probe(QStringLiteral("committed"));
    return result;
}
