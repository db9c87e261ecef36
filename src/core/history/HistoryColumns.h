#pragma once

// The columns of a stored data-record table, taken back from the definition the store kept
// with it: turns an entry's raw registers into the cells and numbers the report and the chart
// show, exactly as the decoders do for a register image.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class TKivDataRecord;

class THistoryColumns
{
public:
    THistoryColumns() = default;
    // The columns of a definition kept by the store (THistoryTableDef::Definition of a data
    // record). A definition that cannot be parsed gives no columns.
    static THistoryColumns FromDefinition(const QByteArray& definitionJson);
    // The columns of a record as defined now.
    static THistoryColumns FromRecord(const TKivDataRecord& record);

    int Count() const { return int(m_columns.size()); }
    bool IsTickColumn(int column) const;
    // One cell per column, as the report shows the entry (without the row number). A time-stamp
    // column shows panelTime (none: an empty cell).
    QStringList Cells(const QByteArray& raw, std::optional<qint64> panelTime) const;
    // The number column shows, for plotting; none for a time-stamp column or a value the raw
    // registers do not hold.
    std::optional<double> Number(const QByteArray& raw, int column) const;

private:
    struct Column {
        int format = 0;
        qint32 intWidth = 0;
        qint32 floatWidth = 0;
        quint32 option = 0;
        qint64 offset = 0; // registers from the start of the slot
        QString tickFormat;
    };
    std::vector<Column> m_columns;
};
