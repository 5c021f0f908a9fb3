// The server going away in the middle of an import: the row being written
// is named, nothing of the import is left once the server is back, and the
// program carries on. Against the test program's private server.

#include "tests/reliability/Sitting.h"

#include "app/ImportStudents.h"

#include <QFileDialog>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using namespace veltor::test;

namespace {

class ImportLostConnection : public Sitting {};

TEST_F(ImportLostConnection, TheRowBeingWrittenIsNamedAndNothingIsKept) {
    WriteProgramFile("Languages/English.olg", [] {
        QFile f(SourceDir() + "/settings/languages/English.olg");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());
    Start("English");
    QByteArray bytes = "Last name,First name,Year,Group,Faculty\n";
    for (int i = 0; i < 3000; ++i)
        bytes += "Lost" + QByteArray::number(i) + ",L,1,G-1,ФФ\n";
    WriteProgramFile("lost.csv", bytes);
    const QString path = folder.FilePath("lost.csv");
    const long long before = db->QueryInt("select count(*) from student");

    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* progress = main_frm->findChild<QProgressDialog*>("import_progress_dlg");
        if (!progress || !progress->isVisible() || progress->value() < 500)
            return;
        watcher.stop();
        server.Kill();
    });
    bool shown = false;
    dialogs.onModal = [&](QDialog& dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            files->selectFile(path);
            dialog.accept();
            return;
        }
        auto* d = dynamic_cast<TImportStudentsDialog*>(&dialog);
        ASSERT_TRUE(d);
        shown = true;
        QTest::mouseClick(d->findChild<QPushButton*>("choose_file_btn"), Qt::LeftButton);
        ASSERT_EQ(d->Summary()->text(), "Rows: 3000. To be written: 3000. With problems: 0.");
        watcher.start();
        QTest::mouseClick(d->ImportButton(), Qt::LeftButton);
        EXPECT_EQ(d->Written(), 0);
        QTest::mouseClick(d->findChild<QPushButton*>("close_btn"), Qt::LeftButton);
    };
    main_frm->import_students_mnu->trigger();
    dialogs.onModal = nullptr;
    ASSERT_TRUE(shown);

    ASSERT_EQ(dialogs.ErrorTexts().size(), 1) << dialogs.Texts().join('\n').toStdString();
    const QString error = dialogs.ErrorTexts().first();
    const QRegularExpressionMatch m =
        QRegularExpression("^Line (\\d+) could not be written: .+ Nothing was imported\\.$",
                           QRegularExpression::DotMatchesEverythingOption)
            .match(error);
    ASSERT_TRUE(m.hasMatch()) << error.toStdString();
    // The first row after those the progress showed, counted from the header.
    EXPECT_GE(m.captured(1).toInt(), 502) << error.toStdString();
    EXPECT_LE(m.captured(1).toInt(), 3001) << error.toStdString();

    server.Start();
    EXPECT_EQ(db->QueryInt("select count(*) from student"), before);
    EXPECT_EQ(db->QueryInt("select count(*) from student where familiya starting with 'Lost'"), 0);

    // The program carries on: the students view is read again from the
    // server that came back.
    dialogs.messages.clear();
    main_frm->students_mnu->trigger();
    EXPECT_TRUE(main_frm->faculty_dataset->Active());
    EXPECT_EQ(main_frm->faculty_dataset->RecordCount(), 3);
}

} // namespace
