// Field objects: binding to columns, labels and widths, text, and the
// writes with their messages.

#include "DataSetFixture.h"

#include "base/FormatSettings.h"

using namespace veltor::test;

namespace {

class FieldTest : public DataSetTest {
protected:
    // The student dataset with declared fields as the program declares them.
    TpFIBDataSet* Students() {
        TpFIBDataSet* ds = NewDataSet(
            QStringLiteral("SELECT S_ID, FAMILIYA, KURS, GRUPA FROM STUDENT WHERE S_ID = 1"),
            QStringLiteral("student_dataset"));
        ds->SetUpdateSQL(
            {QStringLiteral("UPDATE STUDENT SET GRUPA = :GRUPA WHERE S_ID = :OLD_S_ID")});
        id = new TFIBIntegerField(&form);
        id->SetFieldName(QStringLiteral("S_ID"));
        id->SetDataSet(ds);
        name = new TFIBStringField(&form);
        name->SetFieldName(QStringLiteral("FAMILIYA"));
        name->SetSize(50);
        name->SetDisplayLabel(QStringLiteral("_LAST_NAME_"));
        name->SetDataSet(ds);
        course = new TFIBIntegerField(&form);
        course->SetFieldName(QStringLiteral("KURS"));
        course->SetDisplayLabel(QStringLiteral("_COURSE_"));
        course->SetDisplayWidth(11);
        course->SetDataSet(ds);
        group = new TFIBStringField(&form);
        group->SetFieldName(QStringLiteral("GRUPA"));
        group->SetSize(10);
        group->SetDataSet(ds);
        return ds;
    }
    TFIBIntegerField* id = nullptr;
    TFIBStringField* name = nullptr;
    TFIBIntegerField* course = nullptr;
    TFIBStringField* group = nullptr;
};

TEST_F(FieldTest, DeclaredFieldsBindByNameAndShowTheirLabelsAndWidths) {
    TpFIBDataSet* ds = Students();
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(ds->FieldCount(), 4);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("familiya")), name);
    EXPECT_EQ(name->DisplayLabel(), QStringLiteral("_LAST_NAME_"));
    EXPECT_EQ(group->DisplayLabel(), QStringLiteral("GRUPA"));
    name->SetDisplayLabel(QStringLiteral("FAMILIYA"));
    EXPECT_EQ(name->DisplayName(), QStringLiteral("FAMILIYA"));
    EXPECT_EQ(group->DisplayWidth(), 10);
    EXPECT_EQ(course->DisplayWidth(), 11);
    EXPECT_EQ(id->DisplayWidth(), 10);
    EXPECT_EQ(course->Alignment(), taRightJustify);
    EXPECT_EQ(name->FieldNo(), 2);
    EXPECT_EQ(name->AsString(), QString::fromUtf8("Шевченко"));
    EXPECT_EQ(course->AsInteger(), 1);
    EXPECT_EQ(course->AsVariant(), Variant(int32_t{1}));
    EXPECT_EQ(course->DisplayText(), QStringLiteral("1"));
    EXPECT_TRUE(course->AsBoolean());
    EXPECT_EQ(group->AsString(), QString::fromUtf8("ФКН-11"));
    EXPECT_TRUE(name->CanModify());
    EXPECT_EQ(MessageOf([&] { ds->FieldByName(QStringLiteral("IMYA")); }),
              QStringLiteral("student_dataset: Field 'IMYA' not found"));
    EXPECT_EQ(MessageOf([&] { course->AsDateTime(); }),
              QStringLiteral("Cannot access field '_COURSE_' as type DateTime"));
    EXPECT_EQ(MessageOf([&] { name->SetFieldName(QStringLiteral("X")); }),
              QStringLiteral("student_dataset: Cannot perform this operation on an open dataset"));
    ds->Close();
    EXPECT_EQ(id->FieldNo(), 0) << "unbound when closed";
    EXPECT_EQ(ds->FieldCount(), 4) << "declared fields stay";
    EXPECT_EQ(MessageOf([&] { group->SetFieldName(QStringLiteral("familiya")); }),
              QStringLiteral("student_dataset: Duplicate field name 'familiya'"));
}

TEST_F(FieldTest, BindingFailsForAMissingColumnOrAnotherTypeClass) {
    TpFIBDataSet* ds = NewDataSet(QStringLiteral("SELECT S_ID, GRUPA FROM STUDENT"));
    auto* missing = new TFIBIntegerField(&form);
    missing->SetFieldName(QStringLiteral("KURS"));
    missing->SetDataSet(ds);
    EXPECT_EQ(MessageOf([&] { ds->Open(); }), QStringLiteral("ds: Field 'KURS' not found"));
    EXPECT_FALSE(ds->Active());
    missing->SetFieldName(QStringLiteral("GRUPA"));
    EXPECT_EQ(
        MessageOf([&] { ds->Open(); }),
        QStringLiteral("ds: Type mismatch for field 'GRUPA', expecting: Integer actual: String"));
    EXPECT_FALSE(ds->Active());
}

