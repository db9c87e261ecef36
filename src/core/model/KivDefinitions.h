#pragma once

#include "KivSerialization.h"
#include "KivNode.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// The definitions of a station's tables: recipes, data records and alarms. Each list belongs to
// one TKivStation and owns its items; each item adds itself to its owner list on construction
// and takes itself out when destroyed.

class TKivIniFile;
class TKivStation;
class TKivRecipes;
class TKivRecipeItems;
class TKivDataRecords;
class TKivDataRecordItems;
class TKivAlarms;

// Display fields shared by recipe and data-record columns.
constexpr quint32 OptionKindMask = 0xFF;   // 0 decimal, 1 hexadecimal, 2 floating point
constexpr quint32 OptionZeroFill = 0x100;
constexpr char DefaultTickFormat[] = "hh:mm:ss";

// The fields of a table column that recipes and data records share, stored under the same
// keys in both.
class TKivColumnItem : public TKivPersistent {
public:
    void Serialize(TKivSerialization& s) override;

    QString Title;
    quint32 Format = 0;
    quint32 Width = 0;
    qint32 IntWidth = 4;
    qint32 FloatWidth = 0;
    quint32 Option = 0;
};

class TKivRecipeItem : public TKivColumnItem {
public:
    explicit TKivRecipeItem(TKivRecipeItems* owner);
    ~TKivRecipeItem() override;
    QString ClassName() const override { return QStringLiteral("TKivRecipeItem"); }

    TKivRecipeItems* Owner;
};

class TKivRecipeItems : public TKivPersistent, public TKivList<TKivRecipeItem> {
public:
    explicit TKivRecipeItems(class TKivRecipe* owner);
    ~TKivRecipeItems() override;
    QString ClassName() const override { return QStringLiteral("TKivRecipeItems"); }
    void Serialize(TKivSerialization& s) override;

    TKivRecipe* Owner;
};

