#include "KivProjectSession.h"

TKivProjectSession::TKivProjectSession(Unlockable unlockable) : m_unlockable(unlockable) {}

bool TKivProjectSession::HoldsLockOf(const QString& file) const
{
    return m_lock && m_lock->IsHeld() && m_lock->Covers(file);
}

std::unique_ptr<TKivProjectLock> TKivProjectSession::LockOf(const QString& path)
{
    auto lock = std::make_unique<TKivProjectLock>(path);
    if (!lock->Acquire(m_waitMs))
        m_error = lock->ErrorText();
    return lock;
}

TKivProjectSession::Result TKivProjectSession::Open(const QString& path, bool asUntitled,
                                                    const std::function<bool()>& load)
{
    m_error.clear();
    // The file is locked before it is read, so that no other program changes it meanwhile.
    const bool held = HoldsLockOf(path);
    std::unique_ptr<TKivProjectLock> lock;
    if (!held) {
        lock = LockOf(path);
        if (!lock->IsHeld()) {
            if (lock->HeldByAnother() || m_unlockable == Unlockable::Refuse)
                return Result::LockRefused;
            m_error.clear();
            lock.reset();
        }
    }
    // The old project's lock stays until the new one has loaded: a refused or failed open
    // leaves it held.
    if (!load())
        return Result::Failed;
    m_fileName = asUntitled ? QString() : path;
    // An untitled copy holds no lock: it has no file of its own until it is saved.
    if (asUntitled)
        m_lock.reset();
    else if (!held)
        m_lock = std::move(lock);
    return Result::Done;
}

TKivProjectSession::Result TKivProjectSession::Save(const QString& file,
                                                    const std::function<bool()>& write)
{
    m_error.clear();
    // Another file is locked before it is written; the old file's lock goes only once the save
    // has succeeded, so a refused or failed save leaves the session as it was.
    std::unique_ptr<TKivProjectLock> lock;
    if (!HoldsLockOf(file)) {
        lock = LockOf(file);
        if (!lock->IsHeld())
            return Result::LockRefused;
    }
    if (!write())
        return Result::Failed;
    if (lock)
        m_lock = std::move(lock);
    m_fileName = file;
    return Result::Done;
}

void TKivProjectSession::Close()
{
    m_lock.reset();
    m_fileName.clear();
}
