// The grid's keys as a table: from a state reached by earlier keys, one key,
// and what the user then sees: the dataset's state, the current record, the
// current column and whether the editor is shown.

#include "tests/controls/ControlsFixture.h"

#include "fib/FIBQuery.h"

#include <QApplication>
#include <QTest>

using namespace veltor::test;

namespace {

struct Key {
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    QString text; // typed instead of a key when not empty
};

Key K(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    return {key, mods, {}};
}
Key Type(const char* text) {
    return {Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(text)};
}

// Sends the key where the user's keyboard goes: the focused widget.
void Press(const Key& k) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    if (!k.text.isEmpty())
        TypeText(k.text);
    else
        QTest::keyClick(target, k.key, k.mods);
}

constexpr int kNew = -1; // the current record is a new one (F_ID null)
constexpr int kAny = -2;

// The view's grid on a dataset that cannot be edited, as the results grid
// is; the grid lets go of it when the case ends.
struct ReadOnlyGrid {
    explicit ReadOnlyGrid(FacultyView& shownIn) : view(shownIn), dataset(ReadOnlyFaculties(view)) {
        source.SetDataSet(dataset.get());
        view.grid->SetDataSource(&source);
        dataset->Open();
        view.grid->setFocus();
    }
    ~ReadOnlyGrid() { view.grid->SetDataSource(nullptr); }
    ReadOnlyGrid(const ReadOnlyGrid&) = delete;
    ReadOnlyGrid& operator=(const ReadOnlyGrid&) = delete;

    FacultyView& view;
    std::unique_ptr<TpFIBDataSet> dataset;
    TDataSource source;
};

struct KeyCase {
    const char* name;
    std::vector<Key> before;
    Key key;
    std::deque<TMsgResult> answers;
    TDataSetState state;
    int id;      // F_ID of the current record
    int column;  // the grid's current column
    bool editor; // the in-place editor is shown
    int records = kAny;
};

const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

} // namespace

