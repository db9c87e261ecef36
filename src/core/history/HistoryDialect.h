#pragma once

// Everything the history store does differently per database: the Qt SQL driver, how a
// connection is set up, the few column types and clauses that differ, how a writing
// transaction begins and how the driver's errors are told apart. The store's SQL is otherwise
// the same for SQLite (the embedded default) and PostgreSQL.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

enum class THistoryFailure {
    Failed,  // anything else: disk full, no permission, a store of a newer version
    Locked,  // another program holds the store beyond the busy timeout
    Damaged, // the file is not a store or its contents are corrupt
};

class THistoryDialect
{
public:
    virtual ~THistoryDialect() = default;

    virtual QString DriverName() const = 0;
    // Options and statements that follow opening a connection (busy timeout, journal mode).
    // Throws THistoryError (HistoryStore.h) when they fail.
    virtual void SetUpConnection(QSqlDatabase& db) const = 0;
    // The column type of a 64-bit key made by the database as rows are inserted.
    virtual QString AutoKeyColumn() const = 0;
    virtual QString BlobType() const = 0;
    // Appended to CREATE TABLE of tables that are read by their primary key ranges only.
    virtual QString ClusteredTableSuffix() const = 0;
    // The statement that begins one read's transaction and takes the write lock at once, so
    // two writers never both read the old state.
    virtual QString BeginWrite() const = 0;
    virtual THistoryFailure Classify(const QSqlError& error) const = 0;
};

// SQLite in WAL mode with a busy timeout of busyMs.
class THistorySqliteDialect : public THistoryDialect
{
public:
    explicit THistorySqliteDialect(int busyMs = 5000) : m_busyMs(busyMs) {}

    QString DriverName() const override { return QStringLiteral("QSQLITE"); }
    void SetUpConnection(QSqlDatabase& db) const override;
    QString AutoKeyColumn() const override { return QStringLiteral("INTEGER PRIMARY KEY"); }
    QString BlobType() const override { return QStringLiteral("BLOB"); }
    QString ClusteredTableSuffix() const override { return QStringLiteral(" WITHOUT ROWID"); }
    QString BeginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    THistoryFailure Classify(const QSqlError& error) const override;

private:
    int m_busyMs;
};
