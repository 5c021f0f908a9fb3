#include "settings/ProgramFolder.h"

#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kLanguages = QStringLiteral("Languages");

QString with_separator(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

bool is_directory(const QString& path) {
    return QFileInfo(path).isDir();
}

// Creating a file in a folder takes the right to write it and to enter it.
bool may_write_folder(const QString& folder) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) ==
           0;
}

QString installed_language_folder(const QString& executableFolder) {
    return with_separator(executableFolder + QStringLiteral("/../share/veltor-admin/") +
                          kLanguages);
}

// Creates the missing levels of folder readable only by the user: the
// settings file holds the database password in plain text.
void make_private_path(const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    if (clean.isEmpty() || is_directory(clean))
        return;
    make_private_path(QFileInfo(clean).path());
    QDir().mkdir(clean, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The user's copy of the bundled language files, made once: the files are
// copied into a temporary folder that becomes Languages/ by a rename, so that
// an interrupted copy is made again at the next start and a Languages folder
// that exists (the user's own, perhaps emptied on purpose) is never refilled.
void copy_bundled_languages(const QString& from, const QString& userFolder) {
    const QString target = userFolder + kLanguages;
    if (from.isEmpty() || QFileInfo::exists(target))
        return;
    QTemporaryDir staging(userFolder + QStringLiteral(".Languages-XXXXXX"));
    if (!staging.isValid())
        return;
    const QStringList files =
        QDir(from).entryList({QStringLiteral("*.olg")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& f : files) {
        const QString copy = staging.path() + QLatin1Char('/') + f;
        // The language files grow with every key they lack: the copy must be
        // writable even when the shipped file is not.
        if (!QFile::copy(from + f, copy) ||
            !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                             QFile::ReadOther))
            return;
    }
    if (QDir().rename(staging.path(), target))
        staging.setAutoRemove(false);
}

// A newer program brings captions that the user's copies, made by an older
// one, lack: those keys would show as the keys themselves. Each copy takes
// the shipped translation of every key it does not have. A key the copy has
// keeps the user's value, and files the user removed stay removed.
void add_new_bundled_keys(const QString& from, const QString& userFolder) {
    static const QString kWords = QStringLiteral("WORDS");
    const QString copies = userFolder + kLanguages + QLatin1Char('/');
    if (from.isEmpty() || !is_directory(copies))
        return;
    const QStringList files =
        QDir(from).entryList({QStringLiteral("*.olg")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& f : files) {
        if (!QFileInfo(copies + f).isFile())
            continue;
        const TIniFile shipped(from + f);
        TIniFile copy(copies + f);
        try {
            for (const QString& key : shipped.ReadSection(kWords))
                if (!copy.ValueExists(kWords, key))
                    copy.WriteString(kWords, key, shipped.ReadString(kWords, key, key));
        } catch (const EIniFileException&) {
            // A copy the user made read-only: the first lookup of a missing
            // key reports it, as for any language file.
        }
    }
}

} // namespace

QString user_program_folder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return with_separator(base + QStringLiteral("/veltor-admin"));
}

bool is_installed_program(const QString& executableFolder) {
    return is_directory(installed_language_folder(executableFolder));
}

QString bundled_language_folder(const QString& executableFolder) {
    if (is_installed_program(executableFolder))
        return installed_language_folder(executableFolder);
    const QString own = with_separator(executableFolder) + kLanguages;
    return is_directory(own) ? with_separator(own) : QString();
}

QString resolve_program_folder(const QString& executableFolder) {
    const QString own = with_separator(executableFolder);
    // An installed program never writes beside its file, not even when its
    // user could (root may write /usr/bin).
    if (!is_installed_program(executableFolder) && may_write_folder(own))
        return own;
    const QString user = user_program_folder();
    make_private_path(user);
    const QString bundled = bundled_language_folder(executableFolder);
    copy_bundled_languages(bundled, user);
    add_new_bundled_keys(bundled, user);
    return user;
}
