#include "LiveDataRecordLog.h"

#include "comm/KivCrc.h"
#include "model/KivDefinitions.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivUtil.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// Where a column of an empty log starts.
double StartLevel(int format)
{
    switch (format) {
    case DataFormat::Unsigned32:
        return 0; // a counter
    case DataFormat::Float32:
        return 50;
    default:
        return 1000;
    }
}

} // namespace

LiveDataRecordLog::LiveDataRecordLog(const TKivDataRecord& record, const LiveImage& image,
                                     LiveRandom& random)
    : m_register(record.Register), m_slots(record.Count), m_capacity(record.Capacity),
      m_ticks(record.Tick != 0)
{
    // The header, the slots and a tick per slot: 4 + Count x (Capacity + 2) registers.
    if (m_slots == 0)
        m_problem = QStringLiteral("it has no slots");
    else if (!image.Holds(m_register, 4 + qint64(m_slots) * (qint64(m_capacity) + 2)))
        m_problem = QStringLiteral("its ring does not lie inside the register image");
    if (!m_problem.isEmpty())
        return;
    TakeRing(image);
    AddColumns(record, image, random);
}

void LiveDataRecordLog::TakeRing(const LiveImage& image)
{
    const QByteArray view = image.View();
    const quint32 entries = TKivDataRecordRing(m_register, m_slots, m_capacity, view).EntryCount();
    if (entries == 0) // also when the CRC does not match
        return;
    const quint16 head = ImageRegister(view, m_register).value_or(0);
    const bool written =
        head < m_slots && entries <= m_slots && (entries == m_slots || head == entries);
    if (!written)
        return;
    m_head = head;
    m_entries = quint16(entries);
    m_third = ImageRegister(view, m_register + 2).value_or(0);
}

void LiveDataRecordLog::AddColumns(const TKivDataRecord& record, const LiveImage& image,
                                   LiveRandom& random)
{
    const QByteArray view = image.View();
    const TKivDataRecordRing ring(m_register, m_slots, m_capacity, view);
    qint64 offset = 0;
    for (const TKivDataRecordItem* item : *record.DataRecordItems) {
        const int format = int(item->Format);
        const int registers = FormatRegisterCount(format);
        if (registers == 0) // time stamps take the tick of the slot
            continue;
        Column column{format, offset, StartLevel(format), 0, random.Within(20, 80)};
        offset += registers;
        if (column.offset + registers > m_capacity)
            break; // the rest of the columns lie beyond the slot
        const auto newest = ring.EntryRegisterNumber(qint64(m_entries) - 1, column.offset);
        ValueFormat display;
        const auto raw = newest ? TakeImageValue(view, *newest, format, display) : std::nullopt;
        if (raw && std::isfinite(LiveNumber(*raw, format)))
            column.level = LiveNumber(*raw, format);
        const double least = format == DataFormat::Float32 ? 0.5 : 5;
        column.amplitude = std::max(std::abs(column.level) * random.Within(0.03, 0.08), least);
        if (random.Uniform() < 0.5)
            column.amplitude = -column.amplitude;
        m_columns.push_back(column);
    }
}

void LiveDataRecordLog::WriteHeader(LiveImage& image) const
{
    const uchar bytes[6] = {uchar(m_head),         uchar(m_head >> 8), uchar(m_entries),
                            uchar(m_entries >> 8), uchar(m_third),     uchar(m_third >> 8)};
    image.Set(m_register, m_head);
    image.Set(m_register + 1, m_entries);
    image.Set(m_register + 2, m_third);
    image.Set(m_register + 3, ModbusCrc16(bytes, 6));
}

double LiveDataRecordLog::NextValue(Column& column, qint64 step, LiveRandom& random) const
{
    if (column.format == DataFormat::Unsigned32) {
        column.level += random.Between(0, std::max(3, int(column.level / 1000)));
        return column.level;
    }
    const double swing = std::sin(2 * std::numbers::pi * double(step) / column.periodSteps);
    const double noise = 0.1 * column.amplitude * random.Within(-1, 1);
    return column.level + column.amplitude * swing + noise;
}

void LiveDataRecordLog::Append(LiveImage& image, quint32 tick, qint64 step, LiveRandom& random)
{
    if (!m_problem.isEmpty())
        return;
    m_head = quint16((m_head + 1) % m_slots);
    m_entries = quint16(std::min(m_entries + 1u, m_slots));
    WriteHeader(image);
    // The slot just written is the newest entry of the ring as the header now tells it.
    const TKivDataRecordRing ring(m_register, m_slots, m_capacity, image.View());
    const qint64 newest = qint64(m_entries) - 1;
    for (Column& column : m_columns) {
        SetLiveNumber(image, *ring.EntryRegisterNumber(newest, column.offset), column.format,
                      NextValue(column, step, random));
    }
    if (m_ticks)
        image.Set32(*ring.TickRegisterNumber(newest), tick);
}
