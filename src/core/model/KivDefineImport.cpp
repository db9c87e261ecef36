// Import of define files into a station: the model identity and the recipe, data-record and
// alarm definitions. Every bound is checked before anything changes, so a refused file leaves
// the station exactly as it was.
#include "KivDefineImport.h"

#include "KivIniFile.h"
#include "KivChannel.h"
#include "KivDefinitions.h"
#include "lang/KivLanRes.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

using namespace DefineImport;

namespace
{

// "RECIPE0003", "Title0012", ... : prefix and a number of at least four digits.
QString Numbered(QLatin1StringView prefix, int number)
{
    return prefix + QString::number(number).rightJustified(4, u'0');
}

// The names "Title0000", "Title0001", ... made once per import, not once per column.
class NumberedKeys
{
public:
    explicit NumberedKeys(QLatin1StringView prefix) : m_prefix(prefix) {}
    const QString& operator[](int number)
    {
        while (m_names.size() <= number)
            m_names.append(Numbered(m_prefix, int(m_names.size())));
        return m_names[number];
    }

private:
    QLatin1StringView m_prefix;
    QList<QString> m_names;
};

struct RecipeColumnKeys {
    NumberedKeys title{QLatin1StringView("Title")};
    NumberedKeys format{QLatin1StringView("Format")};
    NumberedKeys width{QLatin1StringView("Width")};
};

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The numbered sections of one kind that an import reads: from 0 until the first one without
// a name, at most MaxSections.
int SectionCount(const TKivIniFile& ini, QLatin1StringView prefix)
{
    int count = 0;
    while (count < MaxSections && !ini.readString(Numbered(prefix, count), u"Name").isEmpty())
        ++count;
    return count;
}

// The "Column" count of a section; a negative count means no columns.
qint64 ColumnCount(const TKivIniFile& ini, const QString& section)
{
    return qMax(0, ini.readInteger(section, u"Column", 0));
}

// All columns an import of the sections would create (time-stamp columns included), or -1 with
// the reason in *error when one section has more than MaxColumns.
qint64 TotalColumns(const TKivIniFile& ini, QLatin1StringView prefix, bool withTickColumns,
                    QString* error)
{
    qint64 total = 0;
    const int sections = SectionCount(ini, prefix);
    for (int i = 0; i < sections; ++i) {
        const QString section = Numbered(prefix, i);
        const qint64 columns = ColumnCount(ini, section);
        if (columns > MaxColumns) {
            SetError(error,
                     LangText(StrId::DefineTooManyColumns,
                              {section, QString::number(columns), QString::number(MaxColumns)}));
            return -1;
        }
        total += columns;
        if (withTickColumns && ini.readInteger(section, u"Tick", 0) != 0)
            ++total;
    }
    return total;
}

bool CheckTotal(qint64 total, QString* error)
{
    if (total < 0)
        return false;
    if (total <= MaxTotalColumns)
        return true;
    SetError(error, LangText(StrId::DefineTooManyColumnsTotal,
                             {QString::number(total), QString::number(MaxTotalColumns)}));
    return false;
}

bool CheckRecipeColumns(const TKivIniFile& ini, QString* error)
{
    return CheckTotal(TotalColumns(ini, QLatin1StringView("RECIPE"), false, error), error);
}

bool CheckDataRecordColumns(const TKivIniFile& ini, QString* error)
{
    return CheckTotal(TotalColumns(ini, QLatin1StringView("RECORD"), true, error), error);
}

bool CheckAllColumns(const TKivIniFile& ini, QString* error)
{
    const qint64 recipes = TotalColumns(ini, QLatin1StringView("RECIPE"), false, error);
    if (recipes < 0)
        return false;
    const qint64 records = TotalColumns(ini, QLatin1StringView("RECORD"), true, error);
    return records >= 0 && CheckTotal(recipes + records, error);
}

// "AlarmCount": a negative or zero count means no alarms.
int AlarmCount(const TKivIniFile& ini)
{
    return qMax(0, ini.readInteger(u"ALARM", u"AlarmCount", 0));
}

bool CheckAlarmCount(const TKivIniFile& ini, QString* error)
{
    const int count = AlarmCount(ini);
    if (count <= MaxAlarms)
        return true;
    SetError(error, LangText(StrId::DefineTooManyAlarms,
                             {QString::number(count), QString::number(MaxAlarms)}));
    return false;
}

quint32 ReadUInt32(const TKivIniFile& ini, const QString& section, QStringView key)
{
    return quint32(ini.readInteger(section, key, 0));
}

void ImportRecipe(const TKivIniFile& ini, const QString& section, RecipeColumnKeys& keys,
                  TKivRecipes* list)
{
    auto* recipe = new TKivRecipe(list);
    recipe->Name = ini.readString(section, u"Name");
    recipe->Register = ReadUInt32(ini, section, u"Register");
    recipe->Count = ReadUInt32(ini, section, u"Count");
    recipe->Capacity = ReadUInt32(ini, section, u"Capacity");
    const qint64 columns = ColumnCount(ini, section);
    TKivRecipeItems* items = recipe->RecipeItems.get();
    for (int j = 0; j < columns; ++j) {
        auto* item = new TKivRecipeItem(items);
        item->Title = ini.readString(section, keys.title[j]);
        item->Format = quint32(ini.readInteger(section, keys.format[j], 0));
        item->Width = quint32(ini.readInteger(section, keys.width[j], ImportedColumnWidth));
        if (item->Format == FloatFormat)
            item->Option |= FloatDisplayKind;
    }
}

void ImportDataRecord(const TKivIniFile& ini, const QString& section, const QString& tickTitle,
                      TKivDataRecords* list)
{
    auto* record = new TKivDataRecord(list);
    record->Name = ini.readString(section, u"Name");
    record->Format = ReadUInt32(ini, section, u"Format");
    record->Register = ReadUInt32(ini, section, u"Register");
    record->Count = ReadUInt32(ini, section, u"Count");
    record->Capacity = ReadUInt32(ini, section, u"Capacity");
    record->Tick = ReadUInt32(ini, section, u"Tick");
    const qint64 columns = ColumnCount(ini, section);
    TKivDataRecordItems* items = record->DataRecordItems.get();
    if (record->Tick != 0) {
        auto* item = new TKivDataRecordItem(items);
        item->Title = tickTitle;
        item->Format = TickFormat;
        item->Width = ImportedTickColumnWidth;
    }
    for (int j = 0; j < columns; ++j) {
        auto* item = new TKivDataRecordItem(items);
        item->Title = QLatin1StringView("Data") + QString::number(j);
        item->Format = record->Format;
        item->Width = ImportedColumnWidth;
    }
}

} // namespace

