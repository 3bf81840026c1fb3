#pragma once

#include <QString>

namespace download {

// At most one saver writes a part file on this machine: the window's panel, its queue and
// any number of quillory-cli runs meet on the same names. A saver holds the part's lock
// from before it reads the part's length until the part has become the song's file or is
// gone. The lock belongs to an open file description (flock), so the kernel lets it go
// when the process dies: a killed run never blocks the next one.
class PartLock
{
public:
    enum class Status {
        Held,   // the lock is ours; the part exists (empty when it was not there)
        Busy,   // another saver holds it: leave the part alone
        Failed, // the part could not be opened (its folder missing, no permission)
    };

    PartLock() = default;
    ~PartLock();
    PartLock(const PartLock &) = delete;
    PartLock &operator=(const PartLock &) = delete;

    // Takes the lock of the part at path, creating the part when there is none. Whatever
    // held the lock before may have renamed or removed the part meanwhile: the lock counts
    // only while path still names the locked file, so that case is tried again.
    Status take(const QString &path);
    bool isHeld() const { return m_fd >= 0; }
    void release();

private:
    int m_fd = -1;
};

// Removes the part at path unless another saver holds it; nothing when there is none.
void removeFreePart(const QString &path);

} // namespace download
