#pragma once

#include "model/KivNode.h"

#include <QIcon>
#include <QList>
#include <QTreeWidget>

class TKivPersistent;
class TKivTamsor;
struct TKivTreeEntry;

// One node of the project tree: the core's node handle on a tree item. It carries the project
// object it shows; the object records the node in NodeSlot. Deleting the node (the object
// does when it dies) removes the item, tells the tree, and clears the object's record.
class TKivTreeNode : public QTreeWidgetItem, public TKivNode
{
public:
    TKivTreeNode(class TProjectTree* tree, const TKivTreeEntry& entry);
    ~TKivTreeNode() override;

    void SetText(const QString& text) override;
    void SetImageIndex(int index) override;
    QString Text() const override;

    TKivPersistent* Object() const { return m_object; }
    int ImageIndex() const { return m_image; }

private:
    class TProjectTree* m_tree;
    TKivPersistent* m_object;
    TKivNode** m_slot;
    const QList<QIcon>& m_images;
    int m_image = -1;
};

// tvProject: the read-only project tree. Its nodes change only through the program's
// commands: no in-place editing, no drag and drop.
class TProjectTree : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TProjectTree(QWidget* parent = nullptr);
    ~TProjectTree() override;

    // Adds the nodes of entries below parent (null: at the top), parents before children,
    // records each node in its object and returns the first one.
    TKivTreeNode* AddEntries(TKivTreeNode* parent, const QList<TKivTreeEntry>& entries);
    // Removes every node; objects forget their nodes.
    void RemoveAll();
    // The nodes of the whole tree, parents before children.
    QList<TKivTreeNode*> Nodes() const;
    TKivTreeNode* CurrentNode() const;
    static TKivTreeNode* NodeOf(QTreeWidgetItem* item);

    // The eight node images, in the order of TreeImage.
    const QList<QIcon>& Images() const { return m_images; }

signals:
    // A node is about to go; frames showing its object must forget it.
    void NodeDestroyed(const TKivNode* node);

private:
    friend class TKivTreeNode;
    QList<QIcon> m_images;
};
