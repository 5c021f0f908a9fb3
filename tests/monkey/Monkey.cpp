#include "tests/monkey/Monkey.h"

#include "tests/monkey/ShadowModel.h"
#include "tests/reliability/Sitting.h"

#include "app/CheckListBox.h"
#include "fib/FIBTypes.h"
#include "settings/options_unit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <random>

namespace veltor::test::monkey {

namespace {

// What a refusal may say: the server's and the fields' own words for input
// they do not take and for another user in the way. Anything else shown as
// an error is a fault of the program.
const char* const kRefusals[] = {
    "cannot be stored",                   // a character outside the code page
    "is not a valid",                     // a number column given letters
    "lock conflict",                      // another user holds the row
    "deadlock",                           //
    "update conflicts",                   //
    "changed or deleted by another user", // the row moved or went
    "FOREIGN KEY",                        // a row others still point at
    "PRIMARY or UNIQUE KEY",              // a key the table already holds
    "must have a value",                  // a required field left empty
    "validation error",                   // a NOT NULL column left empty
    "out of range",                       // a number too large
    "numeric overflow",                   //
    "string right truncation",            //
    "Token unknown",                      // a course mark without a discipline
};

bool IsRefusal(const QString& text) {
    for (const char* r : kRefusals)
        if (text.contains(QLatin1String(r), Qt::CaseInsensitive))
            return true;
    return false;
}

const char* const kGridKeys[] = {"Up",      "Down",   "PageUp",  "PageDown", "CtrlHome",
                                 "CtrlEnd", "Tab",    "BackTab", "F2",       "Enter",
                                 "Esc",     "Insert", "Left",    "Right"};

bool KeyOfName(const QString& name, int& key, Qt::KeyboardModifiers& mods) {
    static const struct {
        const char* name;
        int key;
        Qt::KeyboardModifiers mods;
    } keys[] = {{"Up", Qt::Key_Up, {}},
                {"Down", Qt::Key_Down, {}},
                {"PageUp", Qt::Key_PageUp, {}},
                {"PageDown", Qt::Key_PageDown, {}},
                {"CtrlHome", Qt::Key_Home, Qt::ControlModifier},
                {"CtrlEnd", Qt::Key_End, Qt::ControlModifier},
                {"Tab", Qt::Key_Tab, {}},
                {"BackTab", Qt::Key_Backtab, Qt::ShiftModifier},
                {"F2", Qt::Key_F2, {}},
                {"Enter", Qt::Key_Return, {}},
                {"Esc", Qt::Key_Escape, {}},
                {"Insert", Qt::Key_Insert, {}},
                {"Left", Qt::Key_Left, {}},
                {"Right", Qt::Key_Right, {}}};
    for (const auto& k : keys)
        if (name == QLatin1String(k.name)) {
            key = k.key;
            mods = k.mods;
            return true;
        }
    return false;
}

const char* const kButtons[] = {"First",  "Prior", "Next", "Last",   "Insert",
                                "Delete", "Edit",  "Post", "Cancel", "Refresh"};

int ButtonOfName(const QString& name) {
    for (int i = 0; i < 10; ++i)
        if (name == QLatin1String(kButtons[i]))
            return i;
    return -1;
}

Value FieldValue(const TField& f) {
    return f.IsNull() ? Value() : Value(f.AsString());
}

// The record the dataset holds now, by column.
Row RowOf(const TDataSet& ds) {
    Row row;
    for (TField* f : ds.FieldList())
        if (f->FieldKind() == fkData)
            row[f->FieldName()] = FieldValue(*f);
    return row;
}

long long KeyIn(const Row& row, Table t) {
    const auto it = row.find(QString::fromLatin1(ShapeOf(t).key));
    return it != row.end() && it->second ? it->second->toLongLong() : 0;
}

QString Quoted(const QString& text) {
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

// One dataset the user edits, with what the monkey saw of it.
struct Tracked {
    TpFIBDataSet* ds = nullptr;
    TDBGrid* grid = nullptr;
    Table table = tFaculty;
    long long openedAt = 0; // the model's sequence when it read its rows
    Row asRead;             // the record when editing began
    std::set<QString> changed;
    Row typed; // the record as posted
    TDataSetState postState = stBrowse;
    Value masterKey;
    long long deleteKey = 0;
};

// ---------------------------------------------------------------------------
// One run: a fresh database, the real program, the model.

class Session : public Sitting {
public:
    Session() : Sitting(TestData::Fixture) {}
    ~Session() override { Unhook(); }
    void TestBody() override {}

    bool Begin();
    void Perform(const Action& a);
    Outcome& Result() { return outcome_; }
    bool Failed() const { return outcome_.failed; }
    const ShadowModel& Model() const { return *model_; }

    TDBGrid* Grid(int i) const {
        TDBGrid* grids[] = {main_frm->faculty_db, main_frm->student_db, main_frm->discipline_grid,
                            main_frm->d_test_grid, main_frm->resultat_grid};
        return i >= 0 && i < 5 ? grids[i] : nullptr;
    }
    TsDBNavigator* Navigator(int i) const {
        TsDBNavigator* navs[] = {main_frm->faculty_navigator, main_frm->student_navigator,
                                 main_frm->discipline_navigator, main_frm->test_navigator,
                                 main_frm->resultat_navigator};
        return i >= 0 && i < 5 ? navs[i] : nullptr;
    }

private:
    void Fail(const QString& category, const QString& details) {
        if (outcome_.failed)
            return;
        outcome_.failed = true;
        outcome_.category = category;
        outcome_.details = details;
    }
    void Hook(Tracked& t);
    void Unhook();
    bool Touched(const Tracked& t) const;
    bool CancelAllowed() const;
    void FocusGrid(TDBGrid* grid);
    void SelectColumn(TDBGrid* grid, int column);
    void PerformUser(const Action& a);
    void ToggleCourse(const Action& a);
    void PerformOther(const Action& a);
    void CheckMessages(const Action& a);
    void CheckDatabase();
    void CheckGrids();

    std::unique_ptr<ShadowModel> model_;
    std::array<Tracked, 4> tracked_;
    const Action* current_ = nullptr;
    bool committed_ = false;
    Outcome outcome_;
};

bool Session::Begin() {
    model_ = std::make_unique<ShadowModel>(ReadDatabase(*db));
    TpFIBDataSet* sets[] = {main_frm->faculty_dataset, main_frm->student_dataset,
                            main_frm->discipline_dataset, main_frm->test_dataset};
    TDBGrid* grids[] = {main_frm->faculty_db, main_frm->student_db, main_frm->discipline_grid,
                        main_frm->d_test_grid};
    for (int i = 0; i < 4; ++i) {
        tracked_[i].ds = sets[i];
        tracked_[i].grid = grids[i];
        tracked_[i].table = static_cast<Table>(i);
        Hook(tracked_[i]);
    }
    main_frm->DataBase->AfterEndTransaction = [this](TFIBTransaction* tr, TTransactionAction action,
                                                     bool) {
        if (tr != main_frm->Transaction)
            return;
        if (action == TACommit || action == TACommitRetaining) {
            model_->Commit();
            committed_ = true;
        } else if (!(model_->Now() == model_->Committed())) {
            Fail(QStringLiteral("posted changes rolled back"),
                 model_->Committed().Differences(model_->Now()).join('\n'));
        }
    };
    Start();
    if (!main_frm->isVisible() || !dialogs.messages.empty()) {
        Fail(QStringLiteral("start"), dialogs.Texts().join('\n'));
        return false;
    }
    CheckGrids();
    return !Failed();
}

void Session::Hook(Tracked& t) {
    TpFIBDataSet& ds = *t.ds;
    ds.AfterOpen = [this, &t](TDataSet&) { t.openedAt = model_->Sequence(); };
    ds.AfterEdit = [&t](TDataSet& d) {
        t.asRead = RowOf(d);
        t.changed.clear();
    };
    ds.AfterInsert = [&t](TDataSet&) {
        t.asRead.clear();
        t.changed.clear();
    };
    for (TField* f : ds.FieldList())
        f->OnChange = [&t](TField& field) { t.changed.insert(field.FieldName()); };
    ds.BeforePost = [this, &t](TDataSet& d) {
        t.typed = RowOf(d);
        t.postState = d.State();
        t.masterKey.reset();
        if (t.table == tStudent)
            t.masterKey = FieldValue(*main_frm->faculty_dataset->FieldByName("F_ID"));
        else if (t.table == tTest)
            t.masterKey = FieldValue(*main_frm->discipline_dataset->FieldByName("D_ID"));
    };
    ds.AfterPost = [this, &t](TDataSet&) {
        const TableShape& shape = ShapeOf(t.table);
        if (t.postState == stInsert) {
            Row row;
            row[QString::fromLatin1(shape.key)] = t.typed[QString::fromLatin1(shape.key)];
            for (const char* c : shape.columns) {
                const auto it = t.typed.find(QString::fromLatin1(c));
                row[QString::fromLatin1(c)] = it == t.typed.end() ? Value() : it->second;
            }
            if (shape.masterColumn)
                row[QString::fromLatin1(shape.masterColumn)] = t.masterKey;
            model_->Insert(t.table, row);
        } else {
            Row changed;
            for (const char* c : shape.updated) {
                const QString column = QString::fromLatin1(c);
                if (!t.changed.count(column) || !t.typed.count(column))
                    continue;
                if (t.typed[column] != t.asRead[column])
                    changed[column] = t.typed[column];
            }
            model_->Update(t.table, KeyIn(t.asRead, t.table), changed);
        }
        ++outcome_.posts;
        t.changed.clear();
    };
    // A row deleted while being edited goes by the key it was read with: what
    // was typed into its key column (and is dropped with it) names no row.
    ds.BeforeDelete = [&t](TDataSet& d) {
        t.deleteKey = KeyIn(d.State() == stEdit ? t.asRead : RowOf(d), t.table);
    };
    ds.AfterDelete = [this, &t](TDataSet&) {
        model_->Delete(t.table, t.deleteKey);
        ++outcome_.deletes;
    };
    ds.BeforeCancel = [this, &t](TDataSet& d) {
        if (Touched(t) && !CancelAllowed())
            Fail(QStringLiteral("typed row dropped"),
                 QStringLiteral("%1 cancelled its typed row (%2)")
                     .arg(d.Name(), current_ ? current_->ToLine() : QString()));
    };
    ds.AfterCancel = [&t](TDataSet&) { t.changed.clear(); };
    ds.BeforeClose = [this, &t](TDataSet& d) {
        // Giving up the master (cancelling a new one, deleting it) takes the
        // rows typed under it along: the user chose that.
        if ((d.State() == stEdit || d.State() == stInsert) && Touched(t) && !CancelAllowed())
            Fail(QStringLiteral("typed row dropped"),
                 QStringLiteral("%1 closed with its typed row (%2)")
                     .arg(d.Name(), current_ ? current_->ToLine() : QString()));
    };
}

void Session::Unhook() {
    if (!main_frm)
        return;
    for (Tracked& t : tracked_) {
        if (!t.ds)
            continue;
        TDataSet& ds = *t.ds;
        ds.AfterOpen = ds.AfterEdit = ds.AfterInsert = ds.BeforePost = ds.AfterPost = nullptr;
        ds.BeforeDelete = ds.AfterDelete = ds.BeforeCancel = ds.AfterCancel = nullptr;
        ds.BeforeClose = nullptr;
        for (TField* f : ds.FieldList())
            f->OnChange = nullptr;
    }
    if (main_frm->DataBase)
        main_frm->DataBase->AfterEndTransaction = nullptr;
}

bool Session::Touched(const Tracked& t) const {
    if (t.ds->Modified())
        return true;
    const QLineEdit* editor = t.grid->InplaceEditor();
    return editor && editor->isVisible() && t.grid->EditorModified();
}

// The user's own ways of giving up a typed row.
bool Session::CancelAllowed() const {
    if (!current_)
        return false;
    const Action& a = *current_;
    return (a.kind == Kind::Key && a.word == QStringLiteral("Esc")) ||
           (a.kind == Kind::Nav &&
            (a.word == QStringLiteral("Cancel") || (a.word == QStringLiteral("Delete") && a.ok))) ||
           (a.kind == Kind::CtrlDelete && a.ok);
}

void Session::FocusGrid(TDBGrid* grid) {
    QWidget* focus = QApplication::focusWidget();
    if (focus != grid && focus != grid->InplaceEditor()) {
        grid->setFocus();
        QCoreApplication::processEvents();
    }
}

// The user goes to another column of the current row as they would: a click
// on its cell, or the arrow keys when it is scrolled out of view.
void Session::SelectColumn(TDBGrid* grid, int column) {
    if (grid->SelectedIndex() == column)
        return;
    const int row = grid->DataLink().ActiveRow();
    const QRect cell = grid->CellRect(column, row);
    if (!cell.isEmpty()) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        return;
    }
    for (int i = 0; i < static_cast<int>(grid->Columns().size()) && grid->SelectedIndex() != column;
         ++i)
        Keys(grid, grid->SelectedIndex() < column ? Qt::Key_Right : Qt::Key_Left);
}

void Session::Perform(const Action& a) {
    current_ = &a;
    committed_ = false;
    dialogs.messages.clear();
    dialogs.answers.clear();
    try {
        if (a.kind == Kind::Other)
            PerformOther(a);
        else
            PerformUser(a);
    } catch (const std::exception& e) {
        // The user's events are delivered by Qt, where the program catches;
        // this is the monkey's own fault.
        Fail(QStringLiteral("exception reached the monkey"), QString::fromUtf8(e.what()));
    }
    QCoreApplication::processEvents();
    ++outcome_.performed;
    outcome_.done.push_back(a);
    CheckMessages(a);
    if (committed_)
        CheckDatabase();
    CheckGrids();
    current_ = nullptr;
}

void Session::PerformUser(const Action& a) {
    switch (a.kind) {
    case Kind::View: {
        QAction* items[] = {main_frm->students_mnu, main_frm->disciplines_mnu,
                            main_frm->results_mnu};
        if (a.grid >= 0 && a.grid < 3)
            Choose(main_frm->show_mnu, items[a.grid]);
        break;
    }
    case Kind::Key: {
        TDBGrid* grid = Grid(a.grid);
        int key = 0;
        Qt::KeyboardModifiers mods;
        if (!grid || !grid->isVisible() || !KeyOfName(a.word, key, mods))
            break;
        FocusGrid(grid);
        Keys(grid, key, mods);
        break;
    }
    case Kind::CtrlDelete: {
        TDBGrid* grid = Grid(a.grid);
        if (!grid || !grid->isVisible())
            break;
        FocusGrid(grid);
        dialogs.answers = {a.ok ? TMsgResult::Ok : TMsgResult::Cancel};
        Keys(grid, Qt::Key_Delete, Qt::ControlModifier);
        break;
    }
    case Kind::Type: {
        TDBGrid* grid = Grid(a.grid);
        if (!grid || !grid->isVisible() || a.a < 0 ||
            a.a >= static_cast<int>(grid->Columns().size()))
            break;
        FocusGrid(grid);
        SelectColumn(grid, a.a);
        QLineEdit* editor = grid->InplaceEditor();
        if (!editor || !editor->isVisible())
            Keys(grid, Qt::Key_F2);
        editor = grid->InplaceEditor();
        if (editor && editor->isVisible())
            editor->selectAll();
        Type(grid, a.text);
        break;
    }
    case Kind::Nav: {
        TsDBNavigator* nav = Navigator(a.grid);
        const int button = ButtonOfName(a.word);
        if (!nav || !nav->isVisible() || button < 0)
            break;
        QWidget* b = nav->Button(static_cast<TNavigateBtn>(button));
        if (!b || !b->isVisible())
            break;
        if (button == static_cast<int>(TNavigateBtn::nbDelete))
            dialogs.answers = {a.ok ? TMsgResult::Ok : TMsgResult::Cancel};
        Press(nav, static_cast<TNavigateBtn>(button));
        break;
    }
    case Kind::Click: {
        TDBGrid* grid = Grid(a.grid);
        if (!grid || !grid->isVisible() || a.a >= grid->ShownRowCount())
            break;
        const QRect cell = grid->CellRect(a.b, a.a);
        if (cell.isEmpty())
            break;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        break;
    }
    case Kind::FacultyItem: {
        TCheckListBox* list = main_frm->d_faculty_lb;
        if (!list->isVisible() || a.grid < 0 || a.grid >= list->Count())
            break;
        list->scrollToItem(list->item(a.grid));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(a.grid)).center());
        break;
    }
    case Kind::CourseMark:
        ToggleCourse(a);
        break;
    case Kind::Options:
        dialogs.onModal = [](QDialog&) { options_frm->ok_btn->click(); };
        Choose(main_frm->program_mnu, main_frm->options_mnu);
        dialogs.onModal = nullptr;
        QApplication::setActiveWindow(main_frm);
        if (options_frm->isVisible())
            Fail(QStringLiteral("options dialog stays open"), QString());
        break;
    case Kind::Exit:
        dialogs.answers = {TMsgResult::No};
        Choose(main_frm->program_mnu, main_frm->exit_mnu);
        if (!main_frm->isVisible())
            Fail(QStringLiteral("window closed after No"), QString());
        break;
    case Kind::Other:
        break;
    }
}

