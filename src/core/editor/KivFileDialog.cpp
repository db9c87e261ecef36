#include "KivFileDialog.h"

#include "lang/KivLanRes.h"
#include "lang/StringIds.h"

#include <QFileInfo>
#include <QStringList>

namespace
{

TKivFileDialogHook& fileDialogHook()
{
    static TKivFileDialogHook hook;
    return hook;
}

} // namespace

TKivFileDialogHook SetFileDialogHook(TKivFileDialogHook hook)
{
    TKivFileDialogHook previous = std::move(fileDialogHook());
    fileDialogHook() = std::move(hook);
    return previous;
}

QString PromptFileName(const TKivFileDialogRequest& request)
{
    if (!fileDialogHook())
        return QString();
    const QString chosen = fileDialogHook()(request);
    return chosen.isEmpty() ? chosen : WithDefaultExtension(chosen, request.DefaultExt);
}

QString QtFileDialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        if (patterns.trimmed() == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& path, const QString& defaultExt)
{
    QString ext = defaultExt;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    if (ext.isEmpty() || path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + u'.' + ext;
}

QString FileDialogFilter(const QString& name, const QString& pattern)
{
    return QStringLiteral("%1|%2|%3|*.*").arg(name, pattern, GetLangString(StrId::FileFilterAll));
}
