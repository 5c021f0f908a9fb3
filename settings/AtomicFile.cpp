#include "settings/AtomicFile.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const QByteArray& content) {
    const char* p = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

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

bool WriteFileAtomically(const QString& path, const QByteArray& content, unsigned createMode) {
    const QByteArray target = FollowLinks(QFile::encodeName(path));
    QByteArray temp = target + ".XXXXXX";

    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return false;
    // The rename needs only the folder to be writable; a file the user may
    // not write is refused as writing it in place would be.
    if (exists && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        return false;

    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;

    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
        // The replacement keeps the owner and group where the user may give
        // them (root always, others a group of their own; else it stays the
        // user's, who could write the file). Before the mode: a change of
        // owner clears the set-id bits.
        [[maybe_unused]] const bool owned =
            ::fchown(fd, existing.st_uid, existing.st_gid) == 0 ||
            ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) == 0;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = static_cast<mode_t>(createMode) & ~mask;
    }
    const bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    return true;
}
