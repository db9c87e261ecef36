// The setup boxes under the editors' grids: showing a column fills the controls without
// editing it, the user's edits go into the column and say whether they changed it, the page
// follows the data format, and every control is named for screen readers by its label.
#include "AlarmSetupBox.h"
#include "ColumnSetupBox.h"
#include "LangUi.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"
#include "model/KivDefinitions.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

class SetupBoxTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        LanguageResources.Discover(QStringLiteral(TAMSOR_SOURCE_DIR "/lang"));
        LanguageResources.SelectLanguage(1033);
    }
    static void TearDownTestSuite() { LanguageResources.Discover(QStringLiteral("/nonexistent")); }

    static QString AccessibleName(QWidget* widget)
    {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    }
    static void Pick(QComboBox* combo, int index)
    {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};

} // namespace

TEST_F(SetupBoxTest, ColumnEditsGoIntoTheColumnAndSayWhetherTheyChangedIt)
{
    TColumnSetupBox box(TColumnSetupBox::Kind::Recipe);
    box.show();
    TKivRecipeItem column(nullptr);
    column.Title = QStringLiteral("Flour");
    column.Format = 3;
    column.IntWidth = 5;
    QSignalSpy edited(&box, &TColumnSetupBox::ColumnEdited);
    box.ShowColumn(&column);
    EXPECT_TRUE(edited.isEmpty()) << "showing a column edits nothing";
    EXPECT_EQ(box.edtTitle->text(), u"Flour");
    EXPECT_EQ(box.lblDataFormat->text(), GetLangString(2013));
    EXPECT_EQ(ComboValue(box.cbxIntWidth), 5);
    EXPECT_EQ(box.cbxDisplayFormat->count(), 2) << "decimal and hexadecimal";

    box.edtTitle->setFocus();
    QTest::keyClick(box.edtTitle, Qt::Key_S);
    EXPECT_EQ(column.Title, u"Flours");
    box.cbxFillZero->click();
    EXPECT_EQ(column.Option, OptionZeroFill);
    Pick(box.cbxDisplayFormat, 1);
    EXPECT_EQ(column.Option, OptionZeroFill | 1);
    Pick(box.cbxDisplayFormat, 1); // the same choice again
    Pick(box.cbxFloatWidth, 2);
    EXPECT_EQ(column.FloatWidth, 2);
    ASSERT_EQ(edited.size(), 5);
    EXPECT_TRUE(edited[3][0].toBool() == false) << "choosing what was chosen changes nothing";

    box.ShowColumn(nullptr);
    EXPECT_FALSE(box.edtTitle->isEnabled());
    EXPECT_FALSE(box.cbxIntWidth->isEnabled());
}

TEST_F(SetupBoxTest, DataRecordPagesFollowTheFormat)
{
    TColumnSetupBox box(TColumnSetupBox::Kind::DataRecord);
    box.show();
    TKivDataRecordItem tick(nullptr), value(nullptr), other(nullptr);
    tick.Format = 8;
    value.Format = 7;
    other.Format = 0;

    box.ShowColumn(&tick);
    EXPECT_EQ(box.pcEdit->currentWidget(), box.tbsTick);
    EXPECT_EQ(box.cbxDispalyFormatStr->currentText(), u"hh:mm:ss");
    EXPECT_EQ(box.cbxDispalyFormatStr->count(), StrId::TimeFormatCount);
    box.cbxDispalyFormatStr->lineEdit()->selectAll();
    QTest::keyClicks(box.cbxDispalyFormatStr->lineEdit(), "hh:mm");
    EXPECT_EQ(tick.DisplayFormat, u"hh:mm");

    box.ShowColumn(&value);
    EXPECT_EQ(box.pcEdit->currentWidget(), box.tbsData);
    EXPECT_EQ(box.cbxDisplayFormat->count(), 1) << "floating point only";
    box.ShowColumn(&other);
    EXPECT_EQ(box.pcEdit->currentWidget(), box.tbsData) << "other formats keep the page";
}

TEST_F(SetupBoxTest, AlarmColumnsOfferATimeFormatOnlyForTheTimes)
{
    TAlarmSetupBox box;
    box.show();
    TKivAlarms alarms(nullptr);
    alarms.Title2 = QStringLiteral("Gone");
    QSignalSpy edited(&box, &TAlarmSetupBox::ColumnEdited);

    box.ShowColumn(&alarms, 1);
    EXPECT_EQ(box.edtTitle->text(), u"Gone");
    EXPECT_TRUE(box.cbxDisplayFormat->isVisible());
    Pick(box.cbxDisplayFormat, 0);
    emit box.cbxDisplayFormat->textActivated(box.cbxDisplayFormat->itemText(0));
    EXPECT_EQ(alarms.Tick2DisplayFormat, box.cbxDisplayFormat->itemText(0));
    EXPECT_EQ(alarms.Tick1DisplayFormat, u"hh:mm:ss");

    box.ShowColumn(&alarms, 2);
    EXPECT_FALSE(box.cbxDisplayFormat->isVisible());
    EXPECT_FALSE(box.lblDispalyFormat->isVisible());
    QTest::keyClicks(box.edtTitle, "!");
    EXPECT_EQ(alarms.Title3, GetLangString(StrId::AlarmMessageHeading) + u'!');

    box.ShowColumn(&alarms, -1); // the row-number column: nothing is refilled
    EXPECT_EQ(box.edtTitle->text(), alarms.Title3);
    EXPECT_EQ(edited.size(), 2);
}

TEST_F(SetupBoxTest, ControlsAreNamedByTheirLabels)
{
    TColumnSetupBox box(TColumnSetupBox::Kind::DataRecord);
    TAlarmSetupBox alarms;
    auto name = [](int id) { return GetLangString(id).remove(u'&'); };
    EXPECT_EQ(AccessibleName(box.edtTitle), name(StrId::TitleLabel));
    EXPECT_EQ(AccessibleName(box.cbxIntWidth), name(StrId::IntWidthLabel));
    EXPECT_EQ(AccessibleName(box.cbxFloatWidth), name(StrId::FloatWidthLabel));
    EXPECT_EQ(AccessibleName(box.cbxDisplayFormat), name(StrId::DisplayKindLabel));
    EXPECT_EQ(AccessibleName(box.cbxDispalyFormatStr), name(StrId::TimeFormatLabel));
    EXPECT_EQ(AccessibleName(box.cbxFillZero), name(StrId::FillZeroCaption));
    EXPECT_EQ(AccessibleName(alarms.cbxDisplayFormat), name(StrId::TimeFormatLabel));
}
