#include "app/main_unit.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrin Veltor"));
    Tmain_frm main_frm;
    main_frm.show();
    return QApplication::exec();
}
