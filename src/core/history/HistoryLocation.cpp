#include "HistoryLocation.h"

#include "model/KivTamsor.h"

#include <QDir>
#include <QFileInfo>

namespace
{

const QString OffSetting = QStringLiteral("off");
const QString DefaultSetting = QStringLiteral("default");

} // namespace

QString DefaultHistoryPath(const QString& projectFilePath)
{
    if (projectFilePath.isEmpty())
        return QString();
    const QFileInfo project(projectFilePath);
    return project.absoluteDir().filePath(project.completeBaseName() +
                                          QStringLiteral(".history.sqlite"));
}

QString HistoryStorePath(const TKivTamsor& project, const QString& projectFilePath)
{
    if (project.HistoryOff)
        return QString();
    if (project.HistoryFile.isEmpty())
        return DefaultHistoryPath(projectFilePath);
    if (QDir::isAbsolutePath(project.HistoryFile) || projectFilePath.isEmpty())
        return QDir::cleanPath(QFileInfo(project.HistoryFile).absoluteFilePath());
    return QDir::cleanPath(QFileInfo(projectFilePath).absoluteDir().filePath(project.HistoryFile));
}

QString DamagedHistoryPath(const QString& storePath, const QDateTime& nowUtc)
{
    const QString base = storePath + QStringLiteral(".damaged-") +
                         nowUtc.toUTC().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString path = base;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + u'-' + QString::number(n);
    return path;
}

QString HistorySetting(const TKivTamsor& project)
{
    if (project.HistoryOff)
        return OffSetting;
    return project.HistoryFile.isEmpty() ? DefaultSetting : project.HistoryFile;
}

void SetHistorySetting(TKivTamsor& project, const QString& setting)
{
    project.HistoryOff = setting == OffSetting;
    project.HistoryFile = project.HistoryOff || setting == DefaultSetting ? QString() : setting;
}
