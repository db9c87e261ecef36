#pragma once

#include <QLockFile>
#include <QString>

// Keeps two programs from changing one project file at once. The lock is a file beside the
// project ("<project>.lock") naming the process, program and host that hold it. Every command
// that changes a project takes it before it reads the file and keeps it until it has saved; the
// main window holds it for as long as a project is open, so a command never overwrites what
// the window saves, nor the window what a command saved.
//
// A lock left behind by a process that no longer runs on this machine (killed, crashed) is
// taken over. A lock held by a live process is never taken over, however long it is held.
class TKivProjectLock {
public:
    static constexpr int DefaultWaitMs = 3000;

    explicit TKivProjectLock(const QString& projectPath);
    ~TKivProjectLock(); // releases the lock when held
    TKivProjectLock(const TKivProjectLock&) = delete;
    TKivProjectLock& operator=(const TKivProjectLock&) = delete;

    // Takes the lock, waiting up to waitMs for another holder to let it go. False when it
    // cannot be had; ErrorText() then says why, naming the holder.
    bool Acquire(int waitMs = DefaultWaitMs);
    void Release();
    bool IsHeld() const { return m_lock.isLocked(); }

    const QString& ProjectPath() const { return m_projectPath; }
    const QString& LockFilePath() const { return m_lockPath; }
    // Whether this is the lock of the project at projectPath, however that path is spelled.
    bool Covers(const QString& projectPath) const;
    // Who holds the lock now, as "<program> (process <id> on <host>)"; empty when nobody does
    // or the lock file cannot be read.
    QString HolderText() const;
    // Why the last Acquire failed, in the current language.
    const QString& ErrorText() const { return m_error; }
    // Whether the last Acquire failed because another program holds the lock, rather than
    // because no lock file can be made beside the project (a read-only folder, a name too long).
    bool HeldByAnother() const { return m_heldByAnother; }

private:
    QString m_projectPath;
    QString m_lockPath;
    QLockFile m_lock;
    QString m_error;
    bool m_heldByAnother = false;
};
