#include "app/Accessibility.h"

#include "app/CheckListBox.h"
#include "app/main_unit.h"
#include "controls/DBGrids.h"
#include "controls/sDBNavigator.h"

#include <QAction>
#include <QLabel>
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
