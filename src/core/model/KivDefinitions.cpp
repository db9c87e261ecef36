#include "KivDefinitions.h"

#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

namespace {

// The serialized form never holds a display format that is empty.
void DefaultIfEmpty(QString& format)
{
    if (format.isEmpty())
        format = QString::fromLatin1(DefaultTickFormat);
}

} // namespace

// ---- Columns ----------------------------------------------------------------------------------

void TKivColumnItem::Serialize(TKivSerialization& s)
{
    s.ValueString(QStringLiteral("Title"), Title);
    s.ValueUInt32(QStringLiteral("Format"), Format);
    s.ValueUInt32(QStringLiteral("Width"), Width);
    s.ValueInt32(QStringLiteral("IntWidth"), IntWidth);
    s.ValueInt32(QStringLiteral("FloatWidth"), FloatWidth);
    s.ValueUInt32(QStringLiteral("Option"), Option);
}

// ---- Recipes ----------------------------------------------------------------------------------

TKivRecipeItem::TKivRecipeItem(TKivRecipeItems* owner) : Owner(owner)
{
    if (Owner)
        Owner->AddNew(this);
}

TKivRecipeItem::~TKivRecipeItem()
{
    if (Owner)
        Owner->Remove(this);
}


TKivRecipeItems::TKivRecipeItems(TKivRecipe* owner) : TKivList(this), Owner(owner) {}

TKivRecipeItems::~TKivRecipeItems() { Clear(); }

void TKivRecipeItems::Serialize(TKivSerialization& s)
{
    s.ValueList(QStringLiteral("RecipeItems"), *this, *this,
                [this] { return new TKivRecipeItem(this); });
}

TKivRecipe::TKivRecipe(TKivRecipes* owner) : Owner(owner)
{
    RecipeItems = std::make_unique<TKivRecipeItems>(this);
    if (Owner)
        Owner->AddNew(this);
}

TKivRecipe::~TKivRecipe()
{
    if (Owner)
        Owner->Remove(this);
    RecipeItems.reset();
    delete Node;
}

void TKivRecipe::Serialize(TKivSerialization& s)
{
    s.ValueString(QStringLiteral("Name"), Name);
    s.ValueUInt32(QStringLiteral("Register"), Register);
    s.ValueUInt32(QStringLiteral("Count"), Count);
    s.ValueUInt32(QStringLiteral("Capacity"), Capacity);
    s.ValueObject(QStringLiteral("RecipeItems"), *RecipeItems);
}

TKivRecipes::TKivRecipes(TKivStation* owner) : TKivList(this), Owner(owner) {}

TKivRecipes::~TKivRecipes() { Clear(); }

void TKivRecipes::Serialize(TKivSerialization& s)
{
    s.ValueList(QStringLiteral("Recipes"), *this, *this, [this] { return new TKivRecipe(this); });
}

// ---- Data records -----------------------------------------------------------------------------

TKivDataRecordItem::TKivDataRecordItem(TKivDataRecordItems* owner) : Owner(owner)
{
    if (Owner)
        Owner->AddNew(this);
}

TKivDataRecordItem::~TKivDataRecordItem()
{
    if (Owner)
        Owner->Remove(this);
}

void TKivDataRecordItem::Serialize(TKivSerialization& s)
{
    TKivColumnItem::Serialize(s);
    s.ValueString(QStringLiteral("DisplayFormat"), DisplayFormat);
}

TKivDataRecordItems::TKivDataRecordItems(TKivDataRecord* owner) : TKivList(this), Owner(owner) {}

TKivDataRecordItems::~TKivDataRecordItems() { Clear(); }

void TKivDataRecordItems::Serialize(TKivSerialization& s)
{
    s.ValueList(QStringLiteral("DataRecordItems"), *this, *this,
                [this] { return new TKivDataRecordItem(this); });
}

TKivDataRecord::TKivDataRecord(TKivDataRecords* owner) : Owner(owner)
{
    DataRecordItems = std::make_unique<TKivDataRecordItems>(this);
    if (Owner)
        Owner->AddNew(this);
}

TKivDataRecord::~TKivDataRecord()
{
    if (Owner)
        Owner->Remove(this);
    DataRecordItems.reset();
    delete Node;
}

void TKivDataRecord::Serialize(TKivSerialization& s)
{
    s.ValueString(QStringLiteral("Name"), Name);
    s.ValueUInt32(QStringLiteral("Format"), Format);
    s.ValueUInt32(QStringLiteral("Register"), Register);
    s.ValueUInt32(QStringLiteral("Count"), Count);
    s.ValueUInt32(QStringLiteral("Capacity"), Capacity);
    s.ValueUInt32(QStringLiteral("Tick"), Tick);
    s.ValueObject(QStringLiteral("DataRecordItems"), *DataRecordItems);
}

TKivDataRecords::TKivDataRecords(TKivStation* owner) : TKivList(this), Owner(owner) {}

TKivDataRecords::~TKivDataRecords() { Clear(); }

void TKivDataRecords::Serialize(TKivSerialization& s)
{
    s.ValueList(QStringLiteral("DataRecords"), *this, *this,
                [this] { return new TKivDataRecord(this); });
}

// ---- Alarms -----------------------------------------------------------------------------------

TKivAlarm::TKivAlarm(TKivAlarms* owner) : Owner(owner)
{
    if (Owner)
        Owner->AddNew(this);
}

TKivAlarm::~TKivAlarm()
{
    if (Owner)
        Owner->Remove(this);
}

void TKivAlarm::Serialize(TKivSerialization& s)
{
    s.ValueString(QStringLiteral("Name"), Name);
    s.ValueUInt32(QStringLiteral("Group"), Group);
    s.ValueStrings(QStringLiteral("Message"), Message);
}

TKivAlarms::TKivAlarms(TKivStation* owner)
    : TKivList(this), Owner(owner), Title1(GetLangString(StrId::AlarmFirstTimeHeading)),
      Title2(GetLangString(StrId::AlarmSecondTimeHeading)),
      Title3(GetLangString(StrId::AlarmMessageHeading))
{
}

TKivAlarms::~TKivAlarms()
{
    Clear();
    DeleteNode();
}

void TKivAlarms::DeleteNode()
{
    delete Node;
    Node = nullptr;
}

void TKivAlarms::Serialize(TKivSerialization& s)
{
    s.ValueUInt32(QStringLiteral("BackupAddr"), BackupAddr);
    s.ValueUInt32(QStringLiteral("BackupSpace"), BackupSpace);
    s.ValueString(QStringLiteral("Title1"), Title1);
    s.ValueString(QStringLiteral("Title2"), Title2);
    s.ValueString(QStringLiteral("Title3"), Title3);
    s.ValueString(QStringLiteral("Tick1DisplayFormat"), Tick1DisplayFormat);
    s.ValueString(QStringLiteral("Tick2DisplayFormat"), Tick2DisplayFormat);
    s.ValueUInt32(QStringLiteral("DisplayWidth1"), DisplayWidth1);
    s.ValueUInt32(QStringLiteral("DisplayWidth2"), DisplayWidth2);
    s.ValueUInt32(QStringLiteral("DisplayWidth3"), DisplayWidth3);
    if (s.Mode() == TKivSerialization::Load) {
        DefaultIfEmpty(Tick1DisplayFormat);
        DefaultIfEmpty(Tick2DisplayFormat);
    }
    s.ValueList(QStringLiteral("Alarms"), *this, *this, [this] { return new TKivAlarm(this); });
}
