// What the definition editors' setup boxes change: each edit reports whether the definition
// changed (only then is the project modified), and the grid shows the edit at once.
#include "editor/KivColumnSetup.h"
#include "DecoderTestSupport.h"
#include "lang/StringIds.h"
#include "reports/KivRecipeDecoder.h"
#include "reports/KivUtil.h"

#include <gtest/gtest.h>

TEST(ColumnSetup, EditsReportWhetherTheyChangedTheColumn)
{
    TKivRecipeItem column(nullptr);
    column.Option = OptionZeroFill | DisplayKind::Hexadecimal;
    EXPECT_TRUE(SetColumnDisplayKind(column, DisplayKind::Decimal));
    EXPECT_EQ(column.Option, OptionZeroFill) << "the zero-fill bit is kept";
    EXPECT_FALSE(SetColumnDisplayKind(column, DisplayKind::Decimal));
    EXPECT_FALSE(SetColumnDisplayKind(column, -1)) << "no choice made";
    EXPECT_FALSE(SetColumnDisplayKind(column, 256));
    EXPECT_EQ(column.Option, OptionZeroFill);

    EXPECT_TRUE(SetColumnZeroFill(column, false));
    EXPECT_FALSE(SetColumnZeroFill(column, false));
    EXPECT_EQ(column.Option, 0u);

    EXPECT_TRUE(SetColumnIntWidth(column, 5));
    EXPECT_FALSE(SetColumnIntWidth(column, 5));
    EXPECT_FALSE(SetColumnIntWidth(column, -1));
    EXPECT_TRUE(SetColumnFloatWidth(column, 2));
    EXPECT_FALSE(SetColumnFloatWidth(column, -1));
    EXPECT_EQ(column.IntWidth, 5);
    EXPECT_EQ(column.FloatWidth, 2);

    EXPECT_TRUE(SetColumnTitle(column, QStringLiteral("Flour")));
    EXPECT_FALSE(SetColumnTitle(column, QStringLiteral("Flour")));

    TKivDataRecordItem tick(nullptr);
    EXPECT_FALSE(SetColumnDisplayFormat(tick, QStringLiteral("hh:mm:ss")));
    EXPECT_TRUE(SetColumnDisplayFormat(tick, QStringLiteral("yyyy")));
}

TEST(ColumnSetup, StoredWidthsKeepTheirMinimum)
{
    quint32 width = 64;
    EXPECT_FALSE(StoreColumnWidth(width, 64, MinimumColumnWidth));
    EXPECT_TRUE(StoreColumnWidth(width, 10, MinimumColumnWidth));
    EXPECT_EQ(width, 32u);
    EXPECT_TRUE(StoreColumnWidth(width, 10, 0)) << "alarm columns have no minimum";
    EXPECT_EQ(width, 10u);

    EXPECT_EQ(ShownColumnWidth(0, MinimumColumnWidth), 32) << "a column created with width 0";
    EXPECT_EQ(ShownColumnWidth(0xFFFFFFFF, MinimumColumnWidth), MaximumColumnWidth);
    EXPECT_EQ(ShownColumnWidth(144, 0), 144);
}

TEST(ColumnSetup, ChoicesByDataFormat)
{
    const struct {
        quint32 format;
        int kindList;
        TKivSetupPage page;
    } cases[] = {
        {3, StrId::IntegerDisplayList, TKivSetupPage::Values},
        {6, StrId::IntegerDisplayList, TKivSetupPage::Values},
        {7, StrId::FloatDisplayList, TKivSetupPage::Values},
        {8, 0, TKivSetupPage::TimeStamp},
        {0, 0, TKivSetupPage::Unchanged},
        {9, 0, TKivSetupPage::Unchanged},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayKindList(c.format), c.kindList) << c.format;
        EXPECT_EQ(SetupPageFor(c.format), c.page) << c.format;
    }
}

TEST(ColumnSetup, AlarmColumnsByPosition)
{
    TKivAlarms alarms(nullptr);
    EXPECT_EQ(AlarmColumnTitle(alarms, 2), &alarms.Title3);
    EXPECT_EQ(AlarmColumnTickFormat(alarms, 1), &alarms.Tick2DisplayFormat);
    EXPECT_EQ(AlarmColumnTickFormat(alarms, 2), nullptr) << "the message has no time format";
    EXPECT_EQ(AlarmColumnWidth(alarms, 0), &alarms.DisplayWidth1);
    EXPECT_EQ(AlarmColumnTitle(alarms, -1), nullptr) << "the row-number column";
    EXPECT_EQ(AlarmColumnTitle(alarms, 3), nullptr);
}

TEST(ColumnSetup, ZeroFillShowsInTheGridAndGoesAgain)
{
    DecoderLanguage language;
    TKivStation station(nullptr);
    auto* recipe = new TKivRecipe(station.Recipes.get());
    recipe->Count = 1;
    auto* column = new TKivRecipeItem(recipe->RecipeItems.get());
    column->Format = DataFormat::Signed16;
    SetRegister(station, 0, 12);
    auto cell = [&] { return TableRows(TKivRecipeTable(*recipe, station.RegisterImage, 0))[0][1]; };
    ASSERT_TRUE(SetColumnIntWidth(*column, 5));
    EXPECT_EQ(cell(), u"12");
    EXPECT_TRUE(SetColumnZeroFill(*column, true));
    EXPECT_EQ(cell(), u"00012");
    EXPECT_TRUE(SetColumnZeroFill(*column, false));
    EXPECT_EQ(cell(), u"12");

    // A float column is shown as floating point whatever display kind it holds.
    SetRegister32(station, 0, std::bit_cast<quint32>(2.5f));
    column->Format = DataFormat::Float32;
    column->FloatWidth = 1;
    for (int kind : {0, 1, 2}) {
        SetColumnDisplayKind(*column, kind);
        EXPECT_EQ(cell(), u"2.5") << kind;
    }
}
