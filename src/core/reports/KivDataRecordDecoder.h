#pragma once

#include "KivDecodedTable.h"
#include "KivUtil.h"

#include <QByteArray>
#include <optional>
#include <vector>

class TKivDataRecord;

// Where a data record's ring lies in a register image: the header at Register (head, entries
// stored, a third register, the CRC of the three), Count slots of Capacity registers, then a
// 32-bit tick per slot.
class TKivDataRecordRing
{
public:
    TKivDataRecordRing(const TKivDataRecord& record, const QByteArray& image);
    // The ring of a log with its header at firstRegister and `slotCount` slots of `capacity`
    // registers.
    TKivDataRecordRing(quint32 firstRegister, quint32 slotCount, quint32 capacity,
                       const QByteArray& image);

    // Entries stored, as the header says; 0 when its CRC does not match or it lies outside
    // the image. At most 65,535: the header holds it in one register.
    quint32 EntryCount() const { return m_entries; }
    // The header lies inside the image and its CRC matches: an EntryCount of 0 is an empty log,
    // not one that could not be read.
    bool Valid() const { return m_valid; }
    // The slot of entry i (0 = oldest); nothing when i is not below EntryCount().
    std::optional<qint64> Slot(qint64 i) const;
    // Register k of entry i's slot, and the register holding the low half of its tick; nothing
    // when there is no entry i. The register number may lie outside the image.
    std::optional<qint64> EntryRegisterNumber(qint64 i, qint64 k) const;
    std::optional<qint64> TickRegisterNumber(qint64 i) const;

private:
    qint64 m_register;
    qint64 m_slots;
    qint64 m_capacity;
    quint32 m_head = 0;
    quint32 m_entries = 0;
    bool m_valid = false;
};

// A data record's log decoded from a register image, oldest entry first. A column of format 7
// is a 32-bit float taking two registers, as in recipes.
class TKivDataRecordTable : public TKivDecodedTable
{
public:
    TKivDataRecordTable(const TKivDataRecord& record, const QByteArray& image, double updateTime);

    qint64 RowCount() const override
    {
        return BoundedTableRows(m_ring.EntryCount(), qint64(m_columns.size()));
    }
    void RowCells(qint64 row, QStringList& cells) const override;

    // The same rows as numbers, for plotting: value columns (every column but the time stamps)
    // and the entry's time stamp with the time offset applied. Nothing where the cell is empty.
    qsizetype ColumnCount() const { return qsizetype(m_columns.size()); }
    bool IsTickColumn(qsizetype column) const;
    std::optional<double> CellNumber(qint64 row, qsizetype column) const;
    std::optional<quint32> ShownTick(qint64 row) const;

private:
    struct Column {
        int format;
        ValueFormat display;
        qint64 offset; // registers from the start of the slot
        QString tickFormat;
    };
    // The value of column in row, with the display fields decoding adjusts; nothing when the
    // column takes no register or its registers lie outside the image.
    std::optional<quint32> ColumnValue(qint64 row, const Column& column,
                                       ValueFormat& display) const;

    QByteArray m_image;
    TKivDataRecordRing m_ring;
    std::vector<Column> m_columns;
};
