#include "LangUi.h"

#include "lang/KivLangApply.h"
#include "lang/KivLanRes.h"
#include "lang/KivLocale.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

namespace
{

constexpr int ComboValueRole = Qt::UserRole;

// Keeps the check marks of the language items in step with the selected language.
class LanguageMenuMarks : public QObject, public TKivLanguageMenu
{
public:
    explicit LanguageMenuMarks(QMenu* menu) : QObject(menu), m_menu(menu) {}
    ~LanguageMenuMarks() override
    {
        if (LanguageResources.LanguageMenu == this)
            LanguageResources.LanguageMenu = nullptr;
    }
    void CheckLanguage(int localeId) override
    {
        for (QAction* action : m_menu->actions())
            if (action->isCheckable())
                action->setChecked(action->data().toInt() == localeId);
    }

private:
    QMenu* m_menu;
};

QTableWidgetItem* tableHeaderItem(QTableWidget* table, int column)
{
    QTableWidgetItem* item = table->horizontalHeaderItem(column);
    if (!item) {
        item = new QTableWidgetItem;
        table->setHorizontalHeaderItem(column, item);
    }
    return item;
}

} // namespace

void InstallUiLanguageSupport()
{
    SetLangMessageHook(ShowMessageBox);
    RegisterAssignedActionCheck([](const QObject* object) {
        const auto* button = qobject_cast<const QToolButton*>(object);
        return button && button->defaultAction();
    });
    RegisterCollectionAccess(
        {"QTableWidget", QStringLiteral("Columns"),
         [](QObject* o) { return static_cast<QTableWidget*>(o)->columnCount(); },
         [](QObject* o, int i, const QString&, const QString& text) {
             tableHeaderItem(static_cast<QTableWidget*>(o), i)->setText(text);
         }});
    RegisterCollectionAccess(
        {"QTreeWidget", QStringLiteral("Columns"),
         [](QObject* o) { return static_cast<QTreeWidget*>(o)->columnCount(); },
         [](QObject* o, int i, const QString&, const QString& text) {
             static_cast<QTreeWidget*>(o)->headerItem()->setText(i, text);
         }});
}

int ShowMessageBox(const QString& text, const QString& caption, unsigned flags)
{
    using namespace KivMsg;
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case IconError:
        box.setIcon(QMessageBox::Critical);
        break;
    case IconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case IconWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case IconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    }
    const QList<std::pair<int, QMessageBox::StandardButton>> buttonMap{
        {IdOk, QMessageBox::Ok},         {IdCancel, QMessageBox::Cancel},
        {IdAbort, QMessageBox::Abort},   {IdRetry, QMessageBox::Retry},
        {IdIgnore, QMessageBox::Ignore}, {IdYes, QMessageBox::Yes},
        {IdNo, QMessageBox::No}};
    auto standardButton = [&](int id) {
        for (const auto& [known, button] : buttonMap)
            if (known == id)
                return button;
        return QMessageBox::Ok;
    };
    const QList<int> buttons = MessageButtons(flags);
    for (int id : buttons)
        box.addButton(standardButton(id));
    box.setDefaultButton(standardButton(DefaultMessageButton(flags)));
    // Closing the box without a button counts as Cancel where there is one, else as the
    // only or last button.
    box.setEscapeButton(standardButton(buttons.contains(IdCancel) ? IdCancel : buttons.last()));
    const int pressed = box.exec();
    for (const auto& [id, button] : buttonMap)
        if (button == pressed)
            return id;
    return buttons.contains(IdCancel) ? IdCancel : buttons.last();
}

void FillComboFromLang(QComboBox* combo, int id)
{
    const QStringList items = LangList(id);
    if (items.isEmpty())
        return;
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
}

void FillComboWithValues(QComboBox* combo, int id, int value)
{
    const QStringList items = LangList(id);
    if (items.isEmpty())
        return;
    combo->clear();
    int selected = -1;
    for (const QString& item : items) {
        const TKivLangListItem parsed = ParseLangListItem(item);
        if (parsed.Value == value)
            selected = combo->count();
        combo->addItem(parsed.Caption, parsed.Value);
    }
    combo->setCurrentIndex(selected);
}

int ComboValue(const QComboBox* combo)
{
    const QVariant value =
        combo->currentIndex() < 0 ? QVariant() : combo->currentData(ComboValueRole);
    return value.isValid() ? value.toInt() : -1;
}

void BuildLanguageMenu(QMenu* menu, std::function<void(int localeId)> handler)
{
    auto* marks = new LanguageMenuMarks(menu);
    LanguageResources.LanguageMenu = marks;
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (const TKivLanguageResource* language : LanguageResources.Languages) {
        const int id = language->LocaleId;
        QAction* action = menu->addAction(LocaleNativeName(id));
        action->setCheckable(true);
        action->setData(id);
        action->setChecked(language == LanguageResources.Current);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [handler, id] {
            if (handler)
                handler(id);
        });
    }
}

void ApplyLanguageToApplication()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (!window->parentWidget() && !window->objectName().isEmpty())
            ApplyLanguage(window);
}

void ApplyLanguageFont(QWidget* window)
{
    QFont font = window->font();
    const QString name = LanguageFontName();
    if (!name.isEmpty())
        font.setFamily(name);
    font.setPointSize(LanguageFontSize());
    window->setFont(font);
}
