#pragma once

#include <QString>

// The project tree's handle on one node. The GUI implements it (a tree widget item); the core
// only sets what the node shows. A project object that owns its node deletes it when the
// object is destroyed, so an implementation removes its item from the tree in its destructor.
class TKivNode {
public:
    virtual ~TKivNode() = default;
    virtual void SetText(const QString& text) = 0;
    virtual void SetImageIndex(int index) = 0;
    // The text the node shows; empty where nothing is shown.
    virtual QString Text() const { return QString(); }
};
