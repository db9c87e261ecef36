#include "TableGrid.h"

#include "reports/KivTableModel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

namespace
{

// Draws a cell as the grid needs it and no more: the selection colour, the text in its
// alignment inside the cell shrunk by a pixel and a little padding, cut with "..." when it
// does not fit, and the focus frame on the current cell. The general delegate lays out every
// text for icons, check boxes and wrapping, which made a screen of a log slow to paint.
class TGridCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        const QRect text = option.rect.adjusted(3, 1, -3, -1);
        const QString shown = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                            Qt::ElideRight, text.width());
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(text, int(index.data(Qt::TextAlignmentRole).value<Qt::Alignment>()),
                          shown);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = option.rect.adjusted(1, 1, -1, -1);
            focus.backgroundColor =
                option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            QWidget* widget = const_cast<QWidget*>(option.widget);
            widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
    }
};

} // namespace

TTableGrid::TTableGrid(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new TGridCellDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setHighlightSections(false);
    SetRowNumberWidth(72);

    actCopy = new QAction(this);
    actCopy->setObjectName(QStringLiteral("actCopy"));
    actCopy->setShortcut(QKeySequence::Copy);
    actCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(actCopy, &QAction::triggered, this, &TTableGrid::CopySelection);
    addAction(actCopy);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (!m_settingWidths)
                    emit ColumnResized(column, width);
            });

    // The corner above the row numbers shows the row numbers' heading.
    m_corner = findChild<QAbstractButton*>();
    if (m_corner)
        m_corner->installEventFilter(this);
    ApplyFixedCellLook();
    ApplyRowHeight();
}

void TTableGrid::SetTableModel(TKivTableModel* model)
{
    m_model = model;
    setModel(model);
    if (!m_corner)
        return;
    // The corner shows the heading row's first text: redraw it whenever the headings change,
    // also when a table of the same shape replaces the shown one (a language switch).
    connect(model, &QAbstractItemModel::modelReset, m_corner, qOverload<>(&QWidget::update));
    connect(model, &QAbstractItemModel::headerDataChanged, m_corner,
            [corner = m_corner](Qt::Orientation orientation) {
                if (orientation == Qt::Horizontal)
                    corner->update();
            });
}

void TTableGrid::SetMinimumColumnWidth(int width)
{
    horizontalHeader()->setMinimumSectionSize(width);
}

void TTableGrid::SetColumnWidths(const QList<int>& widths)
{
    m_settingWidths = true;
    for (int column = 0; column < widths.size(); ++column)
        horizontalHeader()->resizeSection(column, widths[column]);
    m_settingWidths = false;
}

QList<int> TTableGrid::ColumnWidths() const
{
    QList<int> widths;
    for (int column = 0; column < horizontalHeader()->count(); ++column)
        widths << horizontalHeader()->sectionSize(column);
    return widths;
}

void TTableGrid::SetRowNumberWidth(int width)
{
    verticalHeader()->setFixedWidth(width);
}

void TTableGrid::CopySelection() const
{
    if (!m_model || !selectionModel())
        return;
    const QString text = m_model->SelectionText(selectionModel()->selection());
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TTableGrid::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyRowHeight();
    else if (event->type() == QEvent::PaletteChange)
        ApplyFixedCellLook();
}

bool TTableGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        PaintCorner(m_corner);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TTableGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid() && current.column() != previous.column())
        emit CurrentColumnChanged(current.column());
}

void TTableGrid::ApplyFixedCellLook()
{
    // Flat heading cells in the tooltip colours, with the grid's lines between them.
    const QPalette& p = palette();
    const QString style =
        QStringLiteral("QHeaderView::section { background-color: %1; color: %2; "
                       "border: none; border-right: 1px solid %3; border-bottom: 1px solid %3; "
                       "padding: 0px 3px; }")
            .arg(p.color(QPalette::ToolTipBase).name(), p.color(QPalette::ToolTipText).name(),
                 p.color(QPalette::Mid).name());
    horizontalHeader()->setStyleSheet(style);
    verticalHeader()->setStyleSheet(style);
}

void TTableGrid::ApplyRowHeight()
{
    const int height = fontMetrics().height() + 8;
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
    horizontalHeader()->setFixedHeight(height);
}

void TTableGrid::PaintCorner(QAbstractButton* corner)
{
    QPainter painter(corner);
    const QPalette& p = palette();
    painter.fillRect(corner->rect(), p.color(QPalette::ToolTipBase));
    painter.setPen(p.color(QPalette::Mid));
    painter.drawLine(corner->rect().topRight(), corner->rect().bottomRight());
    painter.drawLine(corner->rect().bottomLeft(), corner->rect().bottomRight());
    painter.setPen(p.color(QPalette::ToolTipText));
    const QRect text = corner->rect().adjusted(3, 0, -3, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     m_model ? m_model->CornerText() : QString());
}
