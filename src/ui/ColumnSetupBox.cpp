#include "ColumnSetupBox.h"

#include "FrameWidgets.h"
#include "LangUi.h"
#include "editor/KivColumnSetup.h"
#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

TColumnSetupBox::TColumnSetupBox(Kind kind, QWidget* parent) : QGroupBox(parent), m_kind(kind)
{
    setObjectName(QStringLiteral("gbxSetup"));

    edtTitle = NamedWidget<QLineEdit>(this, "edtTitle");
    lblDataFormat = NamedWidget<QLabel>(this, "lblDataFormat");
    pcEdit = NamedWidget<QStackedWidget>(this, "pcEdit");
    tbsData = MakeDataPage();
    pcEdit->addWidget(tbsData);
    if (kind == Kind::DataRecord) {
        tbsTick = MakeTickPage();
        pcEdit->addWidget(tbsTick);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(BuddyLabel(edtTitle, this, "lblTitle"));
    top->addWidget(edtTitle, 1);
    top->addSpacing(12);
    top->addWidget(lblDataFormat);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(pcEdit);

    connect(edtTitle, &QLineEdit::textEdited, this, [this](const QString& text) {
        Apply([&](TKivColumnItem& c) { return SetColumnTitle(c, text); });
    });
    connect(cbxDisplayFormat, &QComboBox::activated, this, [this] {
        Apply([&](TKivColumnItem& c) {
            return SetColumnDisplayKind(c, ComboValue(cbxDisplayFormat));
        });
    });
    connect(cbxFillZero, &QCheckBox::clicked, this, [this](bool on) {
        Apply([&](TKivColumnItem& c) { return SetColumnZeroFill(c, on); });
    });
    connect(cbxIntWidth, &QComboBox::activated, this, [this] {
        Apply([&](TKivColumnItem& c) { return SetColumnIntWidth(c, ComboValue(cbxIntWidth)); });
    });
    connect(cbxFloatWidth, &QComboBox::activated, this, [this] {
        Apply([&](TKivColumnItem& c) { return SetColumnFloatWidth(c, ComboValue(cbxFloatWidth)); });
    });
    ShowColumn(nullptr);
}

QWidget* TColumnSetupBox::MakeDataPage()
{
    auto* page = NamedWidget<QWidget>(this, "tbsData");
    cbxDisplayFormat = NamedWidget<QComboBox>(page, "cbxDisplayFormat");
    cbxFillZero = NamedWidget<QCheckBox>(page, "cbxFillZero");
    cbxIntWidth = NamedWidget<QComboBox>(page, "cbxIntWidth");
    cbxFloatWidth = NamedWidget<QComboBox>(page, "cbxFloatWidth");

    // Two rows of label and list pairs, so the longest texts of every language fit even in
    // the narrowest window; the lists grow with their items.
    for (QComboBox* combo : {cbxDisplayFormat, cbxIntWidth, cbxFloatWidth})
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(BuddyLabel(cbxDisplayFormat, page, "lblDisplayFormat"), 0, 0);
    grid->addWidget(cbxDisplayFormat, 0, 1, Qt::AlignLeft);
    grid->addWidget(cbxFillZero, 1, 1);
    grid->addWidget(BuddyLabel(cbxIntWidth, page, "lblIntWidth"), 0, 3);
    grid->addWidget(cbxIntWidth, 0, 4, Qt::AlignLeft);
    grid->addWidget(BuddyLabel(cbxFloatWidth, page, "lblFloatWidth"), 1, 3);
    grid->addWidget(cbxFloatWidth, 1, 4, Qt::AlignLeft);
    grid->setColumnMinimumWidth(2, 12);
    grid->setColumnStretch(5, 1);
    return page;
}

QWidget* TColumnSetupBox::MakeTickPage()
{
    auto* page = NamedWidget<QWidget>(this, "tbsTick");
    cbxDispalyFormatStr = TimeFormatCombo(page, "cbxDispalyFormatStr");

    // One row at the top: the values page beside it in the stack is two rows high.
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(BuddyLabel(cbxDispalyFormatStr, page, "lblTickFormat"), 0, 0);
    grid->addWidget(cbxDispalyFormatStr, 0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    // Only the data-record box has this page, so its columns are data-record columns.
    auto edit = [this](const QString& text) {
        Apply([&](TKivColumnItem& c) {
            return SetColumnDisplayFormat(static_cast<TKivDataRecordItem&>(c), text);
        });
    };
    connect(cbxDispalyFormatStr->lineEdit(), &QLineEdit::textEdited, this, edit);
    connect(cbxDispalyFormatStr, &QComboBox::textActivated, this, edit);
    return page;
}

TKivDataRecordItem* TColumnSetupBox::TickColumn() const
{
    return m_kind == Kind::DataRecord ? static_cast<TKivDataRecordItem*>(m_column) : nullptr;
}

void TColumnSetupBox::ShowColumn(TKivColumnItem* column)
{
    m_showing = true;
    m_column = column;
    for (QWidget* control : {static_cast<QWidget*>(edtTitle), static_cast<QWidget*>(pcEdit)})
        control->setEnabled(column != nullptr);
    if (!column) {
        edtTitle->clear();
        lblDataFormat->clear();
        m_showing = false;
        return;
    }
    edtTitle->setText(column->Title);
    FillComboWithValues(cbxIntWidth, StrId::WidthList, column->IntWidth);
    FillComboWithValues(cbxFloatWidth, StrId::WidthList, column->FloatWidth);
    cbxFillZero->setChecked(column->Option & OptionZeroFill);
    lblDataFormat->setText(GetLangString(StrId::FormatNameBase + int(column->Format)));
    if (const int kinds = DisplayKindList(column->Format))
        FillComboWithValues(cbxDisplayFormat, kinds, int(column->Option & OptionKindMask));
    if (m_kind == Kind::DataRecord) {
        switch (SetupPageFor(column->Format)) {
        case TKivSetupPage::Values:
            ShowStackPage(pcEdit, tbsData);
            break;
        case TKivSetupPage::TimeStamp:
            ShowStackPage(pcEdit, tbsTick);
            FillComboFromLang(cbxDispalyFormatStr, StrId::TimeFormatList);
            cbxDispalyFormatStr->setEditText(TickColumn()->DisplayFormat);
            break;
        case TKivSetupPage::Unchanged:
            break;
        }
    }
    m_showing = false;
}

void TColumnSetupBox::Apply(const std::function<bool(TKivColumnItem&)>& edit)
{
    if (m_showing || !m_column)
        return;
    emit ColumnEdited(edit(*m_column));
}
