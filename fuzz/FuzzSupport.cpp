#include "FuzzSupport.h"

#include <QDir>
#include <unistd.h>

QString FuzzScratchFolder() {
    static const QString folder = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        const QString f = base + QStringLiteral("/veltor-fuzz-") + QString::number(getpid()) + u'/';
        QDir().mkpath(f);
        return f;
    }();
    return folder;
}