void Session::ToggleCourse(const Action& a) {
    TCheckListBox* courses = main_frm->d_course_lb;
    TCheckListBox* faculties = main_frm->d_faculty_lb;
    if (!courses->isVisible() || a.grid < 0 || a.grid >= courses->Count())
        return;
    courses->scrollToItem(courses->item(a.grid));
    QTest::mouseClick(courses->viewport(), Qt::LeftButton, {},
                      courses->visualItemRect(courses->item(a.grid)).center());
    // Read after the click: its press may take the focus from a grid that
    // drops its untouched new row, and the lists then turn to another
    // discipline. The link the program will write: the current discipline,
    // the faculty the selected name stands for, the course.
    if (a.grid >= courses->Count())
        return;
    const Value d =
        main_frm->discipline_dataset->Active() && !main_frm->discipline_dataset->IsEmpty()
            ? FieldValue(*main_frm->discipline_dataset->FieldByName("D_ID"))
            : Value();
    const QString name =
        faculties->ItemIndex() >= 0 ? faculties->Item(faculties->ItemIndex()) : QString();
    std::vector<long long> matches;
    for (const auto& [key, row] : model_->Now().rows[tFaculty])
        if (row.at(QStringLiteral("NAZVA")) == Value(name))
            matches.push_back(key);
    if (matches.size() > 1)
        return; // which faculty the program takes is the server's choice
    const long long course = courses->Item(a.grid).toLongLong();
    const bool before = courses->Checked(a.grid);
    // The click's press may already have been refused for another row (one
    // left with text its column cannot take); only what the Space brings
    // refuses the mark.
    const qsizetype refusedBefore = dialogs.ErrorTexts().size();
    QTest::keyClick(courses, Qt::Key_Space);
    QCoreApplication::processEvents();
    // A refusal may refill the list, so the item may be gone.
    if (dialogs.ErrorTexts().size() > refusedBefore || a.grid >= courses->count() ||
        courses->Checked(a.grid) == before)
        return;
    if (!d || matches.empty()) {
        Fail(QStringLiteral("course mark without its link"),
             QStringLiteral("no error, but discipline %1 and faculty \"%2\" are not in the model")
                 .arg(d.value_or(QStringLiteral("NULL")), name));
        return;
    }
    const Link link{d->toLongLong(), matches.front(), course};
    ++outcome_.marks;
    if (courses->Checked(a.grid))
        model_->Link(link);
    else
        model_->Unlink(link);
}

