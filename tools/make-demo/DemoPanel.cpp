#include "DemoPanel.h"

#include "comm/KivCrc.h"
#include "model/KivRegisters.h"

#include <QStringList>
#include <bit>
#include <cmath>

namespace
{

// Device ticks are seconds since 1970 in the panel's own clock; the panel shows them 8 hours
// later (offset register 480 minutes). 2024-03-04 06:00:00 as the panel shows it:
constexpr quint32 TimeOffsetMinutes = 480;
constexpr quint32 MorningTick = 1709532000 - TimeOffsetMinutes * 60;

// A recipe column: its title, its format and the grid width (pixels) that shows its title
// and values whole at the default font, with room to spare for wider fonts.
struct RecipeColumn {
    const char* title;
    int format, width;
};

struct Recipe {
    const char* name;
    quint32 reg, count, capacity;
    QList<RecipeColumn> columns;
};

const QList<Recipe>& Recipes()
{
    static const QList<Recipe> recipes{
        {"Bread dough",
         1000,
         8,
         12,
         {{"Flour (kg)", 7, 80},
          {"Water (l)", 7, 72},
          {"Yeast (g)", 4, 72},
          {"Salt (g)", 4, 64},
          {"Mixing time (s)", 4, 112},
          {"Dough temperature (0.1 C)", 3, 192},
          {"Batch number", 6, 104},
          {"Status word", 4, 88}}},
        {"Oven profiles",
         1200,
         5,
         8,
         {{"Zone 1 (C)", 3, 80},
          {"Zone 2 (C)", 3, 80},
          {"Zone 3 (C)", 3, 80},
          {"Belt speed (m/min)", 7, 136},
          {"Bake time (s)", 5, 96}}},
        {"Packaging",
         1300,
         6,
         4,
         {{"Pack weight (g)", 4, 112}, {"Bags per box", 4, 96}, {"Label code", 6, 88}}},
    };
    return recipes;
}

struct Record {
    const char* name;
    int format;
    quint32 reg, count, capacity, tick, columns;
    quint16 head, entries; // the ring as the panel left it
};

const QList<Record>& Records()
{
    static const QList<Record> records{
        {"Oven temperatures", 3, 2000, 48, 3, 1, 3, 17, 48}, // full ring, wrapped
        {"Production counters", 6, 2400, 100, 4, 1, 2, 23, 23},
        {"Line pressures", 4, 3100, 20, 2, 0, 2, 12, 12}, // no time stamps
        {"Energy meter", 7, 3200, 30, 4, 1, 2, 5, 30},    // floats, full ring, wrapped
    };
    return records;
}

constexpr quint32 AlarmAddress = 8000;
constexpr quint32 AlarmCapacity = 40;
constexpr quint32 AlarmSpace = 16 + 8 * AlarmCapacity;
constexpr quint32 AlarmStart = 13; // the history is full and has wrapped

const QList<QStringList>& Alarms()
{
    static const QList<QStringList> alarms{
        {"Oven zone 1 over temperature", "Oven zone 1 sensor broken"},
        {"Oven zone 2 over temperature", "Oven zone 2 sensor broken"},
        {"Mixer motor overload", "Mixer lid open", "Mixer emergency stop"},
        {"Flour silo low", "Flour silo empty"},
        {"Conveyor belt stopped", "Conveyor belt misaligned"},
        {"Packaging film roll empty", "Label printer out of labels"},
    };
    return alarms;
}

class Image
{
public:
    Image() : m_bytes(RegisterImageSize, '\0') {}
    void Set(quint32 r, quint16 value)
    {
        m_bytes[2 * r] = char(value & 0xFF);
        m_bytes[2 * r + 1] = char(value >> 8);
    }
    void Set32(quint32 r, quint32 value)
    {
        Set(r, quint16(value));
        Set(r + 1, quint16(value >> 16));
    }
    void SetFloat(quint32 r, float value) { Set32(r, std::bit_cast<quint32>(value)); }
    void SetLogHeader(quint32 r, quint16 head, quint16 entries)
    {
        const uchar bytes[6] = {
            uchar(head), uchar(head >> 8), uchar(entries), uchar(entries >> 8), 0, 0};
        Set(r, head);
        Set(r + 1, entries);
        Set(r + 2, 0);
        Set(r + 3, ModbusCrc16(bytes, 6));
    }
    const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

void WriteRecipes(Image& image)
{
    for (quint32 r = 0; r < 8; ++r) { // bread dough, register layout as in the define file
        const quint32 p = 1000 + 12 * r;
        image.SetFloat(p, 25.0f + 2.5f * r);
        image.SetFloat(p + 2, 15.25f + 1.5f * r);
        image.Set(p + 4, quint16(350 + 25 * r));
        image.Set(p + 5, quint16(480 + 10 * r));
        image.Set(p + 6, quint16(420 + 30 * (r % 3)));
        image.Set(p + 7, quint16(qint16(r == 7 ? -15 : 245 + 5 * r))); // a chilled dough
        image.Set32(p + 8, 240301 + 17 * r);
        image.Set(p + 10, quint16(0x8001 | (r << 4)));
    }
    for (quint32 r = 0; r < 5; ++r) {
        const quint32 p = 1200 + 8 * r;
        image.Set(p, quint16(210 + 10 * r));
        image.Set(p + 1, quint16(230 + 8 * r));
        image.Set(p + 2, quint16(195 + 5 * r));
        image.SetFloat(p + 3, 1.875f - 0.125f * r);
        image.Set32(p + 5, 1500 + 120 * r);
    }
    const quint16 weights[6] = {250, 500, 750, 1000, 400, 800};
    for (quint32 r = 0; r < 6; ++r) {
        const quint32 p = 1300 + 4 * r;
        image.Set(p, weights[r]);
        image.Set(p + 1, quint16(r < 3 ? 24 : 12));
        image.Set32(p + 2, 0x4B1D0000u + 0x1111u * r);
    }
}

// The tick of the entry in slot s of a ring with head and entries, one entry each `step`
// seconds, the newest one ending at the morning tick.
quint32 SlotTick(quint32 s, const Record& rec, quint32 step)
{
    const quint32 age = (rec.head + rec.count - 1 - s) % rec.count; // 0 for the newest
    return MorningTick - step * age;
}

void WriteRecords(Image& image)
{
    for (const Record& rec : Records()) {
        image.SetLogHeader(rec.reg, rec.head, rec.entries);
        const quint32 firstSlot = rec.reg + 4;
        const quint32 ticks = firstSlot + rec.count * rec.capacity;
        for (quint32 s = 0; s < rec.count; ++s) {
            const quint32 p = firstSlot + s * rec.capacity;
            const bool stored = rec.entries == rec.count || s < rec.head;
            if (!stored)
                continue;
            const double phase = s * 0.4;
            switch (rec.format) {
            case 3:
                for (quint32 c = 0; c < rec.columns; ++c)
                    image.Set(p + c, quint16(qint16(2100 + 150 * c + 40 * std::sin(phase + c))));
                break;
            case 6:
                image.Set32(p, 120000 + 37 * s);
                image.Set32(p + 2, 3 * s + (s % 4));
                break;
            case 4:
                image.Set(p, quint16(600 + 5 * (s % 7)));
                image.Set(p + 1, quint16(580 + 3 * (s % 5)));
                break;
            case 7:
                image.SetFloat(p, 41.5f + 0.75f * float(std::cos(phase)));
                image.SetFloat(p + 2, 1234.5f + 12.25f * s);
                break;
            }
            if (rec.tick)
                image.Set32(ticks + 2 * s, SlotTick(s, rec, rec.format == 6 ? 3600 : 600));
        }
    }
}

void WriteAlarmHistory(Image& image)
{
    image.Set32(AlarmAddress, AlarmCapacity);
    image.Set32(AlarmAddress + 2, AlarmCapacity);
    image.Set32(AlarmAddress + 4, AlarmStart);
    image.Set32(AlarmAddress + 6, 1);
    image.Set32(AlarmAddress + 8, 0);
    image.Set32(AlarmAddress + 10, AlarmAddress);
    image.Set32(AlarmAddress + 12, AlarmSpace);
    for (quint32 i = 0; i < AlarmCapacity; ++i) { // entry i, 0 = oldest
        const quint32 slot = (AlarmStart + i) % AlarmCapacity;
        const quint32 r = AlarmAddress + 16 + 8 * slot;
        const quint32 alarm = (i * 7 + 3) % quint32(Alarms().size());
        const quint32 raised = MorningTick - 5400 * (AlarmCapacity - i) + 97 * (i % 5);
        const bool stillActive = i >= AlarmCapacity - 2;
        image.Set32(r, raised);
        image.Set32(r + 2, stillActive ? 0 : raised + 60 + 45 * (i % 9));
        image.Set32(r + 4, alarm);
        image.Set32(r + 6, i % quint32(Alarms()[alarm].size()));
    }
}

} // namespace

QString DemoDefineText()
{
    QStringList lines{
        QStringLiteral("; TP-300 demo panel: a fictional bakery line for the Tamsor demo."),
        QStringLiteral("[Model]"), QStringLiteral("Name=TP-300 demo panel"),
        QStringLiteral("ID=0x%1").arg(QString::number(DemoModelId, 16).toUpper()),
        QStringLiteral("Description=\"Bakery line, mixer to packaging\"")};
    for (int i = 0; i < Recipes().size(); ++i) {
        const Recipe& r = Recipes()[i];
        lines << QString() << QStringLiteral("[RECIPE%1]").arg(i, 4, 10, QLatin1Char('0'))
              << QStringLiteral("Name=%1").arg(r.name) << QStringLiteral("Register=%1").arg(r.reg)
              << QStringLiteral("Count=%1").arg(r.count)
              << QStringLiteral("Capacity=%1").arg(r.capacity)
              << QStringLiteral("Column=%1").arg(r.columns.size());
        for (int c = 0; c < r.columns.size(); ++c) {
            const QString n = QStringLiteral("%1").arg(c, 4, 10, QLatin1Char('0'));
            lines << QStringLiteral("Title%1=%2").arg(n, r.columns[c].title)
                  << QStringLiteral("Format%1=%2").arg(n).arg(r.columns[c].format)
                  << QStringLiteral("Width%1=%2").arg(n).arg(r.columns[c].width);
        }
    }
    for (int i = 0; i < Records().size(); ++i) {
        const Record& r = Records()[i];
        lines << QString() << QStringLiteral("[RECORD%1]").arg(i, 4, 10, QLatin1Char('0'))
              << QStringLiteral("Name=%1").arg(r.name) << QStringLiteral("Format=%1").arg(r.format)
              << QStringLiteral("Register=$%1").arg(QString::number(r.reg, 16).toUpper())
              << QStringLiteral("Count=%1").arg(r.count)
              << QStringLiteral("Capacity=%1").arg(r.capacity)
              << QStringLiteral("Tick=%1").arg(r.tick)
              << QStringLiteral("Column=%1").arg(r.columns);
    }
    lines << QString() << QStringLiteral("[ALARM]")
          << QStringLiteral("AlarmCount=%1").arg(Alarms().size())
          << QStringLiteral("BackupAddr=%1").arg(AlarmAddress)
          << QStringLiteral("BackupSpace=%1").arg(AlarmSpace);
    for (int i = 0; i < Alarms().size(); ++i) {
        lines << QString() << QStringLiteral("[ALARM%1]").arg(i, 4, 10, QLatin1Char('0'))
              << QStringLiteral("Group=%1").arg(1 + i / 2);
        for (int m = 0; m < Alarms()[i].size(); ++m)
            lines << QStringLiteral("String%1=%2")
                         .arg(m, 4, 10, QLatin1Char('0'))
                         .arg(Alarms()[i][m]);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QByteArray DemoRegisterImage()
{
    Image image;
    WriteRecipes(image);
    WriteRecords(image);
    WriteAlarmHistory(image);
    image.Set(TimeOffsetRegister, quint16(TimeOffsetMinutes));
    image.Set(ModelRegister, quint16(DemoModelId));
    return image.Bytes();
}
