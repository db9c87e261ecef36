#include "FrameBase.h"

#include "lang/KivLangApply.h"
#include "model/KivNode.h"

#include <QGroupBox>
#include <QLayout>
#include <QVBoxLayout>

namespace
{
TFrameHost* frameHost = nullptr;
}

TFrameHost* FrameHost()
{
    return frameHost;
}

void SetFrameHost(TFrameHost* host)
{
    frameHost = host;
}

TFrameBase::TFrameBase(const QString& objectName, int designHeight, QWidget* parent)
    : QFrame(parent), FDesignHeight(designHeight)
{
    setObjectName(objectName);
    setProperty(KivOwnsComponents, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    gbxCaption = new QGroupBox(this);
    gbxCaption->setObjectName(QStringLiteral("gbxCaption"));
    layout->addWidget(gbxCaption);
    hide();
}

QString TFrameBase::FrameCaption() const
{
    return FNode ? FNode->Text() : QString();
}

void TFrameBase::Changed()
{
    NotifyModified(true);
    Update();
}

void TFrameBase::Update()
{
    const QString caption = FrameCaption();
    gbxCaption->setTitle(caption);
    if (FNode) {
        FNode->SetText(caption);
        const int image = FrameImageIndex();
        if (image != -1)
            FNode->SetImageIndex(image);
    }
}

bool TFrameBase::Attach(QWidget* panel, TKivPersistent* object, TKivNode* node)
{
    FObject = object;
    FNode = node;
    FLoading = true;
    const bool loaded = LoadObject();
    FLoading = false;
    if (!loaded) {
        FObject = nullptr;
        FNode = nullptr;
        ObjectGone();
        return false;
    }
    if (panel && parentWidget() != panel) {
        setParent(panel);
        if (panel->layout())
            panel->layout()->addWidget(this);
    }
    Update();
    show();
    return true;
}

void TFrameBase::Detach()
{
    hide();
}

void TFrameBase::NotifyModified(bool flag)
{
    if (!FLoading && frameHost)
        frameHost->SetModified(flag);
}

void TFrameBase::ForgetNode(const TKivNode* node)
{
    if (!node || node != FNode)
        return;
    FObject = nullptr;
    FNode = nullptr;
    ObjectGone();
}

void TFrameBase::AddChildNodes(TKivNode* parent, const QList<TKivTreeEntry>& entries, bool select)
{
    if (!frameHost)
        return;
    TKivNode* first = frameHost->AddTreeNodes(parent, entries);
    if (select)
        frameHost->SelectTreeNode(first);
    frameHost->ExpandTreeNode(parent);
}

void TFrameBase::DeleteShownObject(const std::function<void()>& destroy)
{
    NotifyModified(true);
    FObject = nullptr;
    FNode = nullptr;
    ObjectGone();
    if (frameHost)
        frameHost->DeleteTreeObjects(destroy);
    else
        destroy();
}
