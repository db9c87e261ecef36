#include "HistoryTables.h"

#include "model/KivChannel.h"
#include "reports/KivAlarmDecoder.h"
#include "reports/KivDataRecordDecoder.h"
#include "reports/KivRecipeDecoder.h"
#include "reports/KivUtil.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace
{

quint64 Mix(quint64 x)
{
    // splitmix64's finaliser: every input bit reaches every output bit.
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

constexpr qsizetype MessageLines = 16;

QJsonObject ColumnJson(const TKivColumnItem& item)
{
    return QJsonObject{{QStringLiteral("title"), item.Title},
                       {QStringLiteral("format"), qint64(item.Format)},
                       {QStringLiteral("intWidth"), item.IntWidth},
                       {QStringLiteral("floatWidth"), item.FloatWidth},
                       {QStringLiteral("option"), qint64(item.Option)}};
}

THistoryTableDef MakeDef(THistoryKind kind, const QString& name, const QStringList& titles,
                         const QJsonObject& definition)
{
    THistoryTableDef def;
    def.Kind = kind;
    def.Name = name;
    def.Titles = titles;
    def.Definition = QJsonDocument(definition).toJson(QJsonDocument::Compact);
    def.DefinitionHash =
        QString::fromLatin1(QCryptographicHash::hash(def.Definition, QCryptographicHash::Sha1).toHex());
    return def;
}

// The registers first .. first + count - 1 of the image as bytes; the part outside the image is
// left out.
QByteArray ImageBytes(const QByteArray& image, qint64 first, qint64 count)
{
    const qint64 begin = std::clamp<qint64>(2 * first, 0, image.size());
    const qint64 end = std::clamp<qint64>(2 * (first + count), begin, image.size());
    return image.mid(begin, end - begin);
}

THistoryLogRing CaptureLog(const TKivDataRecord& record, const QByteArray& image)
{
    THistoryLogRing ring;
    ring.Def = HistoryTableDef(record);
    ring.Timed = record.Tick != 0;
    const TKivDataRecordRing ringSlots(record, image);
    ring.Valid = ringSlots.Valid();
    if (!ring.Valid)
        return ring;
    const TKivDataRecordTable table(record, image, 0);
    const qint64 rows = table.RowCount();
    ring.Entries.reserve(rows);
    for (qint64 i = 0; i < rows; ++i) {
        THistoryLogEntry entry;
        entry.Raw = ImageBytes(image, *ringSlots.EntryRegisterNumber(i, 0), record.Capacity);
        entry.ValuesHash = HistoryHash(entry.Raw);
        if (ring.Timed) {
            const auto tick = ImageRegister32(image, *ringSlots.TickRegisterNumber(i));
            entry.Tick = tick.value_or(0);
            if (const auto shown = table.ShownTick(i))
                entry.PanelTime = *shown;
        }
        ring.Entries.push_back(std::move(entry));
    }
    return ring;
}

THistoryAlarmRing CaptureAlarms(const TKivAlarms& alarms, const QByteArray& image)
{
    THistoryAlarmRing ring;
    ring.Def = HistoryTableDef(alarms);
    const TKivAlarmHistory history(alarms, image);
    ring.Valid = history.Valid();
    const qint64 rows = std::min<qint64>(history.Count(), MaxTableRows);
    for (qint64 i = 0; i < rows; ++i) {
        const auto read = history.Entry(i);
        if (!read)
            continue; // the report shows the row number alone: nothing to keep
        THistoryAlarmEntry entry;
        entry.Number = read->AlarmNumber;
        entry.MessageNumber = read->MessageNumber;
        entry.Start = read->Time1;
        entry.End = read->Time2;
        entry.PanelStart = ApplyTimeOffset(image, read->Time1);
        if (read->Time2 != 0)
            entry.PanelEnd = ApplyTimeOffset(image, read->Time2);
        if (read->AlarmNumber < quint32(alarms.Count())) {
            const QStringList& lines = alarms.Items(int(read->AlarmNumber))->Message;
            if (read->MessageNumber < quint32(std::min(lines.size(), MessageLines)))
                entry.Message = lines.at(read->MessageNumber);
        }
        ring.Entries.push_back(std::move(entry));
    }
    return ring;
}

THistoryRecipe CaptureRecipe(const TKivRecipe& recipe, const QByteArray& image)
{
    THistoryRecipe result;
    result.Def = HistoryTableDef(recipe);
    const TKivRecipeTable table(recipe, image, 0);
    qint64 span = 0;
    for (const TKivRecipeItem* item : *recipe.RecipeItems)
        span += FormatRegisterCount(int(item->Format));
    QStringList cells;
    for (qint64 row = 0; row < table.RowCount(); ++row) {
        table.RowCells(row, cells);
        result.Rows.append(cells);
        result.Raw += ImageBytes(image, qint64(recipe.Register) + row * recipe.Capacity, span);
    }
    QByteArray contents = result.Raw;
    for (const QStringList& row : std::as_const(result.Rows))
        contents += row.join(u'\t').toUtf8() + '\n';
    result.ContentsHash = HistoryHash(contents);
    return result;
}

} // namespace

quint64 HistoryHash(const QByteArray& bytes)
{
    quint64 h = Mix(quint64(bytes.size()) + 0x9e3779b97f4a7c15ULL);
    const char* data = bytes.constData();
    qsizetype i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, 8);
        h = Mix(h ^ word) + 0x9e3779b97f4a7c15ULL;
    }
    quint64 tail = 0;
    std::memcpy(&tail, data + i, size_t(bytes.size() - i));
    return Mix(h ^ tail ^ (quint64(bytes.size() - i) << 56));
}