void Session::PerformOther(const Action& a) {
    const Table t = TableOfName(a.table);
    QString sql;
    if (a.word == QStringLiteral("update") && t != kTableCount) {
        sql = QStringLiteral("update %1 set %2 = %3 where %4 = %5;\n")
                  .arg(ShapeOf(t).name, a.column, Quoted(a.text), ShapeOf(t).key)
                  .arg(a.key);
    } else if (a.word == QStringLiteral("insert") && t != kTableCount) {
        const QStringList values = a.text.split(QLatin1Char('|'));
        if (values.size() != static_cast<int>(ShapeOf(t).columns.size()))
            return;
        QStringList cols{QString::fromLatin1(ShapeOf(t).key)}, vals{QString::number(a.key)};
        for (size_t i = 0; i < ShapeOf(t).columns.size(); ++i) {
            cols << QString::fromLatin1(ShapeOf(t).columns[i]);
            vals << Quoted(values[static_cast<int>(i)]);
        }
        sql = QStringLiteral("insert into %1 (%2) values (%3);\n")
                  .arg(ShapeOf(t).name, cols.join(','), vals.join(','));
    } else if (a.word == QStringLiteral("delete") && t != kTableCount) {
        sql = QStringLiteral("delete from %1 where %2 = %3;\n")
                  .arg(ShapeOf(t).name, ShapeOf(t).key)
                  .arg(a.key);
    } else if (a.word == QStringLiteral("link")) {
        sql = QStringLiteral("insert into d_f_k (dfk_id, d_id, f_id, kurs) values "
                             "(gen_id(gen_d_f_k_id, 1), %1, %2, %3);\n")
                  .arg(a.key)
                  .arg(a.a)
                  .arg(a.b);
    } else if (a.word == QStringLiteral("unlink")) {
        sql = QStringLiteral("delete from d_f_k where d_id = %1 and f_id = %2 and kurs = %3;\n")
                  .arg(a.key)
                  .arg(a.a)
                  .arg(a.b);
    } else {
        return;
    }
    QString out;
    const int rc =
        RunIsql(db->ConnectionString(),
                QStringLiteral("set transaction no wait isolation level read committed;\n") + sql +
                    QStringLiteral("commit;\n"),
                &out);
    if (rc != 0) {
        ++outcome_.otherRefusals;
        return;
    }
    ++outcome_.otherCommits;
    if (a.word == QStringLiteral("update")) {
        model_->OtherUpdate(t, a.key, a.column, Value(a.text));
    } else if (a.word == QStringLiteral("insert")) {
        Row row;
        row[QString::fromLatin1(ShapeOf(t).key)] = QString::number(a.key);
        const QStringList values = a.text.split(QLatin1Char('|'));
        for (size_t i = 0; i < ShapeOf(t).columns.size(); ++i)
            row[QString::fromLatin1(ShapeOf(t).columns[i])] = values[static_cast<int>(i)];
        model_->OtherInsert(t, row);
    } else if (a.word == QStringLiteral("delete")) {
        model_->OtherDelete(t, a.key);
    } else if (a.word == QStringLiteral("link")) {
        model_->OtherLink({a.key, a.a, a.b});
    } else {
        model_->OtherUnlink({a.key, a.a, a.b});
    }
}

