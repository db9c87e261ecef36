#include "KivLangApply.h"

#include "KivLanRes.h"

#include <QList>
#include <QMetaProperty>

namespace
{

struct TextPropertyMap {
    const char* ClassName;
    const char* DesignName;
    const char* QtProperty;
};

// The first row whose class the object inherits applies. Rows are grouped by design name in
// the order of the name, which is the order the texts are applied in.
const TextPropertyMap textProperties[] = {
    {"QAction", "Caption", "text"},
    {"QMenu", "Caption", "title"},
    {"QGroupBox", "Caption", "title"},
    {"QLabel", "Caption", "text"},
    {"QAbstractButton", "Caption", "text"},
    {"QMainWindow", "Caption", "windowTitle"},
    {"QDialog", "Caption", "windowTitle"},
    {"QDockWidget", "Caption", "windowTitle"},
    {"QAction", "Hint", "toolTip"},
    {"QWidget", "Hint", "toolTip"},
    {"QPlainTextEdit", "Lines", "plainText"},
    {"QTextEdit", "Lines", "plainText"},
    {"QLineEdit", "Text", "text"},
    {"QLineEdit", "Placeholder", "placeholderText"},
    {"QPlainTextEdit", "Text", "plainText"},
    {"QTextEdit", "Text", "plainText"},
    {"QComboBox", "Text", "currentText"},
};

QList<TKivCollectionAccess>& collections()
{
    static QList<TKivCollectionAccess> list;
    return list;
}

std::function<bool(const QObject*)>& assignedActionCheck()
{
    static std::function<bool(const QObject*)> check;
    return check;
}

bool isForm(const QObject* object)
{
    return object->inherits("QMainWindow") || object->inherits("QDialog") ||
           object->property(KivOwnsComponents).toBool();
}

bool isStrReference(const QString& value)
{
    if (value.size() < 8 || !value.startsWith(QLatin1String("STR")))
        return false;
    for (int i = 3; i < 8; ++i)
        if (!value.at(i).isDigit())
            return false;
    return true;
}

void setQtProperty(QObject* object, const char* name, const QString& text)
{
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(name);
    if (index < 0)
        return;
    const QMetaProperty property = meta->property(index);
    if (property.isWritable())
        property.write(object, text);
}

void applyTextProperty(QObject* object, const TKivLangTable& strRes, const QString& path,
                       const char* designName, const char* qtProperty)
{
    const QString value = strRes.Value(path + u'.' + QLatin1String(designName));
    if (value.isEmpty())
        return;
    const bool lines = qstrcmp(designName, "Lines") == 0;
    QString text = ResolveComponentText(value, !lines);
    if (lines)
        text = SplitCommaText(text).join(u'\n');
    setQtProperty(object, qtProperty, text);
}

void applyCollections(QObject* object, const TKivLangTable& strRes, const QString& path)
{
    for (const TKivCollectionAccess& access : collections()) {
        if (!object->inherits(access.ClassName))
            continue;
        const int count = access.Count(object);
        for (int i = 0; i < count; ++i) {
            const QString itemPath = QStringLiteral("%1.%2[%3]").arg(path, access.Property).arg(i);
            const QString value = strRes.Value(itemPath + QStringLiteral(".Caption"));
            if (!value.isEmpty())
                access.SetText(object, i, QStringLiteral("Caption"), ResolveComponentText(value));
        }
    }
}

void applyOwnProperties(QObject* object, const TKivLangTable& strRes, const QString& path)
{
    const auto& check = assignedActionCheck();
    if (check && check(object))
        return;
    QByteArray done; // design names already applied through a more specific row
    for (const TextPropertyMap& row : textProperties) {
        if (done.contains(QByteArray(row.DesignName) + ';') || !object->inherits(row.ClassName))
            continue;
        done += QByteArray(row.DesignName) + ';';
        applyTextProperty(object, strRes, path, row.DesignName, row.QtProperty);
    }
    // A form's own caption is its window title, whatever widget class makes the form.
    if (!done.contains("Caption;") && isForm(object))
        applyTextProperty(object, strRes, path, "Caption", "windowTitle");
    applyCollections(object, strRes, path);
}

void visitOwned(QObject* owner, const TKivLangTable& strRes, const QString& ownerPath);

void applyTree(const QString& path, QObject* component, const TKivLangTable& strRes)
{
    applyOwnProperties(component, strRes, path);
    visitOwned(component, strRes, path);
}

void visitOwned(QObject* owner, const TKivLangTable& strRes, const QString& ownerPath)
{
    for (QObject* child : owner->children()) {
        const QString name = child->objectName();
        if (name.isEmpty()) {
            visitOwned(child, strRes, ownerPath);
        } else if (isForm(child)) {
            applyTree(name, child, strRes);
        } else {
            applyOwnProperties(child, strRes, ownerPath.isEmpty() ? name : ownerPath + u'.' + name);
            visitOwned(child, strRes, ownerPath);
        }
    }
}

} // namespace

QString ResolveComponentText(const QString& value, bool allowEllipsis)
{
    if (!isStrReference(value))
        return value;
    const TKivLanguageResource* language = LanguageResources.Current;
    const QString text = language ? language->StrTab.Value(value.left(8)) : QString();
    if (value.size() > 8) {
        if (value.at(8) == u'.' && allowEllipsis)
            return text + QStringLiteral(" ...");
        if (value.at(8) == u':')
            return text + u':';
    }
    return text;
}

QStringList SplitCommaText(const QString& text)
{
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text.at(i) <= u' ')
            ++i;
    };
    skipBlanks();
    if (i == n)
        return items;
    while (true) {
        QString item;
        if (text.at(i) == u'"') {
            ++i;
            while (i < n) {
                if (text.at(i) == u'"') {
                    if (i + 1 < n && text.at(i + 1) == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text.at(i++);
            }
        } else {
            const qsizetype start = i;
            while (i < n && text.at(i) != u',')
                ++i;
            item = text.mid(start, i - start).trimmed();
        }
        items << item;
        skipBlanks();
        if (i < n && text.at(i) == u',') {
            ++i;
            skipBlanks();
            if (i == n) {
                items << QString();
                break;
            }
            continue;
        }
        if (i >= n)
            break;
        // Text after a closing quote without a comma starts the next item.
    }
    return items;
}

void ApplyTexts(const QString& path, QObject* component)
{
    const TKivLanguageResource* language = LanguageResources.Current;
    if (!language || !component)
        return;
    applyTree(path, component, language->StrRes);
}

void ApplyLanguage(QObject* component)
{
    if (component)
        ApplyTexts(component->objectName(), component);
}

void RegisterCollectionAccess(TKivCollectionAccess access)
{
    for (const TKivCollectionAccess& known : collections())
        if (qstrcmp(known.ClassName, access.ClassName) == 0 && known.Property == access.Property)
            return;
    collections() << std::move(access);
}

void RegisterAssignedActionCheck(std::function<bool(const QObject*)> check)
{
    assignedActionCheck() = std::move(check);
}