TEST_F(FieldTest, AStoredTextLongerThanItsFieldIsError74) {
    TpFIBDataSet* ds = NewDataSet(QStringLiteral("SELECT NAZVA FROM FAKULTET WHERE F_ID = 1"));
    auto* shortName = new TFIBStringField(&form);
    shortName->SetFieldName(QStringLiteral("NAZVA"));
    shortName->SetSize(5);
    shortName->SetDataSet(ds);
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(MessageOf([&] { shortName->AsString(); }),
              QStringLiteral("Field Size too small. Field ds.NAZVA"));
}

TEST_F(FieldTest, WritesValidateAndReportTheirFailures) {
    TpFIBDataSet* ds = Students();
    EXPECT_SQL(ds->Open());
    EXPECT_EQ(MessageOf([&] { course->SetAsInteger(2); }),
              QStringLiteral("DataSet not in Edit or Insert mode.(frm.student_dataset)"));
    EXPECT_SQL(ds->Edit());

    struct Case {
        const char* what;
        std::function<void()> write;
        QString message;
    };
    const std::vector<Case> cases = {
        {"letters into an integer", [&] { course->SetText(QStringLiteral("abc")); },
         QStringLiteral("'abc' is not a valid integer value for field '_COURSE_'")},
        {"beyond 32 bits", [&] { course->SetAsString(QStringLiteral("3000000000")); },
         QStringLiteral("3000000000 is not a valid value for field '_COURSE_'. The allowed range "
                        "is -2147483648 to 2147483647")},
        {"outside MinValue..MaxValue",
         [&] {
             course->MinValue = 1;
             course->MaxValue = 6;
             course->SetAsInteger(7);
         },
         QStringLiteral(
             "7 is not a valid value for field '_COURSE_'. The allowed range is 1 to 6")},
        {"a character outside WIN1251", [&] { name->SetAsString(QString::fromUtf8("Ли中")); },
         QStringLiteral("The character '中' (U+4E2D) cannot be stored in field '_LAST_NAME_': the "
                        "connection character set WIN1251 has no such character")},
        {"a character beyond the basic plane", [&] { group->SetText(QString::fromUtf8("Г😀")); },
         QStringLiteral("The character '😀' (U+1F600) cannot be stored in field 'GRUPA': the "
                        "connection character set WIN1251 has no such character")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageOf(c.write), c.message) << c.what;
    course->MinValue = course->MaxValue = 0;
    EXPECT_EQ(course->AsInteger(), 1) << "refused writes keep the value";
    EXPECT_EQ(name->AsString(), QString::fromUtf8("Шевченко"));
    EXPECT_EQ(group->AsString(), QString::fromUtf8("ФКН-11"));

    EXPECT_SQL(course->SetText(QString()));
    EXPECT_TRUE(course->IsNull()) << "empty text makes an integer null";
    EXPECT_EQ(course->DisplayText(), QString());
    EXPECT_EQ(course->AsInteger(), 0);
    EXPECT_SQL(course->SetAsFloat(2.6));
    EXPECT_EQ(course->AsInteger(), 3) << "floats round to the nearest integer";

    EXPECT_TRUE(group->EmptyStrToNull()) << "taken from the dataset's psSetEmptyStrToNull";
    EXPECT_SQL(group->SetText(QString()));
    EXPECT_TRUE(group->IsNull());
    group->SetEmptyStrToNull(false);
    EXPECT_SQL(group->SetText(QString()));
    EXPECT_FALSE(group->IsNull());
    EXPECT_EQ(group->AsString(), QString());

    EXPECT_SQL(group->SetAsString(QString::fromUtf8("Група-1234567890")));
    EXPECT_EQ(group->AsString(), QString::fromUtf8("Група-1234")) << "cut at the column length";
    EXPECT_SQL(group->SetAsString(QString::fromUtf8("ФФ-21   ")));
    EXPECT_EQ(group->AsString(), QString::fromUtf8("ФФ-21"));
    EXPECT_SQL(name->SetAsString(QString::fromUtf8("Ґонта-Їжак")));
    EXPECT_EQ(name->AsString(), QString::fromUtf8("Ґонта-Їжак"));
    EXPECT_SQL(ds->Post());
    EXPECT_EQ(group->AsString(), QString::fromUtf8("ФФ-21")) << "posted and read back";
}

TEST_F(FieldTest, FloatsAndDatesAsText) {
    TpFIBDataSet* ds = NewDataSet(
        QStringLiteral("SELECT OCINKA, VREMA, CAST(VREMA AS DATE) AS DAY_ONLY, NUM FROM RESULTAT "
                       "JOIN MANY_ROWS ON MANY_ROWS.ID = 2 WHERE R_ID = 1"));
    ds->SetUpdateSQL({QStringLiteral("UPDATE RESULTAT SET OCINKA = :OCINKA WHERE R_ID = 1")});
    EXPECT_SQL(ds->Open());
    TField* score = ds->FieldByName(QStringLiteral("OCINKA"));
    TField* when = ds->FieldByName(QStringLiteral("VREMA"));
    TField* num = ds->FieldByName(QStringLiteral("NUM"));
    EXPECT_EQ(score->AsString(), QStringLiteral("87.5"));
    EXPECT_EQ(score->Alignment(), taRightJustify);
    EXPECT_EQ(when->DisplayWidth(), 18);
    EXPECT_EQ(when->AsDateTime(), EncodeDateTime(QDate(2025, 10, 14), QTime(9, 30)));
    EXPECT_EQ(when->AsString(), DateTimeToStr(when->AsDateTime()));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("DAY_ONLY"))->DataType(), ftDate);
    auto* numeric = dynamic_cast<TNumericField*>(num);
    ASSERT_NE(numeric, nullptr);
    EXPECT_EQ(numeric->DisplayFormat(), QStringLiteral("#,##0.00")) << "scaled columns get formats";
    EXPECT_EQ(numeric->EditFormat(), QStringLiteral("0.00"));
    EXPECT_EQ(dynamic_cast<TDateTimeField*>(when)->DisplayFormat(),
              QStringLiteral("dd.mm.yyyy hh:mm AMPM"));

    EXPECT_SQL(ds->Edit());
    EXPECT_EQ(MessageOf([&] { score->SetAsString(QStringLiteral("8x")); }),
              QStringLiteral("'8x' is not a valid floating point value for field 'OCINKA'"));
    EXPECT_SQL(score->SetAsString(QString()));
    EXPECT_TRUE(score->IsNull());
    EXPECT_EQ(MessageOf([&] { when->SetAsString(QStringLiteral("tomorrow-ish")); }),
              QStringLiteral("''tomorrow-ish'' is not a valid date and time"));
    EXPECT_SQL(when->SetAsString(QString()));
    EXPECT_TRUE(when->IsNull());
    EXPECT_SQL(num->SetAsFloat(1.006));
    EXPECT_DOUBLE_EQ(num->AsFloat(), 1.01) << "rounded to the column's scale";
    EXPECT_EQ(MessageOf([&] { num->SetAsFloat(3e7); }),
              QStringLiteral("30000000 is not a valid value for field 'NUM'. The allowed range is "
                             "-21474836.47 to 21474836.47"));
    ds->Cancel();
    EXPECT_EQ(score->AsFloat(), 87.5) << "cancel restores the record";
}

} // namespace

