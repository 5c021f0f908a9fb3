#pragma once
// Replaces a file's whole content so that readers see either the old or the
// new content, never a half-written file: the bytes go to a temporary file in
// the same folder, which is flushed to disk and then renamed over the target.

#include <QByteArray>
#include <QString>

// A file written in pieces and put in place only by Commit. Until then the
// target is untouched; destroying the object without a commit (an error, a
// cancel) removes the temporary file, so nothing partial is ever left.
//
// createMode: permission bits when the file does not exist yet (the umask
// applies); an existing file keeps its permission bits, owner and group. A
// symbolic link is written through: its target is replaced, the link stays.
// An existing file the user may not write is refused, although the folder
// would allow the rename.
class TAtomicFile {
public:
    TAtomicFile() = default;
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Creates the temporary file beside path; false when that is refused.
    bool Open(const QString& path, unsigned createMode);
    bool IsOpen() const { return fd_ >= 0; }
    // Appends bytes; false on a write error (the file then stays unusable).
    bool Write(const char* data, qsizetype size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // Flushes, then renames over the target; false when any step fails, and
    // the target is then unchanged.
    bool Commit();
    // Drops what was written; the target stays as it was.
    void Discard() noexcept;
    // The temporary file's path while open (tests look for leftovers).
    QByteArray TempPath() const { return temp_; }

private:
    int fd_ = -1;
    bool failed_ = false;
    QByteArray target_;
    QByteArray temp_;
};

// The whole content at once. Returns false when any step fails; the target is
// then unchanged and no temporary file is left.
bool WriteFileAtomically(const QString& path, const QByteArray& content, unsigned createMode);