TEST_F(FacultyViewTest, GridKeys) {
    const KeyCase cases[] = {
        {"Down moves to the next record", {}, K(Qt::Key_Down), {}, stBrowse, 2, 0, false, 3},
        {"Up on the first record stays", {}, K(Qt::Key_Up), {}, stBrowse, 1, 0, false},
        {"Down on the last record appends",
         {K(Qt::Key_End, kCtrl)},
         K(Qt::Key_Down),
         {},
         stInsert,
         kNew,
         0,
         false,
         3},
        {"Down on the untouched appended record does nothing",
         {K(Qt::Key_End, kCtrl), K(Qt::Key_Down)},
         K(Qt::Key_Down),
         {},
         stInsert,
         kNew,
         0,
         false},
        {"Up on the untouched appended record cancels it",
         {K(Qt::Key_End, kCtrl), K(Qt::Key_Down)},
         K(Qt::Key_Up),
         {},
         stBrowse,
         3,
         0,
         false,
         3},
        {"Down from a filled appended record posts it and appends the next",
         {K(Qt::Key_End, kCtrl), K(Qt::Key_Down), Type("10"), K(Qt::Key_Right), Type("Нова")},
         K(Qt::Key_Down),
         {},
         stInsert,
         kNew,
         1,
         true,
         4},
        {"Page Down moves by the visible rows", {}, K(Qt::Key_PageDown), {}, stBrowse, 3, 0, false},
        {"Ctrl+Page Down goes to the last visible row",
         {},
         K(Qt::Key_PageDown, kCtrl),
         {},
         stBrowse,
         3,
         0,
         false},
        {"Ctrl+Page Up goes to the first visible row",
         {K(Qt::Key_End, kCtrl)},
         K(Qt::Key_PageUp, kCtrl),
         {},
         stBrowse,
         1,
         0,
         false},
        {"Ctrl+Up goes to the first visible row",
         {K(Qt::Key_Down), K(Qt::Key_Down)},
         K(Qt::Key_Up, kCtrl),
         {},
         stBrowse,
         1,
         0,
         false},
        {"Ctrl+End goes to the last record", {}, K(Qt::Key_End, kCtrl), {}, stBrowse, 3, 0, false},
        {"Ctrl+Home goes to the first record",
         {K(Qt::Key_End, kCtrl)},
         K(Qt::Key_Home, kCtrl),
         {},
         stBrowse,
         1,
         0,
         false},
        {"End goes to the last column", {}, K(Qt::Key_End), {}, stBrowse, 1, 2, false},
        {"Home goes to the first column",
         {K(Qt::Key_End)},
         K(Qt::Key_Home),
         {},
         stBrowse,
         1,
         0,
         false},
        {"Right goes to the next column", {}, K(Qt::Key_Right), {}, stBrowse, 1, 1, false},
        {"Ctrl+Right goes to the last column",
         {},
         K(Qt::Key_Right, kCtrl),
         {},
         stBrowse,
         1,
         2,
         false},
        {"Left on the first column stays", {}, K(Qt::Key_Left), {}, stBrowse, 1, 0, false},
        {"Insert inserts before the current record",
         {K(Qt::Key_Down)},
         K(Qt::Key_Insert),
         {},
         stInsert,
         kNew,
         0,
         false,
         3},
        {"Esc first restores the typed text",
         {K(Qt::Key_Right), Type("Х")},
         K(Qt::Key_Escape),
         {},
         stEdit,
         1,
         1,
         false},
        {"Esc again cancels the edit",
         {K(Qt::Key_Right), Type("Х"), K(Qt::Key_Escape)},
         K(Qt::Key_Escape),
         {},
         stBrowse,
         1,
         1,
         false},
        {"Esc on an inserted record cancels it",
         {K(Qt::Key_Down), K(Qt::Key_Insert)},
         K(Qt::Key_Escape),
         {},
         stBrowse,
         2,
         0,
         false,
         3},
        {"Enter shows the editor", {K(Qt::Key_Right)}, K(Qt::Key_Return), {}, stBrowse, 1, 1, true},
        {"Enter again hides it",
         {K(Qt::Key_Right), K(Qt::Key_Return)},
         K(Qt::Key_Return),
         {},
         stBrowse,
         1,
         1,
         false},
        {"F2 shows the editor", {K(Qt::Key_Right)}, K(Qt::Key_F2), {}, stBrowse, 1, 1, true},
        {"Typing starts editing in the editor",
         {K(Qt::Key_Right)},
         Type("Щ"),
         {},
         stEdit,
         1,
         1,
         true},
        {"Ctrl+Delete confirmed deletes",
         {K(Qt::Key_End, kCtrl)},
         K(Qt::Key_Delete, kCtrl),
         {TMsgResult::Ok},
         stBrowse,
         2,
         0,
         false,
         2},
        {"Ctrl+Delete declined keeps the record",
         {K(Qt::Key_End, kCtrl)},
         K(Qt::Key_Delete, kCtrl),
         {TMsgResult::Cancel},
         stBrowse,
         3,
         0,
         false,
         3},
        {"Delete without Ctrl deletes nothing",
         {},
         K(Qt::Key_Delete),
         {},
         stBrowse,
         1,
         0,
         false,
         3},
        {"Tab goes to the next column", {}, K(Qt::Key_Tab), {}, stBrowse, 1, 1, false},
        {"Tab on the last column goes to the next record's first column",
         {K(Qt::Key_End)},
         K(Qt::Key_Tab),
         {},
         stBrowse,
         2,
         0,
         false},
        {"Tab on the last column of the last record appends",
         {K(Qt::Key_End, kCtrl), K(Qt::Key_End)},
         K(Qt::Key_Tab),
         {},
         stInsert,
         kNew,
         0,
         false},
        {"Shift+Tab on the first column goes to the prior record's last column",
         {K(Qt::Key_Down)},
         K(Qt::Key_Backtab, Qt::ShiftModifier),
         {},
         stBrowse,
         1,
         2,
         false},
        {"Tab from the editor moves the column and writes the text",
         {K(Qt::Key_Right), Type("Щ")},
         K(Qt::Key_Tab),
         {},
         stEdit,
         1,
         2,
         true},
    };

    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        v.reset();
        dialogs.reset(); // before the next one installs itself
        dialogs = std::make_unique<ScriptedDialogs>();
        v = std::make_unique<FacultyView>();
        v->Open();
        ASSERT_TRUE(v->grid->hasFocus());
        for (const Key& k : c.before)
            Press(k);
        dialogs->answers = c.answers;
        Press(c.key);

        EXPECT_EQ(v->ds->State(), c.state);
        if (c.id != kAny) {
            EXPECT_EQ(v->CurrentId(), c.id);
        }
        EXPECT_EQ(v->grid->SelectedIndex(), c.column);
        EXPECT_EQ(v->grid->EditorMode(), c.editor);
        EXPECT_EQ(v->grid->InplaceEditor()->isVisible(), c.editor);
        if (c.records != kAny) {
            EXPECT_EQ(v->ds->RecordCount(), c.records);
        }
        EXPECT_TRUE(dialogs->answers.empty()) << "the question was not asked";
        for (const TMessage& m : dialogs->messages)
            EXPECT_NE(m.icon, TMsgIcon::Error) << m.text.toStdString();
        // The keyboard stays with the grid.
        EXPECT_TRUE(v->grid->hasFocus() || v->grid->InplaceEditor()->hasFocus());
    }
}

