#pragma once

// A full disk without a full disk: with a file-size limit in force and SIGXFSZ ignored, every
// write past the limit fails with EFBIG ("File too large"), just as writes to a full file
// system fail with ENOSPC. Needs no root and no mount.
#include <QProcess>

#include <csignal>
#include <sys/resource.h>

// The limit for this process while the object lives; the old limit and signal handling come
// back afterwards.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // The limit for a child process only, set between its fork and its exec (a handler set to
    // "ignore" survives the exec).
    static void ApplyToChild(QProcess& process, rlim_t bytes)
    {
        process.setChildProcessModifier([bytes] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit;
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = bytes;
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};
