#include "KivProjectLock.h"

#include "lang/KivLanRes.h"
#include "lang/LangText.h"
#include "lang/StringIds.h"

#include <QDir>
#include <QFileInfo>

namespace {

// One lock for every spelling of the project's path: relative, absolute or through a link.
QString LockPathFor(const QString& projectPath)
{
    const QFileInfo info(projectPath);
    QString path = info.canonicalFilePath();
    if (path.isEmpty()) { // a project not created yet
        const QString folder = QDir(info.absolutePath()).canonicalPath();
        path = folder.isEmpty() ? info.absoluteFilePath() : folder + u'/' + info.fileName();
    }
    return path + QStringLiteral(".lock");
}

} // namespace

TKivProjectLock::TKivProjectLock(const QString& projectPath)
    : m_projectPath(projectPath), m_lockPath(LockPathFor(projectPath)), m_lock(m_lockPath)
{
    // A lock is old when its holder has run long (a read, an open window), not when it is
    // abandoned: only a holder that no longer runs makes it stale.
    m_lock.setStaleLockTime(0);
}

TKivProjectLock::~TKivProjectLock() { Release(); }

bool TKivProjectLock::Covers(const QString& projectPath) const
{
    return LockPathFor(projectPath) == m_lockPath;
}

bool TKivProjectLock::Acquire(int waitMs)
{
    m_error.clear();
    m_heldByAnother = false;
    if (m_lock.isLocked() || m_lock.tryLock(waitMs))
        return true;
    const QString project = QDir::toNativeSeparators(m_projectPath);
    m_heldByAnother = m_lock.error() == QLockFile::LockFailedError;
    if (m_heldByAnother) {
        QString holder = HolderText();
        if (holder.isEmpty())
            holder = GetLangString(StrId::ProjectLockUnknownHolder);
        m_error = LangText(StrId::ProjectLockHeld, {project, holder});
    } else {
        m_error = LangText(StrId::ProjectLockNotCreated,
                           {project, QDir::toNativeSeparators(m_lockPath)});
    }
    return false;
}

void TKivProjectLock::Release()
{
    if (m_lock.isLocked())
        m_lock.unlock();
}

QString TKivProjectLock::HolderText() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_lock.getLockInfo(&pid, &host, &program))
        return QString();
    return LangText(StrId::ProjectLockHolder, {program, QString::number(pid), host});
}
