#include "tests/support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace veltor::test {

QByteArray ProgramOptions(const QString& database, const QString& user, const QString& password,
                          const QString& language) {
    return QStringLiteral("[General]\nLanguage=%4\n[DataBase]\nDBName=%1\nUserName=%2\n"
                          "UserPass=%3\n")
        .arg(database, user, password, language)
        .toUtf8();
}

TempProgramFolder::TempProgramFolder() : dir_(QDir::tempPath() + QStringLiteral("/veltor-XXXXXX")) {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary program folder");
}

QString TempProgramFolder::Path() const {
    return dir_.path() + QLatin1Char('/');
}

void TempProgramFolder::WriteFile(const QString& relative, const QByteArray& content) const {
    const QString path = FilePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray TempProgramFolder::ReadFile(const QString& relative) const {
    QFile f(FilePath(relative));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + f.fileName().toStdString());
    return f.readAll();
}

bool TempProgramFolder::Exists(const QString& relative) const {
    return QFileInfo::exists(FilePath(relative));
}

} // namespace veltor::test
