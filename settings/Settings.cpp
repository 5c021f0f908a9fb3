#include "settings/Settings.h"

#include "fib/FIBDatabase.h"

#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/MainWindowTarget.h"
#include "settings/ProgramState.h"
#include "settings/options_unit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kMainForm = QStringLiteral("Main_Form");
const QString kDataBase = QStringLiteral("DataBase");

// The file holds the database password in plain text: only its owner may
// read it.
constexpr unsigned kOptionsFileMode = 0600;

TIniFile options_file() {
    return TIniFile(options_file_name(), kOptionsFileMode);
}

void load_window_position(const TIniFile& ini, TMainWindowTarget& main) {
    main.UseDesignedPosition();
    QWidget& window = main.Window();
    if (ini.ValueExists(kMainForm, QStringLiteral("X")))
        window.move(ini.ReadInteger(kMainForm, QStringLiteral("X"), 0), window.y());
    if (ini.ValueExists(kMainForm, QStringLiteral("Y")))
        window.move(window.x(), ini.ReadInteger(kMainForm, QStringLiteral("Y"), 0));
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

void load_settings() {
    const TIniFile ini = options_file();
    Toptions_frm& options = *options_frm;

    options.save_forms_position->setChecked(
        ini.ReadBool(kGeneral, QStringLiteral("Save_Forms_Position"), false));
    if (options.save_forms_position->isChecked() && main_window_target)
        load_window_position(ini, *main_window_target);

    current_language = ini.ReadString(kGeneral, QStringLiteral("Language"), system_language_name());

    // The edits show the values as the connection holds them after setting.
    TFIBDatabase& db = main_window_target->Connection();
    db.SetDBName(ini.ReadString(kDataBase, QStringLiteral("DBName"), default_database_path()));
    options.db_dbname_e->setText(db.DBName());
    db.ConnectParams().SetUserName(
        ini.ReadString(kDataBase, QStringLiteral("UserName"), default_user_name()));
    options.db_username_e->setText(db.ConnectParams().UserName());
    db.ConnectParams().SetPassword(
        ini.ReadString(kDataBase, QStringLiteral("UserPass"), default_password()));
    options.db_password_e->setText(db.ConnectParams().Password());
}

void set_default_settings() {
    apply_language(system_language_name());
    Toptions_frm& options = *options_frm;
    options.save_forms_position->setChecked(false);
    options.db_dbname_e->setText(default_database_path());
    options.db_username_e->setText(default_user_name());
    options.db_password_e->setText(default_password());
}

void save_settings() {
    TIniFile ini = options_file();
    const Toptions_frm& options = *options_frm;
    const QWidget* window = main_window_target ? &main_window_target->Window() : nullptr;

    ini.WriteString(kGeneral, QStringLiteral("Language"), current_language);
    ini.WriteInteger(kMainForm, QStringLiteral("X"), window ? window->x() : 0);
    ini.WriteInteger(kMainForm, QStringLiteral("Y"), window ? window->y() : 0);
    ini.WriteBool(kGeneral, QStringLiteral("Save_Forms_Position"),
                  options.save_forms_position->isChecked());
    ini.WriteString(kDataBase, QStringLiteral("DBName"), options.db_dbname_e->text());
    ini.WriteString(kDataBase, QStringLiteral("UserName"), options.db_username_e->text());
    ini.WriteString(kDataBase, QStringLiteral("UserPass"), options.db_password_e->text());
}