TEST_F(FacultyViewTest, EscRestoresTheEditorTextFromTheField) {
    v->Open();
    const QString name = v->fName->AsString();
    QTest::keyClick(v->grid, Qt::Key_Right);
    TypeText("Х");
    EXPECT_EQ(v->grid->InplaceEditor()->text(), "Х");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(v->grid->InplaceEditor()->text(), name);
    EXPECT_EQ(v->fName->AsString(), name);
    EXPECT_FALSE(v->grid->EditorModified());
}

TEST_F(FacultyViewTest, KeysDoNothingWhileTheDatasetIsClosed) {
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Insert, Qt::Key_F2, Qt::Key_Return}) {
        QTest::keyClick(v->grid, key);
        EXPECT_EQ(v->ds->State(), stInactive);
        EXPECT_FALSE(v->grid->EditorMode());
    }
    QTest::keyClick(v->grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(FacultyViewTest, CtrlDeleteOnAnEmptyOrUnmodifiableDatasetDoesNothing) {
    v->ds->SetSelectSQLText("SELECT F_ID, NAZVA, KNAZVA FROM FAKULTET WHERE F_ID < 0");
    v->Open();
    QTest::keyClick(v->grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs->messages.empty());

    ReadOnlyGrid shown(*v);
    TpFIBDataSet* results = shown.dataset.get();
    QTest::keyClick(v->grid, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(v->grid, Qt::Key_Insert);
    QTest::keyClick(v->grid, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(v->grid, Qt::Key_Down); // no append on a read-only dataset
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join("\n").toStdString();
    EXPECT_EQ(results->State(), stBrowse);
    EXPECT_EQ(results->RecordCount(), 3);
}

// The results grid cannot edit, yet Tab still moves to the next column of
// the same record rather than down a record.
TEST_F(FacultyViewTest, TabMovesByColumnInAGridThatCannotEdit) {
    ReadOnlyGrid shown(*v);
    v->grid->SetSelectedIndex(0);
    const int record = shown.dataset->FieldByName(QStringLiteral("F_ID"))->AsInteger();
    QTest::keyClick(v->grid, Qt::Key_Tab);
    EXPECT_EQ(v->grid->SelectedIndex(), 1);
    EXPECT_EQ(shown.dataset->FieldByName(QStringLiteral("F_ID"))->AsInteger(), record);
}

// F5 reads the current record back from the server, as the navigator's
// Refresh does, so that a keyboard user can see what someone else stored;
// a dataset that cannot be modified keeps what it shows, as that button is
// greyed there.
TEST_F(FacultyViewTest, F5ReadsTheCurrentRecordAgainWhereTheNavigatorCouldRefresh) {
    v->Open();
    QTest::keyClick(v->grid, Qt::Key_Down);
    ASSERT_EQ(v->CurrentId(), 2);
    TFIBQuery q;
    q.SetDatabase(v->db);
    q.SetTransaction(v->tr);
    q.SetSQLText("update fakultet set knazva = 'ФФ5' where f_id = 2");
    q.ExecQuery();
    EXPECT_NE(v->fShort->AsString(), "ФФ5");
    QTest::keyClick(v->grid, Qt::Key_F5);
    EXPECT_EQ(v->fShort->AsString(), "ФФ5");
    EXPECT_EQ(v->CurrentId(), 2);
    EXPECT_EQ(v->ds->State(), stBrowse);

    ReadOnlyGrid shown(*v);
    TField* name = shown.dataset->FieldByName(QStringLiteral("NAZVA"));
    const QString before = name->AsString();
    q.SetSQLText("update fakultet set nazva = 'Факультет F5' where f_id = 1");
    q.ExecQuery();
    QTest::keyClick(v->grid, Qt::Key_F5);
    EXPECT_EQ(name->AsString(), before);
    EXPECT_TRUE(dialogs->messages.empty()) << dialogs->Texts().join("\n").toStdString();
}
