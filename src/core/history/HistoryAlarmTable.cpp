#include "HistoryAlarmTable.h"

#include "HistoryStore.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivDefinitions.h"
#include "reports/KivUtil.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdlib>

namespace
{

// A screenful of rows scrolled a few pages either way stays read.
constexpr size_t KeptPages = 16;
const QString StoredTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

void ThrowQueryError(const THistoryStore& store, const QSqlQuery& query)
{
    throw THistoryError(store.Dialect().Classify(query.lastError()),
                        query.lastError().text().trimmed());
}

QSqlQuery Prepared(const THistoryStore& store, const QString& sql)
{
    QSqlQuery query(store.Database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        ThrowQueryError(store, query);
    return query;
}

void Execute(const THistoryStore& store, QSqlQuery& query)
{
    if (!query.exec())
        ThrowQueryError(store, query);
}

QString StoredTime(qint64 panelTime)
{
    return FormatTick(quint32(panelTime), StoredTimeFormat);
}

} // namespace

THistoryAlarmTable::THistoryAlarmTable(const THistoryStore* store, const QString& stationKey,
                                       const TKivAlarms& alarms)
    : m_store(store)
{
    Title = GetLangString(StrId::AlarmTitle);
    Heading = QStringList{GetLangString(StrId::AlarmIndexHeading),
                          GetLangString(StrId::StoredAlarmNumberHeading),
                          alarms.Title1,
                          alarms.Title2,
                          GetLangString(StrId::StoredAlarmDurationHeading),
                          alarms.Title3};
    if (!store || stationKey.isEmpty())
        return;
    THistoryFilter filter;
    filter.StationKeys = {stationKey};
    const auto tables = HistoryTables(*store, filter, THistoryKind::Alarm);
    // Counting runs along the primary key (table_id, seq) of each version.
    QSqlQuery count = Prepared(
        *store, QStringLiteral("SELECT COUNT(*), MIN(seq), MAX(seq) FROM alarm_line WHERE table_id = ?"));
    for (const auto& table : tables) {
        count.bindValue(0, table->Id);
        Execute(*store, count);
        if (!count.next() || count.value(0).toLongLong() == 0)
            continue;
        Version version;
        version.Id = table->Id;
        version.FirstRow = m_rows;
        version.Count = count.value(0).toLongLong();
        version.FirstSeq = count.value(1).toLongLong();
        version.Dense = count.value(2).toLongLong() - version.FirstSeq + 1 == version.Count;
        m_versions.push_back(version);
        m_rows += version.Count;
    }
}

void THistoryAlarmTable::RowCells(qint64 row, QStringList& cells) const
{
    cells.clear();
    cells.append(QString::number(row));
    const Page* page = PageOf(row);
    if (!page || row - page->FirstRow >= qint64(page->Rows.size()))
        return;
    const THistoryAlarmRow& line = page->Rows[size_t(row - page->FirstRow)];
    cells.append(QString::number(line.Number));
    cells.append(StoredTime(line.PanelStart));
    cells.append(line.PanelEnd ? StoredTime(*line.PanelEnd) : QString());
    cells.append(line.PanelEnd ? DurationText(*line.PanelEnd - line.PanelStart) : QString());
    cells.append(line.Message);
}

QString THistoryAlarmTable::DurationText(qint64 seconds)
{
    const qint64 magnitude = std::llabs(seconds);
    return QStringLiteral("%1%2:%3:%4")
        .arg(seconds < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 3600)
        .arg(magnitude / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

const THistoryAlarmTable::Page* THistoryAlarmTable::PageOf(qint64 row) const
{
    const auto version = std::find_if(m_versions.begin(), m_versions.end(), [row](const Version& v) {
        return row >= v.FirstRow && row < v.FirstRow + v.Count;
    });
    if (version == m_versions.end())
        return nullptr;
    const qint64 firstRow =
        version->FirstRow + (row - version->FirstRow) / PageRows * PageRows;
    for (auto page = m_pages.begin(); page != m_pages.end(); ++page)
        if (page->FirstRow == firstRow) {
            m_pages.splice(m_pages.begin(), m_pages, page);
            return &m_pages.front();
        }
    Page page;
    try {
        ReadPage(*version, firstRow, page);
    } catch (const THistoryError& error) {
        if (m_error.isEmpty())
            m_error = error.message();
        return nullptr;
    }
    m_pages.push_front(std::move(page));
    if (m_pages.size() > KeptPages)
        m_pages.pop_back();
    return &m_pages.front();
}

void THistoryAlarmTable::ReadPage(const Version& version, qint64 firstRow, Page& page) const
{
    // A version whose seq runs without holes is read from the seq of the page's first row on;
    // any other from its offset. Both run along the primary key (table_id, seq).
    const qint64 offset = firstRow - version.FirstRow;
    static const QString columns = QStringLiteral(
        "SELECT seq, number, message_number, start_tick, end_tick, panel_start, panel_end, "
        "message, gap_before, read_id FROM alarm_line WHERE table_id = ? ");
    QSqlQuery query = Prepared(
        *m_store, version.Dense ? columns + QStringLiteral("AND seq >= ? ORDER BY seq LIMIT ?")
                               : columns + QStringLiteral("ORDER BY seq LIMIT ? OFFSET ?"));
    query.bindValue(0, version.Id);
    if (version.Dense) {
        query.bindValue(1, version.FirstSeq + offset);
        query.bindValue(2, PageRows);
    } else {
        query.bindValue(1, PageRows);
        query.bindValue(2, offset);
    }
    Execute(*m_store, query);
    page.FirstRow = firstRow;
    page.Rows.reserve(PageRows);
    while (query.next()) {
        THistoryAlarmRow line;
        line.Seq = query.value(0).toLongLong();
        line.Number = query.value(1).toUInt();
        line.MessageNumber = query.value(2).toUInt();
        line.StartTick = query.value(3).toUInt();
        if (!query.value(4).isNull())
            line.EndTick = query.value(4).toUInt();
        line.PanelStart = query.value(5).toLongLong();
        if (!query.value(6).isNull())
            line.PanelEnd = query.value(6).toLongLong();
        line.Message = query.value(7).toString();
        line.GapBefore = query.value(8).toBool();
        line.ReadId = query.value(9).toLongLong();
        page.Rows.push_back(std::move(line));
    }
}