void Session::CheckMessages(const Action& a) {
    const bool asksDelete =
        (a.kind == Kind::Nav && a.word == QStringLiteral("Delete")) || a.kind == Kind::CtrlDelete;
    for (const TMessage& m : dialogs.messages) {
        if (m.icon == TMsgIcon::Error) {
            ++outcome_.refusals;
            ++outcome_.refusalTexts[m.text.left(70)];
            if (!IsRefusal(m.text))
                Fail(QStringLiteral("unexpected error"), m.text);
            continue;
        }
        if (m.buttons != TMsgButtons::Ok && (asksDelete || a.kind == Kind::Exit))
            continue;
        Fail(QStringLiteral("unexpected message"), m.text);
    }
    if (!dialogs.answers.empty() && !asksDelete)
        Fail(QStringLiteral("question not asked"), a.ToLine());
}

void Session::CheckDatabase() {
    ++outcome_.commits;
    const Tables stored = ReadDatabase(*db);
    if (!(stored == model_->Now()))
        Fail(QStringLiteral("database differs after commit"),
             model_->Now().Differences(stored).join('\n'));
}

// Each visible grid shows the model (as it was when the rows were read, for
// rows another user changed since), the row being typed, no row twice, and,
// when everything fits in its window, every row of its scope.
void Session::CheckGrids() {
    for (Tracked& t : tracked_) {
        if (!t.grid->isVisible() || !t.ds->Active())
            continue;
        auto& link = const_cast<TGridDataLink&>(t.grid->DataLink());
        if (!link.Active())
            continue;
        const TableShape& shape = ShapeOf(t.table);
        const bool typing = t.ds->State() == stEdit || t.ds->State() == stInsert;
        const int current = link.ActiveRow();
        std::set<long long> shown;
        QStringList wrong;
        const int count = link.RecordCount();
        for (int row = 0; row < count; ++row) {
            if (typing && row == current)
                continue; // the pending row is the user's
            link.SetActiveRow(row);
            const Row r = RowOf(*t.ds);
            const long long key = KeyIn(r, t.table);
            if (!shown.insert(key).second)
                wrong << QStringLiteral("%1 %2 shown twice").arg(shape.name).arg(key);
            if (!model_->ExistedSince(t.table, key, t.openedAt)) {
                wrong << QStringLiteral("%1 %2 shown, not in the model").arg(shape.name).arg(key);
                continue;
            }
            for (const auto& [column, value] : r)
                if (column != QLatin1String(shape.key) &&
                    !model_->HeldSince(t.table, key, column, value, t.openedAt)) {
                    const auto& rows = model_->Now().rows[t.table];
                    const auto it = rows.find(key);
                    wrong << QStringLiteral("%1 %2: %3 shown \"%4\", model \"%5\"")
                                 .arg(shape.name)
                                 .arg(key)
                                 .arg(column, value.value_or(QStringLiteral("NULL")),
                                      it == rows.end()
                                          ? QStringLiteral("(no row)")
                                          : it->second.at(column).value_or(QStringLiteral("NULL")));
                }
        }
        link.SetActiveRow(current);
        // Everything fits: the scope's rows are all there.
        if (count < link.BufferRows() && !model_->MembershipChangedSince(t.table, t.openedAt)) {
            std::optional<long long> master;
            bool scoped = true;
            if (shape.masterColumn) {
                TpFIBDataSet* m =
                    t.table == tStudent ? main_frm->faculty_dataset : main_frm->discipline_dataset;
                scoped =
                    m->Active() && m->State() == stBrowse && !m->IsEmpty() &&
                    !model_->MembershipChangedSince(static_cast<Table>(shape.master), t.openedAt);
                if (scoped) {
                    const Value k = FieldValue(*m->FieldByName(
                        QString::fromLatin1(ShapeOf(static_cast<Table>(shape.master)).key)));
                    scoped = k.has_value();
                    if (k)
                        master = k->toLongLong();
                }
            }
            if (scoped) {
                std::set<long long> expected;
                for (const auto& [key, row] : model_->Now().rows[t.table])
                    if (!master || row.at(QString::fromLatin1(shape.masterColumn)) ==
                                       Value(QString::number(*master)))
                        expected.insert(key);
                if (typing && t.ds->State() == stEdit)
                    expected.erase(KeyIn(t.asRead, t.table));
                for (long long k : expected)
                    if (!shown.count(k) && !(typing && t.ds->State() == stEdit))
                        wrong
                            << QStringLiteral("%1 %2 missing from the grid").arg(shape.name).arg(k);
            }
        }
        if (!wrong.isEmpty())
            Fail(QStringLiteral("grid differs from the model"),
                 QStringLiteral("%1 (%2):\n")
                         .arg(t.ds->Name(),
                              current_ ? current_->ToLine() : QStringLiteral("start")) +
                     wrong.join('\n'));
    }
}

