#include "KivDataRecordDecoder.h"

#include "comm/KivCrc.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivChannel.h"

namespace
{

// Slot counts and sizes beyond the image all put every register after slot 0 outside it;
// capping them there keeps the register arithmetic far from overflow.
qint64 CapToImage(quint32 value)
{
    return std::min<qint64>(value, RegisterCount + 1);
}

} // namespace

TKivDataRecordRing::TKivDataRecordRing(const TKivDataRecord& record, const QByteArray& image)
    : TKivDataRecordRing(record.Register, record.Count, record.Capacity, image)
{
}

TKivDataRecordRing::TKivDataRecordRing(quint32 firstRegister, quint32 slotCount, quint32 capacity,
                                       const QByteArray& image)
    : m_register(firstRegister), m_slots(CapToImage(slotCount)), m_capacity(CapToImage(capacity))
{
    uchar header[6];
    for (int r = 0; r < 3; ++r) {
        const auto value = ImageRegister(image, m_register + r);
        if (!value)
            return;
        header[2 * r] = uchar(*value);
        header[2 * r + 1] = uchar(*value >> 8);
    }
    const auto crc = ImageRegister(image, m_register + 3);
    if (!crc || ModbusCrc16(header, 6) != *crc)
        return;
    m_head = header[0] | (header[1] << 8);
    m_entries = header[2] | (header[3] << 8);
    m_valid = true;
}

std::optional<qint64> TKivDataRecordRing::Slot(qint64 i) const
{
    if (i < 0 || i >= qint64(m_entries))
        return std::nullopt;
    qint64 slot = qint64(m_head) - qint64(m_entries) + i;
    if (slot < 0)
        slot += m_entries;
    return slot;
}

std::optional<qint64> TKivDataRecordRing::EntryRegisterNumber(qint64 i, qint64 k) const
{
    const auto slot = Slot(i);
    if (!slot)
        return std::nullopt;
    return m_register + 4 + *slot * m_capacity + k;
}

std::optional<qint64> TKivDataRecordRing::TickRegisterNumber(qint64 i) const
{
    const auto slot = Slot(i);
    if (!slot)
        return std::nullopt;
    return m_register + 4 + m_slots * m_capacity + 2 * *slot;
}

TKivDataRecordTable::TKivDataRecordTable(const TKivDataRecord& record, const QByteArray& image,
                                         double updateTime)
    : m_image(image), m_ring(record, image)
{
    Title = FormatTemplate(GetLangString(StrId::DataRecordTitle), {record.Name});
    UpdateText = UpdateTimeText(updateTime);
    Heading.append(GetLangString(StrId::TableIndexHeading));
    qint64 offset = 0;
    for (const TKivDataRecordItem* item : *record.DataRecordItems) {
        Heading.append(item->Title);
        const int format = int(item->Format);
        m_columns.push_back({format,
                             {item->IntWidth, item->FloatWidth, item->Option},
                             offset,
                             item->DisplayFormat});
        offset += FormatRegisterCount(format);
    }
}

std::optional<quint32> TKivDataRecordTable::ColumnValue(qint64 row, const Column& column,
                                                        ValueFormat& display) const
{
    if (FormatRegisterCount(column.format) == 0)
        return std::nullopt;
    const auto first = m_ring.EntryRegisterNumber(row, 0);
    if (!first)
        return std::nullopt;
    return TakeImageValue(m_image, *first + column.offset, column.format, display);
}

std::optional<quint32> TKivDataRecordTable::ShownTick(qint64 row) const
{
    const auto tickRegister = m_ring.TickRegisterNumber(row);
    const auto tick = tickRegister ? ImageRegister32(m_image, *tickRegister) : std::nullopt;
    if (!tick)
        return std::nullopt;
    return ApplyTimeOffset(m_image, *tick);
}

void TKivDataRecordTable::RowCells(qint64 row, QStringList& cells) const
{
    cells.clear();
    cells.append(QString::number(row));
    std::optional<quint32> tick;
    bool tickTaken = false;
    for (const Column& column : m_columns) {
        if (column.format == DataFormat::Tick) {
            if (!tickTaken) {
                tick = ShownTick(row);
                tickTaken = true;
            }
            cells.append(tick ? FormatTick(*tick, column.tickFormat) : QString());
            continue;
        }
        ValueFormat display = column.display;
        const auto value = ColumnValue(row, column, display);
        cells.append(value ? FormatValue(*value, display) : QString());
    }
}

bool TKivDataRecordTable::IsTickColumn(qsizetype column) const
{
    return m_columns[column].format == DataFormat::Tick;
}

std::optional<double> TKivDataRecordTable::CellNumber(qint64 row, qsizetype column) const
{
    const Column& c = m_columns[column];
    ValueFormat display = c.display;
    const auto value = c.format == DataFormat::Tick ? std::nullopt : ColumnValue(row, c, display);
    return value ? ValueNumber(*value, display) : std::nullopt;
}

TKivStation* TKivDataRecord::Station() const
{
    return Owner ? Owner->Owner : nullptr;
}

quint32 TKivDataRecord::EntryCount() const
{
    const TKivStation* station = Station();
    return station ? TKivDataRecordRing(*this, station->RegisterImage).EntryCount() : 0;
}

quint32 TKivDataRecord::EntryTick(qint64 i) const
{
    const TKivStation* station = Station();
    if (!station)
        return 0;
    const auto r = TKivDataRecordRing(*this, station->RegisterImage).TickRegisterNumber(i);
    return r ? ImageRegister32(station->RegisterImage, *r).value_or(0) : 0;
}

quint16 TKivDataRecord::EntryRegister(qint64 i, qint64 k) const
{
    const TKivStation* station = Station();
    if (!station)
        return 0;
    const auto r = TKivDataRecordRing(*this, station->RegisterImage).EntryRegisterNumber(i, k);
    return r ? ImageRegister(station->RegisterImage, *r).value_or(0) : 0;
}

bool TKivDataRecord::ExportTxt(const QString& fileName) const
{
    const TKivStation* station = Station();
    if (!station)
        return false;
    TableText(TKivDataRecordTable(*this, station->RegisterImage, station->UpdateTime))
        .SaveToFile(fileName);
    return true;
}
