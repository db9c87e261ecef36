#pragma once

#include "KivDecodedTable.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TKivAlarms;
struct TKivAlarmEntry;

// Where a station's alarm history lies in a register image: a 16-register header at
// BackupAddr (capacity, count, start of the oldest entry, ..., copies of BackupAddr and
// BackupSpace) followed by capacity slots of 8 registers.
class TKivAlarmHistory
{
public:
    TKivAlarmHistory(const TKivAlarms& alarms, const QByteArray& image);

    // Entries as the header says; 0 when the header fails its checks or lies outside the image.
    qint32 Count() const { return m_count; }
    // The header lies inside the image and passes its checks: a Count of 0 is an empty history,
    // not one that could not be read.
    bool Valid() const { return m_valid; }
    // Entry i (0 = oldest); nothing when i is not below Count(), its slot is not one of the
    // area's, or the slot lies outside the image.
    std::optional<TKivAlarmEntry> Entry(qint64 i) const;
    // The first register of entry i's slot; nothing when i is not below Count() or its slot is
    // not one of the area's. The register number may lie outside the image.
    std::optional<qint64> EntryRegisterNumber(qint64 i) const;

private:
    QByteArray m_image;
    qint64 m_address;
    qint64 m_capacity = 0;
    qint64 m_start = 0;
    qint32 m_count = 0;
    bool m_valid = false;
};

// The alarm history decoded from a register image: per entry its two times and its message.
// Rows: the header's count, never more than MaxTableRows.
class TKivAlarmTable : public TKivDecodedTable
{
public:
    TKivAlarmTable(const TKivAlarms& alarms, const QByteArray& image, double updateTime);

    qint64 RowCount() const override;
    // The row number alone for an entry that cannot be read.
    void RowCells(qint64 row, QStringList& cells) const override;

private:
    QString TimeCell(quint32 tick, const QString& format) const;

    QByteArray m_image;
    TKivAlarmHistory m_history;
    QString m_tick1Format;
    QString m_tick2Format;
    std::vector<QStringList> m_messages; // by alarm number
};
