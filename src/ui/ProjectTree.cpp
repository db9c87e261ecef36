#include "ProjectTree.h"

#include "UiResources.h"
#include "editor/KivProjectTree.h"
#include "model/KivPersistent.h"

#include <QHeaderView>

namespace
{

QList<QIcon> treeImages()
{
    InitUiResources();
    static const char* const names[TreeImage::Count] = {
        "project", "channel-uart", "channel-internet", "channel-file",
        "station", "recipe",       "data-record",      "alarms"};
    QList<QIcon> images;
    for (const char* name : names)
        images << QIcon(QStringLiteral(":/icons/tree/%1.svg").arg(QLatin1String(name)));
    return images;
}

} // namespace

TKivTreeNode::TKivTreeNode(TProjectTree* tree, const TKivTreeEntry& entry)
    : m_tree(tree), m_object(entry.Object), m_slot(entry.NodeSlot), m_images(tree->Images())
{
    setText(0, entry.Caption);
    SetImageIndex(entry.ImageIndex);
    if (m_slot)
        *m_slot = this;
}

TKivTreeNode::~TKivTreeNode()
{
    if (m_tree)
        emit m_tree->NodeDestroyed(this);
    if (m_slot && *m_slot == this)
        *m_slot = nullptr;
    // The children go with this item; each clears its own object's record.
}

void TKivTreeNode::SetText(const QString& text)
{
    setText(0, text);
}

void TKivTreeNode::SetImageIndex(int index)
{
    m_image = index;
    setIcon(0, index >= 0 && index < m_images.size() ? m_images.at(index) : QIcon());
}

QString TKivTreeNode::Text() const
{
    return text(0);
}

TProjectTree::TProjectTree(QWidget* parent) : QTreeWidget(parent), m_images(treeImages())
{
    setObjectName(QStringLiteral("tvProject"));
    setColumnCount(1);
    header()->hide();
    setIndentation(19);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
}

TProjectTree::~TProjectTree()
{
    RemoveAll();
}

TKivTreeNode* TProjectTree::AddEntries(TKivTreeNode* parent, const QList<TKivTreeEntry>& entries)
{
    // parents[d] is the node entries of depth d hang under.
    QList<QTreeWidgetItem*> parents{parent ? static_cast<QTreeWidgetItem*>(parent)
                                           : invisibleRootItem()};
    TKivTreeNode* first = nullptr;
    for (const TKivTreeEntry& entry : entries) {
        const int depth = qBound(0, entry.Depth, int(parents.size()) - 1);
        auto* node = new TKivTreeNode(this, entry);
        parents.at(depth)->addChild(node);
        parents.resize(depth + 1);
        parents << node;
        if (!first)
            first = node;
    }
    return first;
}

void TProjectTree::RemoveAll()
{
    const QList<QTreeWidgetItem*> top = invisibleRootItem()->takeChildren();
    qDeleteAll(top);
}

QList<TKivTreeNode*> TProjectTree::Nodes() const
{
    QList<TKivTreeNode*> nodes;
    for (QTreeWidgetItemIterator it(const_cast<TProjectTree*>(this)); *it; ++it)
        if (TKivTreeNode* node = NodeOf(*it))
            nodes << node;
    return nodes;
}

TKivTreeNode* TProjectTree::CurrentNode() const
{
    return NodeOf(currentItem());
}

TKivTreeNode* TProjectTree::NodeOf(QTreeWidgetItem* item)
{
    return dynamic_cast<TKivTreeNode*>(item);
}
