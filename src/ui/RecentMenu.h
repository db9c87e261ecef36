#pragma once

#include "settings/KivRecentFile.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;

// The recent-project items of a menu: they follow the anchor item and the item after it (a
// separator). A click passes the item's path, which is also its tooltip, to the handler.
class TKivRecentMenuUi : public QObject, public TKivRecentMenu
{
public:
    TKivRecentMenuUi(QMenu* menu, QAction* anchor, std::function<void(const QString&)> onOpen);

    void ClearRecentItems() override;
    void AddRecentItem(const QString& caption, const QString& path) override;

private:
    QMenu* m_menu;
    QAction* m_anchor;
    std::function<void(const QString&)> m_onOpen;
};