quint64 HistoryHash(quint64 a, quint64 b)
{
    return Mix(Mix(a + 0x9e3779b97f4a7c15ULL) ^ b);
}

THistoryKey THistoryLogEntry::Key() const
{
    return HistoryHash(Tick ? quint64(*Tick) + 1 : 0, ValuesHash);
}

std::vector<THistoryKey> THistoryLogRing::Keys() const
{
    std::vector<THistoryKey> keys;
    keys.reserve(Entries.size());
    for (const THistoryLogEntry& entry : Entries)
        keys.push_back(entry.Key());
    return keys;
}

THistoryKey THistoryAlarmEntry::Key() const
{
    return HistoryHash(Number, Start);
}

std::vector<THistoryKey> THistoryAlarmRing::Keys() const
{
    std::vector<THistoryKey> keys;
    keys.reserve(Entries.size());
    for (const THistoryAlarmEntry& entry : Entries)
        keys.push_back(entry.Key());
    return keys;
}

THistoryTableDef HistoryTableDef(const TKivDataRecord& record)
{
    QJsonArray columns;
    QStringList titles;
    for (const TKivDataRecordItem* item : *record.DataRecordItems) {
        QJsonObject column = ColumnJson(*item);
        column.insert(QStringLiteral("displayFormat"), item->DisplayFormat);
        columns.append(column);
        titles.append(item->Title);
    }
    return MakeDef(THistoryKind::DataRecord, record.Name, titles,
                   QJsonObject{{QStringLiteral("kind"), QStringLiteral("record")},
                               {QStringLiteral("name"), record.Name},
                               {QStringLiteral("register"), qint64(record.Register)},
                               {QStringLiteral("count"), qint64(record.Count)},
                               {QStringLiteral("capacity"), qint64(record.Capacity)},
                               {QStringLiteral("tick"), qint64(record.Tick)},
                               {QStringLiteral("columns"), columns}});
}

THistoryTableDef HistoryTableDef(const TKivAlarms& alarms)
{
    // Messages are kept with each line as it was shown, so new texts start no new version.
    const QStringList titles{alarms.Title1, alarms.Title2, alarms.Title3};
    return MakeDef(THistoryKind::Alarm, QString(), titles,
                   QJsonObject{{QStringLiteral("kind"), QStringLiteral("alarm")},
                               {QStringLiteral("backupAddr"), qint64(alarms.BackupAddr)},
                               {QStringLiteral("backupSpace"), qint64(alarms.BackupSpace)},
                               {QStringLiteral("titles"), QJsonArray::fromStringList(titles)},
                               {QStringLiteral("tick1Format"), alarms.Tick1DisplayFormat},
                               {QStringLiteral("tick2Format"), alarms.Tick2DisplayFormat}});
}

THistoryTableDef HistoryTableDef(const TKivRecipe& recipe)
{
    QJsonArray columns;
    QStringList titles;
    for (const TKivRecipeItem* item : *recipe.RecipeItems) {
        columns.append(ColumnJson(*item));
        titles.append(item->Title);
    }
    return MakeDef(THistoryKind::Recipe, recipe.Name, titles,
                   QJsonObject{{QStringLiteral("kind"), QStringLiteral("recipe")},
                               {QStringLiteral("name"), recipe.Name},
                               {QStringLiteral("register"), qint64(recipe.Register)},
                               {QStringLiteral("count"), qint64(recipe.Count)},
                               {QStringLiteral("capacity"), qint64(recipe.Capacity)},
                               {QStringLiteral("columns"), columns}});
}

THistorySnapshot CaptureStationTables(const TKivStation& station)
{
    THistorySnapshot snapshot;
    const QByteArray& image = station.RegisterImage;
    for (const TKivDataRecord* record : *station.DataRecords)
        snapshot.Logs.push_back(CaptureLog(*record, image));
    if (station.Alarms->Count() > 0)
        snapshot.Alarms = CaptureAlarms(*station.Alarms, image);
    for (const TKivRecipe* recipe : *station.Recipes)
        snapshot.Recipes.push_back(CaptureRecipe(*recipe, image));
    return snapshot;
}
