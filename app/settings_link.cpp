#include "app/settings_link.h"

#include "app/MainWindowTarget.h"
#include "fib/FIBDatabase.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"
#include "settings/Settings.h"
#include "settings/options_unit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

namespace {

void show_in_dialog(const TSettings& s, Toptions_frm& options) {
    options.save_forms_position->setChecked(s.save_forms_position);
    options.db_dbname_e->setText(s.db_name);
    options.db_username_e->setText(s.user_name);
    options.db_password_e->setText(s.password);
}

void place_window(const TSettings& s, TMainWindowTarget& main) {
    main.UseDesignedPosition();
    QWidget& window = main.Window();
    if (s.x)
        window.move(*s.x, window.y());
    if (s.y)
        window.move(window.x(), *s.y);
}

// The connection takes the settings; the returned value holds them as the
// connection keeps them after setting, which is what the dialog shows.
TSettings give_connection(TSettings s, TFIBDatabase& db) {
    db.SetDBName(s.db_name);
    s.db_name = db.DBName();
    db.ConnectParams().SetUserName(s.user_name);
    s.user_name = db.ConnectParams().UserName();
    db.ConnectParams().SetPassword(s.password);
    s.password = db.ConnectParams().Password();
    return s;
}

} // namespace

void load_settings() {
    TSettings s = TSettings::Load(options_file_name());
    if (s.save_forms_position && main_window_target)
        place_window(s, *main_window_target);
    current_language = s.language;
    s = give_connection(s, main_window_target->Connection());
    show_in_dialog(s, *options_frm);
}

void set_default_settings() {
    apply_language(system_language_name());
    TSettings s = TSettings::Defaults();
    s.language = current_language;
    show_in_dialog(s, *options_frm);
}

void save_settings() {
    const Toptions_frm& options = *options_frm;
    const QWidget* window = main_window_target ? &main_window_target->Window() : nullptr;
    TSettings s;
    s.language = current_language;
    s.x = window ? window->x() : 0;
    s.y = window ? window->y() : 0;
    s.save_forms_position = options.save_forms_position->isChecked();
    s.db_name = options.db_dbname_e->text();
    s.user_name = options.db_username_e->text();
    s.password = options.db_password_e->text();
    s.Save(options_file_name());
}

void apply_language(const QString& name) {
    if (!use_language(name))
        return;
    if (options_frm)
        options_frm->SetLanguageText(current_language);
    translate_captions();
}

std::vector<TListenerRegistration> wire_settings(TMainWindowTarget& main, Toptions_frm& options) {
    options.SaveSettings = [] { save_settings(); };
    options.ApplyLanguage = [](const QString& name) { apply_language(name); };
    options.CentreOver(&main.Window());
    std::vector<TListenerRegistration> registrations;
    registrations.push_back(caption_targets().Add([&main] { main.TranslateCaptions(); }));
    registrations.push_back(caption_targets().Add([&options] { options.TranslateCaptions(); }));
    registrations.push_back(caption_targets().Add([&main] { main.TranslateGridCaptions(); }));
    return registrations;
}
