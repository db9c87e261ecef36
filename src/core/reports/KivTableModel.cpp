#include "KivTableModel.h"

#include <algorithm>
#include <vector>

namespace
{

constexpr Qt::Alignment ValueAlignment = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment HeadingAlignment = Qt::AlignLeft | Qt::AlignVCenter;

int ValueColumns(const TKivDecodedTable* table)
{
    return table ? std::max(int(table->Heading.size()) - 1, 0) : 0;
}

int ShownRows(const TKivDecodedTable* table)
{
    if (!table)
        return 0;
    return int(std::clamp<qint64>(table->RowCount(), 1, table->RowLimit()));
}

// The sorted, distinct rows (or columns) a selection touches.
std::vector<int> Touched(const QItemSelection& selection, bool rows)
{
    std::vector<int> lines;
    for (const QItemSelectionRange& range : selection) {
        const int first = rows ? range.top() : range.left();
        const int last = rows ? range.bottom() : range.right();
        for (int i = first; i <= last; ++i)
            lines.push_back(i);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

bool Contains(const QItemSelection& selection, int row, int column)
{
    return std::any_of(selection.begin(), selection.end(), [&](const QItemSelectionRange& r) {
        return row >= r.top() && row <= r.bottom() && column >= r.left() && column <= r.right();
    });
}

} // namespace

TKivTableModel::TKivTableModel(QObject* parent) : QAbstractTableModel(parent) {}

TKivTableModel::~TKivTableModel() = default;

void TKivTableModel::SetTable(std::unique_ptr<TKivDecodedTable> table)
{
    const int rows = ShownRows(table.get());
    const int columns = ValueColumns(table.get());
    if (!m_table || !table || columns != m_columns) {
        beginResetModel();
        m_table = std::move(table);
        m_rows = rows;
        m_columns = columns;
        ClearCache();
        endResetModel();
        return;
    }
    if (rows < m_rows) {
        beginRemoveRows(QModelIndex(), rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    const int kept = m_rows;
    m_table = std::move(table);
    ClearCache();
    if (rows > kept) {
        beginInsertRows(QModelIndex(), kept, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    if (kept > 0 && m_columns > 0)
        emit dataChanged(index(0, 0), index(kept - 1, m_columns - 1));
    emit headerDataChanged(Qt::Horizontal, 0, std::max(m_columns - 1, 0));
    if (kept > 0)
        emit headerDataChanged(Qt::Vertical, 0, kept - 1);
}

QString TKivTableModel::CornerText() const
{
    return m_table && !m_table->Heading.isEmpty() ? m_table->Heading.first() : QString();
}

bool TKivTableModel::IsPlaceholderRow(int row) const
{
    return m_table && row == 0 && m_table->RowCount() <= 0;
}

void TKivTableModel::SetColumnAlignment(int column, Qt::Alignment alignment)
{
    m_alignments.insert(column, alignment);
}

int TKivTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TKivTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant TKivTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        if (IsPlaceholderRow(index.row()))
            return QString();
        const QStringList& cells = RowCells(index.row());
        const qsizetype cell = index.column() + 1;
        return cell < cells.size() ? cells[cell] : QString();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_alignments.value(index.column(), ValueAlignment));
    default:
        return QVariant();
    }
}

QVariant TKivTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!m_table || section < 0)
        return QVariant();
    const bool horizontal = orientation == Qt::Horizontal;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(horizontal ? HeadingAlignment : ValueAlignment);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return QVariant();
    if (horizontal)
        return section < m_columns ? m_table->Heading[section + 1] : QVariant();
    if (section >= m_rows || IsPlaceholderRow(section))
        return QString();
    return QString::number(section);
}

const QStringList& TKivTableModel::RowCells(int row) const
{
    CachedRow& slot = m_cache[std::size_t(row) % CacheSlots];
    if (slot.row != row) {
        m_table->RowCells(row, slot.cells);
        slot.row = row;
    }
    return slot.cells;
}

void TKivTableModel::ClearCache() const
{
    for (CachedRow& slot : m_cache) {
        slot.row = -1;
        slot.cells.clear();
    }
}

QString TKivTableModel::SelectionText(const QItemSelection& selection) const
{
    const std::vector<int> rows = Touched(selection, true);
    const std::vector<int> columns = Touched(selection, false);
    if (!m_table || rows.empty() || columns.empty())
        return QString();
    static const QString tab = QStringLiteral("\t");
    static const QString lineEnd = QStringLiteral("\r\n");
    QString text = CornerText();
    for (int column : columns)
        text += tab + headerData(column, Qt::Horizontal).toString();
    text += lineEnd;
    for (int row : rows) {
        if (IsPlaceholderRow(row))
            continue;
        const QStringList& cells = RowCells(row);
        text += cells.value(0);
        for (int column : columns) {
            text += tab;
            if (Contains(selection, row, column))
                text += cells.value(column + 1);
        }
        text += lineEnd;
    }
    return text;
}
