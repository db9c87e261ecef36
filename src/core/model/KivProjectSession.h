#pragma once

#include "KivProjectLock.h"

#include <QString>
#include <functional>
#include <memory>

// The project a program has open: the file it came from and the lock of that file. It decides
// how the lock is handed over when the project is opened, saved under another name or closed,
// so that the file a program shows or changes is never left unlocked and a refused or failed
// step leaves everything as it was:
// - Open takes the new file's lock before the file is read and gives the old lock up only once
//   the new project has loaded; an untitled copy keeps no lock.
// - Save to another file takes that file's lock before writing it and gives the old lock up
//   only once the save has succeeded.
// - Close gives the lock up.
// The loading and writing themselves are the caller's, passed in as functions.
class TKivProjectSession
{
public:
    enum class Result {
        Done,
        LockRefused, // the file's lock could not be had; ErrorText() says why
        Failed,      // loading or writing failed; the caller has said why
    };
    // What Open does with a project beside which no lock file can be made (a read-only folder,
    // a name with no room for ".lock"). Nobody can save it there either, so a window may show
    // it unlocked (a save there is refused); a command that is to change it refuses at once.
    enum class Unlockable { Refuse, OpenUnlocked };

    explicit TKivProjectSession(Unlockable unlockable = Unlockable::Refuse);
    TKivProjectSession(const TKivProjectSession&) = delete;
    TKivProjectSession& operator=(const TKivProjectSession&) = delete;

    // How long taking a lock waits for another program to let it go.
    void SetLockWait(int waitMs) { m_waitMs = waitMs; }

    // The project's file; empty while the project is untitled or none is open.
    const QString& FileName() const { return m_fileName; }
    // Names the project's file without touching the lock: a later save there takes that file's
    // lock first, as a save to any file not locked yet does.
    void SetFileName(const QString& path) { m_fileName = path; }
    // Whether the session holds the lock of file, however its path is spelled.
    bool HoldsLockOf(const QString& file) const;
    // Why the last Open or Save was refused its lock.
    const QString& ErrorText() const { return m_error; }

    // Opens the project at path: takes its lock (unless held already), then calls load, which
    // reads the project into memory and returns whether it did. Only a load that succeeds
    // changes the session: it then names path (nothing when asUntitled) and holds path's lock
    // in place of the old one (none when asUntitled). An exception from load passes through
    // and leaves the session as it was.
    Result Open(const QString& path, bool asUntitled, const std::function<bool()>& load);
    // Saves the project to file: takes its lock unless held already, then calls write, which
    // writes the file and returns whether it did. Only a write that succeeds changes the
    // session: it then names file and holds its lock in place of the old one. An exception
    // from write passes through and leaves the session as it was.
    Result Save(const QString& file, const std::function<bool()>& write);
    // The project is closed: no file, no lock.
    void Close();

private:
    // The lock of path, taken or not: m_error says why when it could not be had.
    std::unique_ptr<TKivProjectLock> LockOf(const QString& path);

    Unlockable m_unlockable;
    int m_waitMs = TKivProjectLock::DefaultWaitMs;
    QString m_fileName;
    // The lock of the file last opened or saved. An untitled project has none; neither has
    // one in a folder where no lock file can be made.
    std::unique_ptr<TKivProjectLock> m_lock;
    QString m_error;
};
