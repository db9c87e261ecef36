#pragma once

#include "Kivclasses.h"
#include "KivNode.h"

#include <QString>
#include <QStringList>
#include <memory>

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

class TKivRecipeItem : public TKivPersistent {
public:
    explicit TKivRecipeItem(TKivRecipeItems* owner);
    ~TKivRecipeItem() override;
    QString ClassName() const override { return QStringLiteral("TKivRecipeItem"); }
    void Serialize(TKivSerialization& s) override;

    TKivRecipeItems* Owner;
    QString Title;
    quint32 Format = 0;
    quint32 Width = 0;
    qint32 IntWidth = 4;
    qint32 FloatWidth = 0;
    quint32 Option = 0;
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

class TKivDataRecordItem : public TKivPersistent {
public:
    explicit TKivDataRecordItem(TKivDataRecordItems* owner);
    ~TKivDataRecordItem() override;
    QString ClassName() const override { return QStringLiteral("TKivDataRecordItem"); }
    void Serialize(TKivSerialization& s) override;

    TKivDataRecordItems* Owner;
    QString Title;
    quint32 Format = 0;
    quint32 Width = 0;
    qint32 IntWidth = 4;
    qint32 FloatWidth = 0;
    quint32 Option = 0;
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
