#include "KivRegisterFilePath.h"

#include "Kivchannel.h"

#include <QDir>
#include <QFileInfo>

QString ResolveRegisterFileName(const TKivChannel& channel, const QString& projectPath)
{
    const QString& name = channel.RegisterFileName;
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return name;
    const QDir base =
        projectPath.isEmpty() ? QDir::current() : QFileInfo(projectPath).absoluteDir();
    return QDir::cleanPath(base.absoluteFilePath(name));
}
