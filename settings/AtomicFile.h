#pragma once
// Replaces a file's whole content so that readers see either the old or the
// new content, never a half-written file: the bytes go to a temporary file in
// the same folder, which is flushed to disk and then renamed over the target.

#include <QByteArray>
#include <QString>

// createMode: permission bits when the file does not exist yet (the umask
// applies); an existing file keeps its permission bits, owner and group. A
// symbolic link is written through: its target is replaced, the link stays.
// An existing file the user may not write is refused, although the folder
// would allow the rename. Returns false when any step fails; the target is
// then unchanged and no temporary file is left.
bool WriteFileAtomically(const QString& path, const QByteArray& content, unsigned createMode);
