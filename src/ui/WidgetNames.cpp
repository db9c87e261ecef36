#include "WidgetNames.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>

namespace
{
void NameFromToolTips(QWidget* root)
{
    if (!root)
        return;
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>())
        if (button->text().isEmpty() && !button->toolTip().isEmpty())
            button->setAccessibleName(button->toolTip());
}

} // namespace

void NameFromLabels(QWidget* root)
{
    if (!root)
        return;
    NameFromToolTips(root);
    static const QRegularExpression accessKey(QStringLiteral("&(?!&)|\\(&.\\)"));
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (!buddy)
            continue;
        QString name = label->text();
        name.remove(accessKey);
        name = name.trimmed();
        if (name.endsWith(u':') || name.endsWith(u'：'))
            name.chop(1);
        buddy->setAccessibleName(name);
    }
}
