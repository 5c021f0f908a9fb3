// Renders the main window, translated into English, into a PNG file for the
// README: render-main-window OUTPUT.png (with QT_QPA_PLATFORM=offscreen).

#include "app/Application.h"
#include "app/main_unit.h"
#include "app/startup.h"
#include "settings/ProgramState.h"
#include "tests/support/TempProgramFolder.h"

#include <QFile>
#include <QPixmap>

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
    set_program_file(folder.Path() + QStringLiteral("veltor-admin"));
    create_windows();
    run_startup();
    main_frm->show();
    QCoreApplication::processEvents();
    const bool saved = main_frm->grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
    destroy_windows();
    return saved ? 0 : 1;
}
