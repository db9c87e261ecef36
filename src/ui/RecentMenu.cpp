#include "RecentMenu.h"

#include <QAction>
#include <QMenu>

TKivRecentMenuUi::TKivRecentMenuUi(QMenu* menu, QAction* anchor,
                                   std::function<void(const QString&)> onOpen)
    : QObject(menu), m_menu(menu), m_anchor(anchor), m_onOpen(std::move(onOpen))
{
}

void TKivRecentMenuUi::ClearRecentItems()
{
    const QList<QAction*> actions = m_menu->actions();
    const qsizetype first = actions.indexOf(m_anchor) + 2;
    if (first < 2)
        return;
    for (qsizetype i = actions.size() - 1; i >= first; --i) {
        m_menu->removeAction(actions.at(i));
        if (actions.at(i)->parent() == m_menu)
            delete actions.at(i);
    }
}

void TKivRecentMenuUi::AddRecentItem(const QString& caption, const QString& path)
{
    QAction* action = m_menu->addAction(caption);
    action->setToolTip(path);
    action->setData(path);
    connect(action, &QAction::triggered, this, [this, path] {
        if (m_onOpen)
            m_onOpen(path);
    });
}
