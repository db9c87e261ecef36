#include "SetupLayout.h"

#include "lang/KivLanRes.h"

#include <QLabel>

QLabel* SetupLabel(QWidget* parent, const QString& name, int textId, QWidget* control)
{
    auto* label = new QLabel(GetLangString(textId), parent);
    label->setObjectName(name);
    label->setBuddy(control);
    return label;
}
