#include "HistoryColumns.h"

#include "model/KivDefinitions.h"
#include "reports/KivUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

THistoryColumns THistoryColumns::FromDefinition(const QByteArray& definitionJson)
{
    THistoryColumns result;
    const QJsonArray columns =
        QJsonDocument::fromJson(definitionJson).object().value(QStringLiteral("columns")).toArray();
    qint64 offset = 0;
    for (const QJsonValue& value : columns) {
        const QJsonObject object = value.toObject();
        Column column;
        column.format = object.value(QStringLiteral("format")).toInt();
        column.intWidth = object.value(QStringLiteral("intWidth")).toInt();
        column.floatWidth = object.value(QStringLiteral("floatWidth")).toInt();
        column.option = quint32(object.value(QStringLiteral("option")).toInteger());
        column.tickFormat = object.value(QStringLiteral("displayFormat")).toString();
        column.offset = offset;
        offset += FormatRegisterCount(column.format);
        result.m_columns.push_back(column);
    }
    return result;
}

THistoryColumns THistoryColumns::FromRecord(const TKivDataRecord& record)
{
    THistoryColumns result;
    qint64 offset = 0;
    for (const TKivDataRecordItem* item : *record.DataRecordItems) {
        const int format = int(item->Format);
        result.m_columns.push_back({format, item->IntWidth, item->FloatWidth, item->Option, offset,
                                    item->DisplayFormat});
        offset += FormatRegisterCount(format);
    }
    return result;
}

bool THistoryColumns::IsTickColumn(int column) const
{
    return m_columns[column].format == DataFormat::Tick;
}

QStringList THistoryColumns::Cells(const QByteArray& raw, std::optional<qint64> panelTime) const
{
    QStringList cells;
    cells.reserve(qsizetype(m_columns.size()));
    for (const Column& column : m_columns) {
        if (column.format == DataFormat::Tick) {
            cells.append(panelTime ? FormatTick(quint32(*panelTime), column.tickFormat) : QString());
            continue;
        }
        ValueFormat display{column.intWidth, column.floatWidth, column.option};
        const auto value = FormatRegisterCount(column.format) == 0
                               ? std::nullopt
                               : TakeImageValue(raw, column.offset, column.format, display);
        cells.append(value ? FormatValue(*value, display) : QString());
    }
    return cells;
}

std::optional<double> THistoryColumns::Number(const QByteArray& raw, int column) const
{
    if (column < 0 || column >= Count())
        return std::nullopt;
    const Column& c = m_columns[column];
    if (c.format == DataFormat::Tick || FormatRegisterCount(c.format) == 0)
        return std::nullopt;
    ValueFormat display{c.intWidth, c.floatWidth, c.option};
    const auto value = TakeImageValue(raw, c.offset, c.format, display);
    return value ? ValueNumber(*value, display) : std::nullopt;
}
