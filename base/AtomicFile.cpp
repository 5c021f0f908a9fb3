#include "base/AtomicFile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file a path finally names: a symbolic link is followed to its target
// (which may not exist yet), so that the link itself stays in place.
QByteArray FollowLinks(QByteArray path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n =
            ::readlink(path.constData(), link.data(), static_cast<size_t>(link.size()));
        if (n <= 0 || n >= link.size())
            break;
        link.truncate(n);
        if (link.startsWith('/')) {
            path = link;
        } else {
            const qsizetype slash = path.lastIndexOf('/');
            path = (slash >= 0 ? path.left(slash + 1) : QByteArray()) + link;
        }
    }
    return path;
}

} // namespace

TAtomicFile::~TAtomicFile() {
    Discard();
}

bool TAtomicFile::Open(const QString& path, unsigned createMode) {
    Discard();
    failed_ = false;
    target_ = FollowLinks(QFile::encodeName(path));
    temp_ = target_ + ".XXXXXX";

    struct stat existing {};
    const bool exists = ::stat(target_.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return false;
    // The rename needs only the folder to be writable; a file the user may
    // not write is refused as writing it in place would be.
    if (exists && ::faccessat(AT_FDCWD, target_.constData(), W_OK, AT_EACCESS) != 0)
        return false;

    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0)
        return false;

    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
        // The replacement keeps the owner and group where the user may give
        // them (root always, others a group of their own; else it stays the
        // user's, who could write the file). Before the mode: a change of
        // owner clears the set-id bits.
        [[maybe_unused]] const bool owned =
            ::fchown(fd_, existing.st_uid, existing.st_gid) == 0 ||
            ::fchown(fd_, static_cast<uid_t>(-1), existing.st_gid) == 0;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = static_cast<mode_t>(createMode) & ~mask;
    }
    if (::fchmod(fd_, mode) != 0) {
        Discard();
        return false;
    }
    return true;
}

bool TAtomicFile::Write(const char* data, qsizetype size) {
    if (fd_ < 0 || failed_)
        return false;
    const char* p = data;
    qsizetype left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed_ = true;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool TAtomicFile::Commit() {
    if (fd_ < 0)
        return false;
    const bool ok = !failed_ && ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!ok || !closed || ::rename(temp_.constData(), target_.constData()) != 0) {
        ::unlink(temp_.constData());
        temp_.clear();
        return false;
    }
    temp_.clear();
    return true;
}

void TAtomicFile::Discard() noexcept {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.constData());
    temp_.clear();
}

bool WriteFileAtomically(const QString& path, const QByteArray& content, unsigned createMode) {
    TAtomicFile file;
    return file.Open(path, createMode) && file.Write(content) && file.Commit();
}