namespace {

// The program's date-time display format, under a locale with AM and PM
// designators and under one without: there the clock stays at 24 hours.
TEST_F(FieldTest, DateTimeDisplayFormatFollowsTheLocalesDesignators) {
    TpFIBDataSet* ds = NewDataSet(
        QStringLiteral("SELECT CAST('2009-12-22 13:05:00' AS TIMESTAMP) AS AFTERNOON, "
                       "CAST('2009-12-22 00:30:00' AS TIMESTAMP) AS NIGHT FROM RDB$DATABASE"));
    EXPECT_SQL(ds->Open());
    TField* afternoon = ds->FieldByName(QStringLiteral("AFTERNOON"));
    TField* night = ds->FieldByName(QStringLiteral("NIGHT"));
    const TFormatSettings saved = FormatSettings();
    struct Locale {
        const char* name;
        QString am, pm;
        QChar timeSeparator;
        QString afternoon, night;
    };
    const std::vector<Locale> locales = {
        {"with designators", QStringLiteral("AM"), QStringLiteral("PM"), u':',
         QStringLiteral("22.12.2009 01:05 PM"), QStringLiteral("22.12.2009 12:30 AM")},
        {"without designators", QString(), QString(), u'.', QStringLiteral("22.12.2009 13.05 "),
         QStringLiteral("22.12.2009 00.30 ")},
    };
    for (const Locale& l : locales) {
        FormatSettings().TimeAMString = l.am;
        FormatSettings().TimePMString = l.pm;
        FormatSettings().TimeSeparator = l.timeSeparator;
        FormatSettings().DateSeparator = u'.';
        EXPECT_EQ(afternoon->DisplayText(), l.afternoon) << l.name;
        EXPECT_EQ(night->DisplayText(), l.night) << l.name;
    }
    FormatSettings() = saved;
}

} // namespace
