// The model's datasets against the demo database: they open with their
// declared fields, the students follow the current faculty, and the keys
// that the update statements keep cannot be typed.

#include "ModelFixture.h"

namespace veltor::test {
namespace {

class ModelDataTest : public ModelFixture {
protected:
    ModelDataTest() { Connect(); }

    TStudentsModel& S() { return model_->Students; }
    TDisciplinesModel& D() { return model_->Disciplines; }
    TResultsModel& R() { return model_->Results; }

    long long Query(const QString& select) { return ModelTestDatabase().QueryInt(select); }

    // The students the dataset holds: count and sum of keys, every row
    // checked to belong to the faculty.
    struct Rows {
        long long count = 0;
        long long keySum = 0;
    };
    Rows StudentsOf(int facultyId) {
        Rows rows;
        TpFIBDataSet& st = *S().student_dataset;
        st.First();
        while (!st.IsEmpty()) {
            EXPECT_EQ(S().student_datasetF_ID->AsInteger(), facultyId);
            ++rows.count;
            rows.keySum += S().student_datasetS_ID->AsInteger();
            if (st.Next() == 0)
                break;
        }
        return rows;
    }
};

TEST_F(ModelDataTest, EveryDataSetOpensWithItsDeclaredFields) {
    // The views' opening order: tests before disciplines.
    EXPECT_SQL(D().test_dataset->Open());
    EXPECT_SQL(D().discipline_dataset->Open());
    EXPECT_SQL(S().faculty_dataset->Open());
    EXPECT_SQL(S().student_dataset->Open());
    EXPECT_SQL(R().resultat_dataset->Open());

    TpFIBDataSet* const dataSets[] = {S().faculty_dataset, S().student_dataset,
                                      D().discipline_dataset, D().test_dataset,
                                      R().resultat_dataset};
    for (TpFIBDataSet* ds : dataSets) {
        SCOPED_TRACE(ds->Name().toStdString());
        ASSERT_TRUE(ds->Active());
        EXPECT_FALSE(ds->DefaultFields());
        EXPECT_FALSE(ds->IsEmpty());
        for (TField* f : ds->FieldList()) {
            EXPECT_EQ(f->Owner(), &form_) << f->Name().toStdString();
            EXPECT_GT(f->FieldNo(), 0) << f->Name().toStdString();
        }
    }
    // test_dataset selects D_ID but declares no field for it.
    EXPECT_EQ(D().test_dataset->FieldCount(), 3);
    EXPECT_EQ(D().test_dataset->FindField(QStringLiteral("D_ID")), nullptr);
}

TEST_F(ModelDataTest, OpeningFacultyThenStudentShowsTheFirstFacultysStudents) {
    EXPECT_SQL(S().faculty_dataset->Open());
    EXPECT_SQL(S().student_dataset->Open());
    ASSERT_TRUE(S().student_dataset->Active());

    const int first = S().faculty_datasetF_ID->AsInteger();
    EXPECT_EQ(first, Query(QStringLiteral("select first 1 f_id from fakultet")));
    const Rows rows = StudentsOf(first);
    EXPECT_GT(rows.count, 0);
    EXPECT_EQ(rows.count,
              Query(QStringLiteral("select count(*) from student where f_id = %1").arg(first)));
    EXPECT_EQ(rows.keySum,
              Query(QStringLiteral("select sum(s_id) from student where f_id = %1").arg(first)));

    // Moving the master reopens the students with the next faculty's.
    ASSERT_EQ(S().faculty_dataset->Next(), 1);
    const int second = S().faculty_datasetF_ID->AsInteger();
    ASSERT_NE(second, first);
    EXPECT_EQ(StudentsOf(second).count,
              Query(QStringLiteral("select count(*) from student where f_id = %1").arg(second)));
}

// Whether a control may let the user type into the field.
struct TypingCase {
    const char* field;
    bool canModify;
};

TEST_F(ModelDataTest, KeysTheUpdateStatementsKeepCannotBeTyped) {
    EXPECT_SQL(D().test_dataset->Open());
    EXPECT_SQL(D().discipline_dataset->Open());
    EXPECT_SQL(S().faculty_dataset->Open());
    EXPECT_SQL(S().student_dataset->Open());

    const TypingCase cases[] = {
        {"faculty_datasetF_ID", false},       {"faculty_dataset_NAME", true},
        {"student_datasetS_ID", false},       {"student_datasetF_ID", false},
        {"student_dataset_LAST_NAME_", true}, {"discipline_dataset_D_ID", false},
        {"discipline_dataset_NAME", true},    {"test_datasetT_ID", true},
        {"test_dataset_NAME", true},
    };
    for (const TypingCase& c : cases) {
        auto* f = dynamic_cast<TField*>(form_.FindComponent(QString::fromLatin1(c.field)));
        ASSERT_NE(f, nullptr) << c.field;
        EXPECT_EQ(f->CanModify(), c.canModify) << c.field;
    }
}

TEST_F(ModelDataTest, NewFacultyTakesItsKeyFromTheGeneratorDespiteReadOnly) {
    EXPECT_SQL(S().faculty_dataset->Open());
    EXPECT_SQL(S().student_dataset->Open());
    TpFIBDataSet& fac = *S().faculty_dataset;
    const int firstKey = S().faculty_datasetF_ID->AsInteger();
    const std::string firstShort = S().faculty_dataset_SHORT_NAME->AsString().toStdString();

    EXPECT_SQL(fac.Append());
    ASSERT_EQ(fac.State(), stInsert);
    ASSERT_FALSE(S().faculty_datasetF_ID->IsNull());
    const int key = S().faculty_datasetF_ID->AsInteger();
    EXPECT_EQ(key, Query(QStringLiteral("select gen_id(GEN_FAKULTET_ID, 0) from rdb$database")));
    // The new key selects no students.
    EXPECT_TRUE(S().student_dataset->IsEmpty());

    S().faculty_dataset_NAME->SetText(QStringLiteral("Факультет нових технологій"));
    S().faculty_dataset_SHORT_NAME->SetText(QStringLiteral("ФНТ"));
    EXPECT_SQL(fac.Post());
    ASSERT_EQ(fac.State(), stBrowse);
    // The refresh after post read this row back under its own key.
    EXPECT_EQ(S().faculty_datasetF_ID->AsInteger(), key);
    EXPECT_EQ(S().faculty_dataset_NAME->AsString().toStdString(), "Факультет нових технологій");

    // Editing the row later changes this faculty and no other.
    EXPECT_SQL(fac.Edit());
    S().faculty_dataset_SHORT_NAME->SetText(QStringLiteral("ФНТ-2"));
    EXPECT_SQL(fac.Post());
    EXPECT_EQ(S().faculty_datasetF_ID->AsInteger(), key);
    EXPECT_EQ(S().faculty_dataset_SHORT_NAME->AsString().toStdString(), "ФНТ-2");
    ASSERT_TRUE(fac.Locate(QStringLiteral("F_ID"), Variant(firstKey), 0));
    EXPECT_EQ(S().faculty_dataset_SHORT_NAME->AsString().toStdString(), firstShort);
}

TEST_F(ModelDataTest, NewStudentBelongsToTheCurrentFacultyWhateverItsHiddenField) {
    EXPECT_SQL(S().faculty_dataset->Open());
    EXPECT_SQL(S().student_dataset->Open());
    const int faculty = S().faculty_datasetF_ID->AsInteger();
    TpFIBDataSet& st = *S().student_dataset;

    EXPECT_SQL(st.Append());
    S().student_dataset_LAST_NAME_->SetText(QStringLiteral("Нова"));
    S().student_datasetF_ID->SetAsInteger(faculty + 1);
    EXPECT_SQL(st.Post());
    ASSERT_EQ(st.State(), stBrowse);
    // The row re-read after post carries the master's faculty.
    EXPECT_EQ(S().student_datasetF_ID->AsInteger(), faculty);
    EXPECT_EQ(S().student_dataset_LAST_NAME_->AsString().toStdString(), "Нова");
}

TEST_F(ModelDataTest, TestKeyIsTypedAndNoGeneratorIsUsed) {
    EXPECT_SQL(D().test_dataset->Open());
    EXPECT_SQL(D().discipline_dataset->Open());
    TpFIBDataSet& tests = *D().test_dataset;

    // Without a typed key the server refuses the null key.
    EXPECT_SQL(tests.Append());
    EXPECT_TRUE(D().test_datasetT_ID->IsNull());
    D().test_dataset_NAME->SetText(QStringLiteral("Без ключа"));
    bool refused = false;
    try {
        tests.Post();
    } catch (const Exception&) {
        refused = true;
    }
    EXPECT_TRUE(refused);
    EXPECT_SQL(tests.Cancel());

    const int key = static_cast<int>(Query(QStringLiteral("select max(t_id) from test"))) + 100;
    EXPECT_SQL(tests.Append());
    D().test_datasetT_ID->SetText(QString::number(key));
    D().test_dataset_NAME->SetText(QStringLiteral("Новий тест"));
    EXPECT_SQL(tests.Post());
    EXPECT_EQ(D().test_datasetT_ID->AsInteger(), key);

    // The update statement sets T_ID, so a typed key change is kept.
    EXPECT_SQL(tests.Edit());
    D().test_datasetT_ID->SetText(QString::number(key + 1));
    EXPECT_SQL(tests.Post());
    EXPECT_EQ(D().test_datasetT_ID->AsInteger(), key + 1);
    EXPECT_EQ(D().test_dataset_NAME->AsString().toStdString(), "Новий тест");
}

} // namespace
} // namespace veltor::test
