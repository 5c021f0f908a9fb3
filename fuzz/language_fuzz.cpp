// libFuzzer target for the language files: an arbitrary file as the current
// language. Promises: the language is taken, every lookup answers, a key the
// file lacks is added and then found, and the file stays readable.
//
// Input: the file's bytes.

#include "FuzzSupport.h"

#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"

#include <QDir>
#include <QFile>

namespace {

void WriteLanguageFile(const QByteArray& bytes) {
    program_folder = FuzzScratchFolder();
    QDir().mkpath(language_folder());
    QFile f(language_folder() + QStringLiteral("Fuzz.olg"));
    Require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file writable");
    f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteLanguageFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    Require(use_language(QStringLiteral("Fuzz")), "an existing file is taken");
    Require(list_languages().contains(QStringLiteral("Fuzz")), "the file is listed");
    try {
        (void)translate(QStringLiteral("_FACULTY_"));
        (void)translate(QStringLiteral("_MAIN_FORM_"));
        const QString fresh = QStringLiteral("_FUZZ_KEY_NOBODY_USES_");
        const QString first = translate(fresh);
        Require(translate(fresh) == first, "a key once looked up keeps its translation");
    } catch (const EIniFileException&) {
        Require(false, "a writable language file takes a missing key");
    }
    return 0;
}