class TKivRecipe : public TKivPersistent {
public:
    explicit TKivRecipe(TKivRecipes* owner);
    ~TKivRecipe() override;
    QString ClassName() const override { return QStringLiteral("TKivRecipe"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override { return Name; }

    // Decoding from the station's register image (reports/KivRecipeDecoder.cpp).
    TKivStation* Station() const; // null when the recipe belongs to no station
    // Writes the recipe table as a report file (UTF-16LE, TAB-separated). False, writing
    // nothing, without a station; a file that cannot be written throws TamsorError.
    bool ExportTxt(const QString& fileName) const;

    TKivRecipes* Owner;
    TKivNode* Node = nullptr; // owned
    QString Name;
    quint32 Register = 0;
    quint32 Count = 0;
    quint32 Capacity = 0;
    std::unique_ptr<TKivRecipeItems> RecipeItems;
};

class TKivRecipes : public TKivPersistent, public TKivList<TKivRecipe> {
public:
    explicit TKivRecipes(TKivStation* owner);
    ~TKivRecipes() override;
    QString ClassName() const override { return QStringLiteral("TKivRecipes"); }
    void Serialize(TKivSerialization& s) override;

    // Replaces the list with the "RECIPE%04d" sections of an open define file (DefineImport in KivDefineImport.h).
    // False, with the reason in *error and the list unchanged, when the file's counts are out of
    // bounds.
    bool ImportDefine(const TKivIniFile& ini, QString* error = nullptr);

    TKivStation* Owner;
};

class TKivDataRecordItem : public TKivColumnItem {
public:
    explicit TKivDataRecordItem(TKivDataRecordItems* owner);
    ~TKivDataRecordItem() override;
    QString ClassName() const override { return QStringLiteral("TKivDataRecordItem"); }
    void Serialize(TKivSerialization& s) override;

    TKivDataRecordItems* Owner;
    QString DisplayFormat = QString::fromLatin1(DefaultTickFormat);
};

class TKivDataRecordItems : public TKivPersistent, public TKivList<TKivDataRecordItem> {
public:
    explicit TKivDataRecordItems(class TKivDataRecord* owner);
    ~TKivDataRecordItems() override;
    QString ClassName() const override { return QStringLiteral("TKivDataRecordItems"); }
    void Serialize(TKivSerialization& s) override;

    TKivDataRecord* Owner;
};

class TKivDataRecord : public TKivPersistent {
public:
    explicit TKivDataRecord(TKivDataRecords* owner);
    ~TKivDataRecord() override;
    QString ClassName() const override { return QStringLiteral("TKivDataRecord"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override { return Name; }

    // The log ring in the station's register image (reports/KivDataRecordDecoder.cpp). Each
    // checks the header CRC; a header that fails it, or lies outside the image, is an empty log.
    TKivStation* Station() const; // null when the record belongs to no station
    quint32 EntryCount() const;   // entries stored; 0 for an empty log
    // The tick of entry i (0 = oldest) and register k of its slot; 0 when there is no such
    // entry or the register lies outside the image.
    quint32 EntryTick(qint64 i) const;
    quint16 EntryRegister(qint64 i, qint64 k) const;
    // Writes the log as a report file, oldest entry first. False, writing nothing, without a
    // station; a file that cannot be written throws TamsorError.
    bool ExportTxt(const QString& fileName) const;

    TKivDataRecords* Owner;
    TKivNode* Node = nullptr; // owned
    QString Name;
    quint32 Format = 0;
    quint32 Register = 0;
    quint32 Count = 0;
    quint32 Capacity = 0;
    quint32 Tick = 0;
    std::unique_ptr<TKivDataRecordItems> DataRecordItems;
};

class TKivDataRecords : public TKivPersistent, public TKivList<TKivDataRecord> {
public:
    explicit TKivDataRecords(TKivStation* owner);
    ~TKivDataRecords() override;
    QString ClassName() const override { return QStringLiteral("TKivDataRecords"); }
    void Serialize(TKivSerialization& s) override;

    // Replaces the list with the "RECORD%04d" sections of an open define file (DefineImport in KivDefineImport.h).
    // False, with the reason in *error and the list unchanged, when the file's counts are out of
    // bounds.
    bool ImportDefine(const TKivIniFile& ini, QString* error = nullptr);

    TKivStation* Owner;
};

class TKivAlarm : public TKivPersistent {
public:
    explicit TKivAlarm(TKivAlarms* owner);
    ~TKivAlarm() override;
    QString ClassName() const override { return QStringLiteral("TKivAlarm"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override { return Name; }

    TKivAlarms* Owner;
    QString Name;
    quint32 Group = 0;
    QStringList Message; // one text per message number
};

// One entry of a station's alarm history: two ticks (0 when absent), the alarm's position in
// the station's alarm list and the line of its message.
struct TKivAlarmEntry {
    quint32 Time1 = 0;
    quint32 Time2 = 0;
    quint32 AlarmNumber = 0;
    quint32 MessageNumber = 0;
};

// The alarm settings of a station and its alarms; an alarm's position is its alarm number.
class TKivAlarms : public TKivPersistent, public TKivList<TKivAlarm> {
public:
    explicit TKivAlarms(TKivStation* owner);
    ~TKivAlarms() override;
    QString ClassName() const override { return QStringLiteral("TKivAlarms"); }
    void Serialize(TKivSerialization& s) override;
    QString GetCaption() const override { return QStringLiteral("Alarm"); }
    void DeleteNode(); // destroys the alarm history's tree node, if any

    // Replaces the alarms and the backup area location with those of an open define file,
    // keeping titles, tick formats and widths, and destroys the alarm history's tree node. False,
    // with the reason in *error and nothing changed, when "AlarmCount" is out of bounds.
    bool ImportDefine(const TKivIniFile& ini, QString* error = nullptr);

    // The alarm history in the station's backup area (reports/KivAlarmDecoder.cpp). An area
    // whose header does not repeat BackupAddr, BackupSpace and the capacity that follows from
    // it, or that does not lie inside the image, is empty.
    TKivStation* Station() const; // null when the alarm list belongs to no station
    qint32 HistoryCount() const;  // entries stored as the header says; 0 when empty
    // Entry i, 0 = oldest; nothing when i is not below HistoryCount(), its slot is not one of
    // the area's, or the slot lies outside the image.
    std::optional<TKivAlarmEntry> HistoryEntry(qint64 i) const;
    // Writes the history as a report file. False, writing nothing, without a station; a file
    // that cannot be written throws TamsorError.
    bool ExportTxt(const QString& fileName) const;

    TKivStation* Owner;
    TKivNode* Node = nullptr; // owned; present while the station has alarms
    quint32 BackupAddr = 0;
    quint32 BackupSpace = 0;
    QString Title1;
    QString Title2;
    QString Title3;
    QString Tick1DisplayFormat = QString::fromLatin1(DefaultTickFormat);
    QString Tick2DisplayFormat = QString::fromLatin1(DefaultTickFormat);
    quint32 DisplayWidth1 = 96;
    quint32 DisplayWidth2 = 96;
    quint32 DisplayWidth3 = 144;
};
