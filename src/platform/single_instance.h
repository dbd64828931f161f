#pragma once
// Keeping one copy of the program per user, and one writer per program folder.

#include <functional>
#include <string>

namespace lumbrel::platform {

/// A per-user local socket named after a window class. The first copy listens
/// on it; a later copy finds it taken, asks the first to come forward and quits.
class SingleInstance {
public:
    /// name: the window class ("KDLumbrel!Main"); the socket lives in the abstract
    /// namespace, qualified by the user id so that other users do not collide.
    explicit SingleInstance(std::string name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    /// True when this process now owns the name. When another copy owns it,
    /// sends it a "raise" request and returns false.
    bool acquire();

    /// Accepts pending "raise" requests without blocking and calls onRaise for
    /// each; returns how many there were. The front end calls this from its loop.
    int pollRaiseRequests(const std::function<void()>& onRaise);

    /// Socket descriptor to watch for readability (-1 when not owned).
    int fd() const { return fd_; }

private:
    std::string name_;
    int fd_ = -1;
};

/// An exclusive advisory lock on a folder (flock on the folder itself), held for
/// the lifetime of the object. The GUI holds it on the program folder for its
/// whole run; the CLI takes it before it changes anything there.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    /// True when the lock was taken (without waiting).
    bool locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace lumbrel::platform
