#include "HistoryDialect.h"

#include "HistoryStore.h"

#include <QSqlQuery>

namespace
{

// SQLite's primary result codes (the low byte of an extended code).
constexpr int SqliteBusy = 5;
constexpr int SqliteLocked = 6;
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADatabase = 26;

} // namespace

void THistorySqliteDialect::SetUpConnection(QSqlDatabase& db) const
{
    QSqlQuery query(db);
    // WAL: readers (the window's history views) never block the writer, and a crash leaves
    // the last committed read. NORMAL sync keeps each commit atomic without an fsync per read.
    const QString statements[] = {
        QStringLiteral("PRAGMA busy_timeout = %1").arg(m_busyMs),
        QStringLiteral("PRAGMA journal_mode = WAL"),
        QStringLiteral("PRAGMA synchronous = NORMAL"),
    };
    for (const QString& statement : statements) {
        if (!query.exec(statement))
            throw THistoryError(Classify(query.lastError()), query.lastError().text());
    }
}

THistoryFailure THistorySqliteDialect::Classify(const QSqlError& error) const
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xFF;
    if (!ok)
        return THistoryFailure::Failed;
    switch (code) {
    case SqliteBusy:
    case SqliteLocked:
        return THistoryFailure::Locked;
    case SqliteCorrupt:
    case SqliteNotADatabase:
        return THistoryFailure::Damaged;
    default:
        return THistoryFailure::Failed;
    }
}
