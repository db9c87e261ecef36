#include "FrameWidgets.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>

QAction* FrameAction(QWidget* frame, const char* name)
{
    auto* action = new QAction(frame);
    action->setObjectName(QLatin1String(name));
    return action;
}

QToolButton* ActionButton(QAction* action, QWidget* parent, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    button->setMinimumWidth(96);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QToolButton* ViewButton(QWidget* parent, const char* name, bool checked)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(true);
    button->setChecked(checked);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QLabel* BuddyLabel(QWidget* buddy, QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setBuddy(buddy);
    return label;
}

QComboBox* TimeFormatCombo(QWidget* parent, const char* name)
{
    auto* combo = NamedWidget<QComboBox>(parent, name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumContentsLength(24);
    return combo;
}

void ShowStackPage(QStackedWidget* stack, QWidget* page)
{
    for (int i = 0; i < stack->count(); ++i) {
        QWidget* each = stack->widget(i);
        each->setSizePolicy(QSizePolicy::Preferred,
                            each == page ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    }
    stack->setCurrentWidget(page);
    stack->updateGeometry();
}