// ---------------------------------------------------------------------------
// The generator

class Generator {
public:
    explicit Generator(uint64_t seed, bool other) : rng_(seed), other_(other) {}
    Action Next(const Session& s);

private:
    int Below(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    template <size_t N> int Weighted(const std::array<double, N>& w) {
        return std::discrete_distribution<int>(w.begin(), w.end())(rng_);
    }
    QString Word();
    QString Words(int maxLength);
    QString TextFor(const TField* field);
    Action Other(const Session& s);

    std::mt19937_64 rng_;
    bool other_;
    int otherKeys_ = 0;
};

QString Generator::Word() {
    static const char* const syllables[] = {
        "ко", "ва", "лен", "ши", "ян",  "ґа", "єв", "ії", "фі", "зи", "ка", "ма",  "ре", "ні",
        "то", "ро", "ль",  "ов", "ук",  "ич", "ьо", "ёж", "ан", "in", "ka", "sto", "ne", "'",
        "-",  "те", "ст",  "іс", "тор", "ія", "о",  "ба", "за", "да", "ні", "х"};
    QString w;
    const int n = 1 + Below(4);
    for (int i = 0; i < n; ++i)
        w += QString::fromUtf8(syllables[Below(static_cast<int>(std::size(syllables)))]);
    if (Chance(0.3))
        w[0] = w[0].toUpper();
    return w;
}

QString Generator::Words(int maxLength) {
    QString text = Word();
    while (Chance(0.35))
        text += QLatin1Char(' ') + Word();
    if (Chance(0.2))
        text += QString::number(Below(100));
    return text.left(std::max(1, maxLength));
}

QString Generator::TextFor(const TField* field) {
    const bool number = field && field->DataType() != ftString;
    const int size = field && field->Size() > 0 ? field->Size() : 20;
    const int kind = Weighted(std::array<double, 5>{75, 8, 8, 4, 5});
    if (number) {
        switch (kind) {
        case 0:
            return QString::number(field->FieldName() == QStringLiteral("KURS") ? 1 + Below(6)
                                                                                : 1 + Below(12));
        case 1:
            return QStringLiteral("99999999999");
        case 2: {
            static const char* const bad[] = {"abc", "1.5", "-", "12a", "1e3", "з"};
            return QString::fromLatin1(bad[Below(6)]);
        }
        case 3:
            return QStringLiteral("\b");
        default:
            return QString::number(-Below(3));
        }
    }
    switch (kind) {
    case 0:
        return Words(size);
    case 1: {
        QString longText;
        while (longText.size() < size + 5)
            longText += Word();
        return longText;
    }
    case 2: {
        static const char* const outside[] = {"😀", "中", "ą", "ğ", "€", "ß"};
        QString t = Words(size - 2);
        t.insert(Below(static_cast<int>(t.size()) + 1), QString::fromUtf8(outside[Below(6)]));
        return t;
    }
    case 3:
        return QStringLiteral("\b");
    default:
        return QString::number(Below(1000));
    }
}

Action Generator::Other(const Session& s) {
    const Tables& c = s.Model().Committed();
    Action a;
    a.kind = Kind::Other;
    const auto randomKey = [&](Table t) -> std::optional<long long> {
        const auto& rows = c.rows[t];
        if (rows.empty())
            return std::nullopt;
        return std::next(rows.begin(), Below(static_cast<int>(rows.size())))->first;
    };
    const Table t = static_cast<Table>(Weighted(std::array<double, 4>{3, 4, 2, 3}));
    const int op = Weighted(std::array<double, 5>{60, 12, 8, 12, 8});
    const TableShape& shape = ShapeOf(t);
    if (op == 0) {
        const auto key = randomKey(t);
        if (!key) { // nothing left to change: a link instead
            a.word = QStringLiteral("link");
            a.key = a.a = a.b = 1;
            return a;
        }
        a.word = QStringLiteral("update");
        a.table = QString::fromLatin1(shape.name);
        a.key = *key;
        const QString column =
            QString::fromLatin1(shape.columns[Below(static_cast<int>(shape.columns.size()))]);
        a.column = column;
        if (shape.masterColumn && column == QLatin1String(shape.masterColumn)) {
            const auto m = randomKey(static_cast<Table>(shape.master));
            a.text = QString::number(m.value_or(1));
        } else if (column == QStringLiteral("KURS")) {
            a.text = QString::number(1 + Below(6));
        } else {
            a.text = Words(column == QStringLiteral("GRUPA") ? 10 : 40).trimmed();
        }
    } else if (op == 1) {
        a.word = QStringLiteral("insert");
        a.table = QString::fromLatin1(shape.name);
        a.key = 1000000 + ++otherKeys_;
        QStringList values;
        for (const char* col : shape.columns) {
            const QString column = QString::fromLatin1(col);
            if (shape.masterColumn && column == QLatin1String(shape.masterColumn))
                values << QString::number(randomKey(static_cast<Table>(shape.master)).value_or(1));
            else if (column == QStringLiteral("KURS"))
                values << QString::number(1 + Below(6));
            else
                values << Words(column == QStringLiteral("GRUPA") ? 10 : 40).trimmed();
        }
        a.text = values.join(QLatin1Char('|'));
    } else if (op == 2) {
        a.word = QStringLiteral("delete");
        a.table = QString::fromLatin1(shape.name);
        a.key = randomKey(t).value_or(1);
    } else if (op == 3 || c.links.empty()) {
        a.word = QStringLiteral("link");
        a.key = randomKey(tDiscipline).value_or(1);
        a.a = static_cast<int>(randomKey(tFaculty).value_or(1));
        a.b = 1 + Below(6);
    } else {
        const Link l = *std::next(c.links.begin(), Below(static_cast<int>(c.links.size())));
        a.word = QStringLiteral("unlink");
        a.key = std::get<0>(l);
        a.a = static_cast<int>(std::get<1>(l));
        a.b = static_cast<int>(std::get<2>(l));
    }
    return a;
}

Action Generator::Next(const Session& s) {
    if (other_ && Chance(0.12))
        return Other(s);
    const TView view = main_frm->CurrentView();
    std::vector<int> grids;
    if (view == TView::vwStudents)
        grids = {0, 1};
    else if (view == TView::vwDisciplines)
        grids = {2, 3};
    else
        grids = {4};
    const int g = grids[Below(static_cast<int>(grids.size()))];
    TDBGrid* grid = s.Grid(g);
    const bool disciplines = view == TView::vwDisciplines;
    // type, key, nav, ctrldel, click, view, faculty item, course, options, exit
    const int kind = Weighted(std::array<double, 10>{26, 24, 17, 2, 8, 6, disciplines ? 4.0 : 0.0,
                                                     disciplines ? 7.0 : 0.0, 0.4, 0.4});
    Action a;
    a.grid = g;
    switch (kind) {
    case 0: {
        a.kind = Kind::Type;
        const int columns = static_cast<int>(grid->Columns().size());
        a.a = Below(columns);
        const TField* field = a.a < columns ? grid->Columns()[a.a].Field : nullptr;
        a.text = TextFor(field);
        break;
    }
    case 1: {
        a.kind = Kind::Key;
        const int k = Weighted(std::array<double, 14>{4, 5, 1, 1, 1, 1, 3, 1, 2, 4, 2, 2, 1, 1});
        a.word = QString::fromLatin1(kGridKeys[k]);
        break;
    }
    case 2: {
        a.kind = Kind::Nav;
        int b = Weighted(std::array<double, 10>{1, 1, 1, 1, 2, 1.5, 3, 5, 1, 1});
        a.word = QString::fromLatin1(kButtons[b]);
        a.ok = Chance(0.7);
        break;
    }
    case 3:
        a.kind = Kind::CtrlDelete;
        a.ok = Chance(0.7);
        break;
    case 4:
        a.kind = Kind::Click;
        a.a = Below(std::max(1, grid->ShownRowCount() + 1));
        a.b = Below(static_cast<int>(grid->Columns().size()));
        break;
    case 5:
        a.kind = Kind::View;
        a.grid = Weighted(std::array<double, 3>{4, 4, 1});
        break;
    case 6:
        a.kind = Kind::FacultyItem;
        a.grid = Below(main_frm->d_faculty_lb->Count());
        break;
    case 7:
        a.kind = Kind::CourseMark;
        a.grid = Below(main_frm->d_course_lb->Count());
        break;
    case 8:
        a.kind = Kind::Options;
        break;
    default:
        a.kind = Kind::Exit;
        break;
    }
    return a;
}

// ---------------------------------------------------------------------------

// Every run ends with a view switch, so that what is left is committed and
// compared.
Action FinalCommit() {
    Action a;
    a.kind = Kind::View;
    return a;
}

// Keeps the actions in a file as they are done, so that a run the sanitizers
// end still leaves its list.
class Trail {
public:
    explicit Trail(std::optional<uint64_t> seed) {
        if (!seed)
            return; // a replay: its list is known
        QString path = qEnvironmentVariable("VELTOR_MONKEY_TRAIL");
        if (path.isEmpty())
            path = QDir::tempPath() + QStringLiteral("/veltor-monkey-%1.actions").arg(*seed);
        file_.setFileName(path);
        if (file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file_.write(QStringLiteral("# seed %1\n").arg(*seed).toUtf8());
    }
    void Add(const Action& a) {
        if (file_.isOpen()) {
            file_.write((a.ToLine() + QLatin1Char('\n')).toUtf8());
            file_.flush();
        }
    }

private:
    QFile file_;
};

template <typename Next>
Outcome RunSession(Next next, std::optional<uint64_t> trailSeed, bool quiet) {
    Session session;
    Trail trail(trailSeed);
    if (!session.Begin())
        return session.Result();
    QElapsedTimer timer;
    timer.start();
    int n = 0;
    while (!session.Failed()) {
        std::optional<Action> a = next(session);
        if (!a)
            break;
        trail.Add(*a);
        session.Perform(*a);
        if (!quiet && ++n % 500 == 0)
            std::printf("monkey: %d actions, %.0f s\n", n, timer.elapsed() / 1000.0),
                std::fflush(stdout);
    }
    if (!session.Failed()) {
        trail.Add(FinalCommit());
        session.Perform(FinalCommit());
    }
    return session.Result();
}

} // namespace

Outcome Generate(const RunOptions& options) {
    Generator generator(options.seed, options.other);
    int left = options.actions;
    return RunSession(
        [&](const Session& s) -> std::optional<Action> {
            if (left-- <= 0)
                return std::nullopt;
            return generator.Next(s);
        },
        options.seed, options.quiet);
}

Outcome Replay(const ActionList& list) {
    size_t i = 0;
    return RunSession(
        [&](const Session&) -> std::optional<Action> {
            if (i >= list.size())
                return std::nullopt;
            return list[i++];
        },
        std::nullopt, true);
}

ActionList Shrink(const ActionList& failing, const QString& category, int budgetSeconds,
                  const std::function<void(const QString&)>& progress) {
    QElapsedTimer timer;
    timer.start();
    ActionList list = failing;
    if (!list.empty() && list.back().ToLine() == FinalCommit().ToLine())
        list.pop_back(); // every run ends with it
    const auto fails = [&](const ActionList& candidate) {
        const Outcome o = Replay(candidate);
        return o.failed && o.category == category;
    };
    // A failure mostly needs the recent past only: first drop the longest
    // beginning that keeps it (a binary search, a few runs), then the chunks.
    size_t lo = 0, hi = list.empty() ? 0 : list.size() - 1;
    while (lo < hi && timer.elapsed() < budgetSeconds * 1000LL) {
        const size_t mid = (lo + hi + 1) / 2;
        if (fails(ActionList(list.begin() + static_cast<long>(mid), list.end())))
            lo = mid;
        else
            hi = mid - 1;
    }
    list.erase(list.begin(), list.begin() + static_cast<long>(lo));
    if (progress)
        progress(QStringLiteral("shrunk to the last %1 actions").arg(list.size()));
    size_t n = 2;
    while (list.size() >= 2 && timer.elapsed() < budgetSeconds * 1000LL) {
        const size_t chunk = (list.size() + n - 1) / n;
        bool reduced = false;
        for (size_t start = 0; start < list.size(); start += chunk) {
            ActionList candidate(list.begin(), list.begin() + static_cast<long>(start));
            candidate.insert(candidate.end(),
                             list.begin() + static_cast<long>(std::min(list.size(), start + chunk)),
                             list.end());
            if (fails(candidate)) {
                list = candidate;
                n = std::max<size_t>(n - 1, 2);
                reduced = true;
                if (progress)
                    progress(QStringLiteral("shrunk to %1 actions").arg(list.size()));
                break;
            }
            if (timer.elapsed() >= budgetSeconds * 1000LL)
                break;
        }
        if (!reduced) {
            if (n >= list.size())
                break;
            n = std::min(list.size(), n * 2);
        }
    }
    return list;
}

QString Report(const Outcome& o, uint64_t seed) {
    QString text = QStringLiteral("monkey seed %1: %2 after %3 actions\n%4\nactions:\n")
                       .arg(seed)
                       .arg(o.category)
                       .arg(o.performed)
                       .arg(o.details);
    text += ToText(o.done);
    return text;
}

} // namespace veltor::test::monkey
