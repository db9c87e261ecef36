#include "KivSaveFile.h"

#include "TamsorError.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <unistd.h>

TKivSaveFile::TKivSaveFile(const QString& path) : m_path(path), m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        Fail(m_file.errorString());
}

void TKivSaveFile::Write(const char* data, qint64 size)
{
    // A short write is followed by one more that either completes or reports the reason.
    while (size > 0) {
        const qint64 written = m_file.write(data, size);
        if (written <= 0)
            Fail(m_file.errorString());
        data += written;
        size -= written;
    }
}

void TKivSaveFile::Commit()
{
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
        Fail(m_file.errorString());
    // Some file systems report a full disk only when the data is written back; the rename
    // must not happen before that is known.
    if (::fsync(m_file.handle()) != 0 && errno != EINVAL && errno != EROFS)
        Fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!m_file.commit())
        Fail(m_file.errorString());
}

void TKivSaveFile::Fail(const QString& reason)
{
    m_file.cancelWriting();
    throw TamsorError(QStringLiteral("Cannot create file \"%1\". %2")
                          .arg(QDir::toNativeSeparators(m_path), reason));
}
