#pragma once

#include <QGroupBox>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QWidget;
class TKivColumnItem;
class TKivDataRecordItem;

// The setup box below the recipe and data-record grids (gbxSetup): the title and display
// fields of the column whose cell is current. Edits go straight into the column; each one
// reports through ColumnEdited whether it changed the column. The data-record box also has the
// time-stamp page for columns of format 8.
class TColumnSetupBox : public QGroupBox
{
    Q_OBJECT
public:
    enum class Kind { Recipe, DataRecord };
    explicit TColumnSetupBox(Kind kind, QWidget* parent = nullptr);

    // Shows column's settings (null: none; the controls are then disabled and cleared).
    // Formats 3 to 6 list the integer display kinds, 7 the float kind; for other formats the
    // list and the page stay as they were.
    void ShowColumn(TKivColumnItem* column);

    QLineEdit* edtTitle;
    QLabel* lblDataFormat;
    QStackedWidget* pcEdit; // tbsData and, for data records, tbsTick
    QWidget* tbsData;
    QWidget* tbsTick = nullptr;
    QComboBox* cbxDisplayFormat;
    QCheckBox* cbxFillZero;
    QComboBox* cbxIntWidth;
    QComboBox* cbxFloatWidth;
    QComboBox* cbxDispalyFormatStr = nullptr;

signals:
    // An edit was written into the column; changed says whether the column differs now.
    void ColumnEdited(bool changed);

private:
    QWidget* MakeDataPage();
    QWidget* MakeTickPage();
    // Runs edit on the column shown, unless the box is filling itself, and reports it.
    void Apply(const std::function<bool(TKivColumnItem&)>& edit);
    TKivDataRecordItem* TickColumn() const;

    Kind m_kind;
    TKivColumnItem* m_column = nullptr;
    bool m_showing = false;
};
