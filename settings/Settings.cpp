#include "settings/Settings.h"

#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kMainForm = QStringLiteral("Main_Form");
const QString kDataBase = QStringLiteral("DataBase");

// The file holds the database password in plain text: only its owner may
// read it.
constexpr unsigned kOptionsFileMode = 0600;

std::optional<int> read_edge(const TIniFile& ini, const QString& key) {
    if (!ini.ValueExists(kMainForm, key))
        return std::nullopt;
    return ini.ReadInteger(kMainForm, key, 0);
}

} // namespace

QString options_file_name() {
    return program_folder + QStringLiteral("options.ini");
}

QString default_database_path() {
    return QStringLiteral("127.0.0.1:c:\\veltormain\\DB\\VELTOR.FDB");
}
QString default_user_name() {
    return QStringLiteral("SYSDBA");
}
QString default_password() {
    return QStringLiteral("tarnwheel");
}

TSettings TSettings::Defaults() {
    TSettings s;
    s.language = system_language_name();
    s.db_name = default_database_path();
    s.user_name = default_user_name();
    s.password = default_password();
    return s;
}

TSettings TSettings::Load(const QString& fileName) {
    const TIniFile ini(fileName, kOptionsFileMode);
    const TSettings d = Defaults();
    TSettings s;
    s.save_forms_position =
        ini.ReadBool(kGeneral, QStringLiteral("Save_Forms_Position"), d.save_forms_position);
    s.x = read_edge(ini, QStringLiteral("X"));
    s.y = read_edge(ini, QStringLiteral("Y"));
    s.language = ini.ReadString(kGeneral, QStringLiteral("Language"), d.language);
    s.db_name = ini.ReadString(kDataBase, QStringLiteral("DBName"), d.db_name);
    s.user_name = ini.ReadString(kDataBase, QStringLiteral("UserName"), d.user_name);
    s.password = ini.ReadString(kDataBase, QStringLiteral("UserPass"), d.password);
    return s;
}

void TSettings::Save(const QString& fileName) const {
    TIniFile ini(fileName, kOptionsFileMode);
    ini.WriteString(kGeneral, QStringLiteral("Language"), language);
    ini.WriteInteger(kMainForm, QStringLiteral("X"), x.value_or(0));
    ini.WriteInteger(kMainForm, QStringLiteral("Y"), y.value_or(0));
    ini.WriteBool(kGeneral, QStringLiteral("Save_Forms_Position"), save_forms_position);
    ini.WriteString(kDataBase, QStringLiteral("DBName"), db_name);
    ini.WriteString(kDataBase, QStringLiteral("UserName"), user_name);
    ini.WriteString(kDataBase, QStringLiteral("UserPass"), password);
}
