#pragma once
// A temporary program folder for options.ini and the Languages folder,
// removed with everything in it when the object goes.

#include <QString>
#include <QTemporaryDir>

namespace veltor::test {

// options.ini naming a database, its user and password, and a language
// (empty: the first start's choice).
QByteArray ProgramOptions(const QString& database, const QString& user, const QString& password,
                          const QString& language = QString());

class TempProgramFolder {
public:
    TempProgramFolder();

    // The folder with a trailing separator, as program_folder holds it.
    QString Path() const;
    QString FilePath(const QString& relative) const { return Path() + relative; }

    // Writes a file below the folder (creating its folders), bytes as given.
    void WriteFile(const QString& relative, const QByteArray& content) const;
    QByteArray ReadFile(const QString& relative) const;
    bool Exists(const QString& relative) const;

private:
    QTemporaryDir dir_;
};

} // namespace veltor::test
