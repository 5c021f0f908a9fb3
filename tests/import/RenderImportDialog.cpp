// Renders the import dialog, in English, over a small registrar's file with a
// few rows the check refuses, into a PNG file for the README:
// render-import-dialog OUTPUT.png. The rows are checked against a fresh
// database with the tests' known rows on the local server; nothing is written.

#include "app/Application.h"
#include "app/ImportStudents.h"
#include "settings/Language.h"
#include "settings/ProgramState.h"
#include "tests/support/ProgramConnection.h"
#include "tests/support/TempProgramFolder.h"

#include <QFile>
#include <QPixmap>
#include <QTableView>

int main(int argc, char* argv[]) {
    TApplication app(argc, argv);
    if (argc != 2)
        return 2;
    veltor::test::TempProgramFolder folder;
    QFile english(QStringLiteral(VELTOR_SOURCE_DIR "/settings/languages/English.olg"));
    if (!english.open(QIODevice::ReadOnly))
        return 1;
    folder.WriteFile(QStringLiteral("Languages/English.olg"), english.readAll());
    folder.WriteFile(QStringLiteral("options.ini"), "[General]\nLanguage=English\n");
    program_folder = folder.Path();
    if (!use_language(QStringLiteral("English")))
        return 1;
    folder.WriteFile(QStringLiteral("new-students.csv"),
                     "Last name;First name;Patronymic;Year;Group;Faculty\r\n"
                     "Мельник;Ірина;Олегівна;1;ФФ-11;Фізичний факультет\r\n"
                     "Ткаченко;Денис;Андрійович;1;ФФ-11;ФФ\r\n"
                     "Кравчук;Софія;;first;ФФ-11;ФФ\r\n"
                     ";Максим;Ігорович;1;ФФ-12;ФФ\r\n"
                     "Бондар;Оксана;Вікторівна;2;ІФ-21;Історичний факультет\r\n"
                     "Шевченко;Тарас;Григорович;1;ФКН-11;ФКН\r\n"
                     "Олійник;Роман;Петрович;3;ХФ-31;Хімічний факультет\r\n"
                     "Мельник;Ірина;Олегівна;1;ФФ-11;фф\r\n"
                     "Савченко;Юлія;Миколаївна;2;ІФ-21;іф\r\n");

    veltor::test::TestDatabase db(veltor::test::TestData::Fixture);
    veltor::test::ProgramConnection connection(db);
    connection.Db().SetConnected(true);
    bool saved = false;
    {
        TImportStudentsDialog dialog(nullptr, connection.Db(), connection.Tr(), 1);
        dialog.show();
        if (!dialog.OpenFile(folder.FilePath(QStringLiteral("new-students.csv"))))
            return 1;
        dialog.Preview()->selectRow(2);
        QCoreApplication::processEvents();
        saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
    }
    if (connection.Tr().Active())
        connection.Tr().Rollback();
    connection.Db().SetConnected(false);
    return saved ? 0 : 1;
}
