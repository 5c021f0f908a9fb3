#include "settings/Language.h"

#include "settings/IniFile.h"
#include "settings/ProgramState.h"
#include "ui/UserDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <optional>

namespace {

const QString kWords = QStringLiteral("WORDS");
const QString kExtension = QStringLiteral(".olg");

bool language_file_exists(const QString& name) {
    return QFileInfo(language_file_name(name)).isFile();
}

// The listed spelling of name: the file itself, or one whose name differs
// only in letter case (language names from the platform may differ in case
// from the file names).
std::optional<QString> find_language(const QString& name, const QStringList& names) {
    if (language_file_exists(name))
        return name;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return n;
    return std::nullopt;
}

} // namespace

QString language_folder() {
    return program_folder + QStringLiteral("Languages/");
}

QString language_file_name(const QString& name) {
    const QString exact = language_folder() + name + kExtension;
    if (QFileInfo(exact).isFile())
        return exact;
    // The listing takes the extension in any letter case ("x.OLG" lists as
    // x): the language is that file, not a new one beside it.
    const QStringList files = QDir(language_folder())
                                  .entryList({QStringLiteral("*") + kExtension},
                                             QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& f : files)
        if (f.chopped(kExtension.size()) == name)
            return language_folder() + f;
    return exact;
}

QString limit_language_name(const QString& nativeName) {
    return nativeName.size() <= 18 ? nativeName : QString();
}

QString system_language_name() {
    return limit_language_name(QLocale::system().nativeLanguageName());
}

QStringList list_languages() {
    QDir dir(language_folder());
    const QStringList files =
        dir.entryList({QStringLiteral("*") + kExtension}, QDir::Files | QDir::Hidden | QDir::System,
                      QDir::Unsorted);
    QStringList names;
    for (const QString& f : files)
        names << f.left(f.size() - kExtension.size());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

QString translate(const QString& key) {
    TIniFile file(language_file_name(current_language));
    if (!file.ValueExists(kWords, key))
        file.WriteString(kWords, key, key);
    return file.ReadString(kWords, key, key);
}

bool use_language(const QString& requested) {
    const QStringList names = list_languages();
    if (names.isEmpty()) {
        ShowMessageBox({QStringLiteral("veltor"), missing_language_warning(), TMsgIcon::Warning,
                        TMsgButtons::Ok});
        return false;
    }
    std::optional<QString> found = find_language(requested, names);
    if (!found)
        found = find_language(system_language_name(), names);
    current_language = found.value_or(names.first());
    return true;
}

TListenerList<>& caption_targets() {
    static TListenerList<> targets;
    return targets;
}

void translate_captions() {
    caption_targets().Call();
}

QString main_caption_suffix() {
    return QStringLiteral(" Kestrin VELTOR. Dalmik");
}

QString missing_language_warning() {
    return QStringLiteral("Для більш приємної роботи з програмою скачайте мовний файл.\r\n"
                          "Для более приятной работы с программой скачайте языковый файл.\r\n"
                          "For more pleasant work with the program get a language file.");
}
