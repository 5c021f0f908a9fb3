#pragma once
// options.ini: the program's settings as a value. Loading and saving open the
// file, do their work and release it before they return; neither touches a
// window or the connection, which the shell fills from the value.

#include <QString>
#include <optional>

// program_folder + "options.ini".
QString options_file_name();

// The defaults of the DataBase section.
QString default_database_path();
QString default_user_name();
QString default_password();

struct TSettings {
    QString language;
    bool save_forms_position = false;
    // The main window's top-left corner; an edge the file lacks is empty.
    std::optional<int> x;
    std::optional<int> y;
    QString db_name;
    QString user_name;
    QString password;

    // What a missing file stands for: the system's language, the position
    // not restored, the default connection.
    static TSettings Defaults();
    // The file's settings; a key it lacks gives its default. Writes nothing.
    static TSettings Load(const QString& fileName);
    // Writes the seven keys, an empty edge as 0; raises EIniFileException
    // when the file cannot be written (the keys written before stay written).
    void Save(const QString& fileName) const;

    friend bool operator==(const TSettings&, const TSettings&) = default;
};
