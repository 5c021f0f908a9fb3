#include "app/Accessibility.h"

#include "app/CheckListBox.h"
#include "app/main_unit.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <utility>

void ConnectAccessibleLabels(Tmain_frm& w) {
    w.faculty_lbl->setBuddy(w.faculty_db);
    w.discipline_lbl->setBuddy(w.discipline_grid);
    w.d_faculty_lbl->setBuddy(w.d_faculty_lb);
    w.d_course_lbl->setBuddy(w.d_course_lb);
    w.d_test_lbl->setBuddy(w.d_test_grid);
}

void NameAccessibleControls(Tmain_frm& w) {
    // A menu caption may carry an accelerator mark, which is not read.
    auto plain = [](const QAction* action) {
        QString text = action->text();
        return text.remove(QLatin1Char('&'));
    };
    w.student_db->setAccessibleName(plain(w.Students_act));
    w.resultat_grid->setAccessibleName(plain(w.Results_act));
    const std::pair<TsDBNavigator*, TDBGrid*> bars[] = {{w.faculty_navigator, w.faculty_db},
                                                        {w.student_navigator, w.student_db},
                                                        {w.discipline_navigator, w.discipline_grid},
                                                        {w.test_navigator, w.d_test_grid},
                                                        {w.resultat_navigator, w.resultat_grid}};
    for (const auto& [bar, grid] : bars) {
        QString name = grid->accessibleName();
        if (name.isEmpty())
            for (const QLabel* label : w.findChildren<QLabel*>())
                if (label->buddy() == grid)
                    name = label->text();
        bar->setAccessibleName(name);
    }
}

void ConnectKeyboardPaths(Tmain_frm& w) {
    auto* menu = new QShortcut(QKeySequence(Qt::Key_F10), &w);
    menu->setObjectName(QStringLiteral("menu_key"));
    QObject::connect(menu, &QShortcut::activated, &w,
                     [&w] { w.menuBar()->setActiveAction(w.show_mnu->menuAction()); });
}

void KeepFocusInView(QWidget& panel) {
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus->isVisible() && panel.isAncestorOf(focus))
        return;
    // In the order the view's controls were made, which is the order a
    // reader goes through them: the master grid first.
    for (QWidget* w : panel.findChildren<QWidget*>()) {
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