bool TKivRecipes::ImportDefine(const TKivIniFile& ini, QString* error)
{
    if (!CheckRecipeColumns(ini, error))
        return false;
    Clear();
    RecipeColumnKeys keys;
    const int count = SectionCount(ini, QLatin1StringView("RECIPE"));
    for (int i = 0; i < count; ++i)
        ImportRecipe(ini, Numbered(QLatin1StringView("RECIPE"), i), keys, this);
    return true;
}

bool TKivDataRecords::ImportDefine(const TKivIniFile& ini, QString* error)
{
    if (!CheckDataRecordColumns(ini, error))
        return false;
    Clear();
    // The title follows the language in use now and is stored as text.
    const QString tickTitle = GetLangString(StrId::TimeStampHeading);
    const int count = SectionCount(ini, QLatin1StringView("RECORD"));
    for (int i = 0; i < count; ++i)
        ImportDataRecord(ini, Numbered(QLatin1StringView("RECORD"), i), tickTitle, this);
    return true;
}

bool TKivAlarms::ImportDefine(const TKivIniFile& ini, QString* error)
{
    if (!CheckAlarmCount(ini, error))
        return false;
    Clear();
    DeleteNode();
    const int count = AlarmCount(ini);
    BackupAddr = ReadUInt32(ini, QStringLiteral("ALARM"), u"BackupAddr");
    BackupSpace = ReadUInt32(ini, QStringLiteral("ALARM"), u"BackupSpace");
    QStringList lineKeys;
    for (int m = 0; m < AlarmMessageLines; ++m)
        lineKeys << Numbered(QLatin1StringView("String"), m);
    for (int i = 0; i < count; ++i) {
        // A missing section still gives an alarm: group 0 and 16 empty lines.
        const QString section = Numbered(QLatin1StringView("ALARM"), i);
        auto* alarm = new TKivAlarm(this);
        alarm->Group = ReadUInt32(ini, section, u"Group");
        alarm->Message.reserve(AlarmMessageLines);
        for (const QString& key : lineKeys)
            alarm->Message << ini.readString(section, key);
    }
    return true;
}

bool TKivStation::ImportDefine(const QString& fileName, QString* error)
{
    TKivIniFile ini;
    // 8-bit files from the field follow the code page of the language in use.
    if (LanguageResources.Current)
        ini.setLegacyEncoding(LegacyDefineEncoding(LanguageResources.Current->LocaleId));
    if (!ini.open(fileName, error))
        return false;
    return ImportDefine(ini, error);
}

bool TKivStation::ImportDefine(const TKivIniFile& ini, QString* error)
{
    const QString name = ini.readString(u"Model", u"Name");
    if (name.isEmpty()) {
        SetError(error, LangText(StrId::DefineNoModelName));
        return false;
    }
    const qint32 id = ini.readInteger(u"Model", u"ID", 0);
    if (id == 0) {
        SetError(error, LangText(StrId::DefineNoModelId));
        return false;
    }
    if (!CheckAllColumns(ini, error) || !CheckAlarmCount(ini, error))
        return false;
    ModelName = name;
    ModelID = quint32(id);
    Description = ini.readString(u"Model", u"Description");
    // The checks above are the lists' own, so none of these can refuse now.
    Recipes->ImportDefine(ini);
    DataRecords->ImportDefine(ini);
    Alarms->ImportDefine(ini);
    return true;
}

QByteArray LegacyDefineEncoding(int localeId)
{
    switch (localeId) {
    case 1028: // Chinese, Traditional
        return QByteArrayLiteral("Big5");
    case 2052: // Chinese, Simplified
        return QByteArrayLiteral("GB18030");
    default:
        return QByteArray(); // Windows-1252
    }
}
