#include "app/main_unit.h"

Tmain_frm::Tmain_frm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("main_frm"));
    resize(615, 511);
}
