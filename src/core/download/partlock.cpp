#include "download/partlock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace download {
namespace {

// How often a lock is taken again after its file was renamed or removed under it: each
// round means another saver finished in between, which does not happen for long.
constexpr int kRounds = 16;

bool sameFile(int fd, const QByteArray &path)
{
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev
           && held.st_ino == named.st_ino;
}

} // namespace

PartLock::~PartLock()
{
    release();
}

PartLock::Status PartLock::take(const QString &path)
{
    release();
    const QByteArray name = QFile::encodeName(path);
    for (int round = 0; round < kRounds; ++round) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return Status::Failed;
        int locked = 0;
        do
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? Status::Busy : Status::Failed;
        }
        if (sameFile(fd, name)) {
            m_fd = fd;
            return Status::Held;
        }
        ::close(fd);
    }
    return Status::Busy;
}

void PartLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void removeFreePart(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, name))
        ::unlink(name.constData());
    ::close(fd);
}

} // namespace download
