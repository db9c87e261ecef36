#pragma once

#include <QFrame>
#include <QList>
#include <functional>

class QGroupBox;
class TFrameBase;
class TKivNode;
class TKivPersistent;
class TKivTamsor;
struct TKivTreeEntry;

// What frames need from the window that hosts them: the modified mark, the project and its
// file, and the project tree for the nodes they add and delete. The main window implements it.
class TFrameHost
{
public:
    virtual ~TFrameHost() = default;
    virtual void SetModified(bool modified) = 0;
    // The current project file; empty for an untitled project.
    virtual QString ProjectFileName() const = 0;
    virtual TKivTamsor& Project() const = 0;
    // Adds the nodes of entries (parents before children, depth 0 directly under parent),
    // records each in its object and returns the node of the first entry.
    virtual TKivNode* AddTreeNodes(TKivNode* parent, const QList<TKivTreeEntry>& entries) = 0;
    virtual void SelectTreeNode(TKivNode* node) = 0;
    // Expands node one level.
    virtual void ExpandTreeNode(TKivNode* node) = 0;
    // Runs destroy, which deletes project objects and with them their nodes, without the
    // frames following the selection meanwhile; then shows the frames of the node selected
    // afterwards.
    virtual void DeleteTreeObjects(const std::function<void()>& destroy) = 0;
    // frame asks for another height (its DesignHeight changed); the bottom panel follows when
    // frame is shown in it.
    virtual void FrameHeightChanged(TFrameBase* frame) = 0;
};

// The host frames report to; set by the main window while it lives.
TFrameHost* FrameHost();
void SetFrameHost(TFrameHost* host);

// Base of every frame: a panel with its own controls that shows one project object in the
// bottom or centre panel of the main window. It holds one group box, gbxCaption, captioned with
// the shown object's caption; a concrete frame lays out its controls inside it. Every change a
// frame makes goes straight into the model and ends with Changed. Frames are made by class
// name (FrameRegistry.h) on first use and kept to the end of the run.
class TFrameBase : public QFrame
{
    Q_OBJECT

public:
    // objectName: the frame's component name ("FrameChannel"), the root of its text paths.
    // designHeight: the height the frame asks of the bottom panel.
    TFrameBase(const QString& objectName, int designHeight, QWidget* parent = nullptr);

    // The caption of the object shown; the base gives the node's text, or "" without a node.
    virtual QString FrameCaption() const;
    // The node image to set on Update; -1 leaves the image alone.
    virtual int FrameImageIndex() const { return -1; }
    // Takes FObject into the frame's typed field and fills the controls from it. False when
    // FObject is not of the frame's own class.
    virtual bool LoadObject() = 0;
    // After every change: marks the project modified, then Update.
    virtual void Changed();
    // The group box caption and the node's text follow FrameCaption.
    virtual void Update();

    // Shows object (with its node) in panel: loads it without marking the project modified;
    // on success places the frame in the panel, updates and shows it. On failure the frame
    // forgets object and node. Returns what LoadObject returned.
    bool Attach(QWidget* panel, TKivPersistent* object, TKivNode* node);
    void Detach();
    // Marks the project modified (or not) unless the frame is loading.
    void NotifyModified(bool flag);
    // Forgets the object when node is the node it shows (the node and its object are going).
    void ForgetNode(const TKivNode* node);

    TKivPersistent* Object() const { return FObject; }
    TKivNode* Node() const { return FNode; }
    int DesignHeight() const { return FDesignHeight; }
    bool Loading() const { return FLoading; }

    QGroupBox* gbxCaption;

protected:
    // Called when the frame forgets its object; typed fields are cleared here.
    virtual void ObjectGone() {}
    // Adds the nodes of entries under parent and expands parent; selects the first new node
    // when select is set (its frames then show).
    void AddChildNodes(TKivNode* parent, const QList<TKivTreeEntry>& entries, bool select);
    // Deletes the object shown (destroy does it) with its nodes: marks the project modified,
    // forgets the object first, and lets the tree select another node afterwards.
    void DeleteShownObject(const std::function<void()>& destroy);

    TKivPersistent* FObject = nullptr;
    TKivNode* FNode = nullptr;
    int FDesignHeight;
    bool FLoading = false;
};
