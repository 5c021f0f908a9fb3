// The automatic update options of the program's dataset: a new record's key
// from the generator, the columns' defaults from the table description cache,
// then OnNewRecord; and at post, a generated key the server refused drawn
// afresh and other users' committed changes taken into an edited row.

#include "base/FormatSettings.h"
#include "dataset/FIBDataSetEdit.h"
#include "dataset/FIBTableDescriptions.h"
#include "dataset/pFIBDataSet.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBErrorKinds.h"
#include "fib/fib.h"

#include <QDateTime>
#include <algorithm>

#include <cmath>

void TAutoUpdateOptions::SetUpdateTableName(const QString& name) {
    updateTableName_ = name;
    if (GeneratorName.isEmpty() && WhenGetGenID != wgNever && !name.trimmed().isEmpty())
        GeneratorName = QStringLiteral("GEN_") + name.trimmed() + QStringLiteral("_ID");
}

namespace {

bool IsNumericType(TFieldType t) {
    switch (t) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftLargeint:
        return true;
    default:
        return false;
    }
}

bool IsDateTimeType(TFieldType t) {
    return t == ftDate || t == ftTime || t == ftDateTime;
}

QString UpperAsciiLetters(const QString& s) {
    QString out = s;
    for (QChar& c : out)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return out;
}

// The quoted form in which a string column's default is kept as a field's
// default expression; '' marks the empty string.
QString QuotedDefault(const QString& text) {
    return QStringLiteral("'") + text + QStringLiteral("'");
}

bool IsDateKeyword(const QString& upper) {
    static const char* const keywords[] = {
        "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_DATE", "NULL", "NOW",
        "TODAY",        "TOMORROW",          "YESTERDAY"};
    for (const char* k : keywords)
        if (upper == QLatin1String(k))
            return true;
    return false;
}

// A literal date or time default ('2024-01-31', '12:30:00') in the local
// format, so that the field's own parser reads it back.
QString LocalDateTimeText(const QString& literal, TFieldType type) {
    const QString t = literal.trimmed();
    if (type == ftTime) {
        const QTime time = QTime::fromString(t, Qt::ISODateWithMs);
        return time.isValid() ? time.toString(FormatSettings().LongTimeFormat) : literal;
    }
    QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!dt.isValid())
        dt = QDateTime::fromString(QString(t).replace(u' ', u'T'), Qt::ISODateWithMs);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid())
            return literal;
        dt = QDateTime(d, QTime(0, 0));
    }
    if (type == ftDate || dt.time() == QTime(0, 0))
        return dt.date().toString(FormatSettings().ShortDateFormat);
    return dt.date().toString(FormatSettings().ShortDateFormat) + u' ' +
           dt.time().toString(FormatSettings().LongTimeFormat);
}

} // namespace

void TpFIBDataSet::ImportDefaultValues() {
    if (!(PrepareOptions() & pfImportDefaultValues) || !Database())
        return;
    TFIBXSQLDA& row = SelectQuery().Current();
    for (TField* f : FieldList()) {
        if (f->FieldKind() != fkData || f->FieldNo() <= 0 || f->FieldNo() > row.Count())
            continue;
        const XSQLVAR* v = row[f->FieldNo() - 1].Data();
        const QString table = QString::fromLatin1(v->relname, v->relname_length).trimmed();
        const QString column = QString::fromLatin1(v->sqlname, v->sqlname_length).trimmed();
        if (table.isEmpty() || column.isEmpty())
            continue;
        const TFIBTableDescriptionPtr d =
            TFIBTableDescriptions::Instance().Describe(*Database(), table);
        const TFIBColumnDescription* c = d->FindColumn(column);
        if (!c || !c->HasDefault)
            continue;
        const QString& text = c->DefaultText;
        const TFieldType type = f->DataType();
        if (IsNumericType(type)) {
            const QChar sep = FormatSettings().DecimalSeparator;
            if (sep == u'.') {
                bool number = false;
                text.toDouble(&number);
                if (number)
                    f->DefaultExpression = text;
            } else {
                f->DefaultExpression = QString(text).replace(u'.', sep);
            }
        } else if (IsDateTimeType(type)) {
            const QString upper = UpperAsciiLetters(text.trimmed());
            f->DefaultExpression = IsDateKeyword(upper) ? upper : LocalDateTimeText(text, type);
        } else if (type == ftBoolean) {
            f->DefaultExpression = text == QStringLiteral("1")   ? QStringLiteral("True")
                                   : text == QStringLiteral("0") ? QStringLiteral("False")
                                                                 : text;
        } else if (type == ftString) {
            // Only a literal is quoted: a keyword default (NULL, USER,
            // CURRENT_ROLE) stays a keyword for the new-record step.
            f->DefaultExpression =
                c->DefaultIsLiteral || text.isEmpty() ? QuotedDefault(text) : text;
        } else {
            f->DefaultExpression = text;
        }
    }
}

bool TpFIBDataSet::EmptyStringIsDefault(const TField* field) const {
    if (!field || !Database() || field->FieldNo() <= 0 ||
        field->FieldNo() > SelectQuery().Current().Count())
        return false;
    const TFIBXSQLVAR& var = SelectQuery().Current()[field->FieldNo() - 1];
    if (var.IsNullable())
        return false;
    const XSQLVAR* v = var.Data();
    const QString table = QString::fromLatin1(v->relname, v->relname_length).trimmed();
    const QString column = QString::fromLatin1(v->sqlname, v->sqlname_length).trimmed();
    if (table.isEmpty())
        return false;
    const TFIBTableDescriptionPtr d =
        TFIBTableDescriptions::Instance().Cached(Database()->DBName(), table);
    const TFIBColumnDescription* c = d ? d->FindColumn(column) : nullptr;
    return c && c->DefaultIsEmptyString();
}

TField* TpFIBDataSet::GeneratorKeyField() const {
    TField* key = FindField(AutoUpdateOptions.KeyFields);
    if (!key || !IsNumericType(key->DataType()) || !key->IsNull())
        return nullptr;
    return key;
}

bool TpFIBDataSet::FetchGeneratorValue() {
    if (AutoUpdateOptions.WhenGetGenID == wgNever)
        return false;
    if (!Database())
        FIBError(fibeDatabaseNotAssigned, {FullComponentName(this)});
    TField* key = GeneratorKeyField();
    if (!key)
        return false;
    const int64_t value = Database()->GeneratorValue(
        AutoUpdateOptions.GeneratorName, AutoUpdateOptions.GeneratorStep, Transaction());
    if (key->DataType() == ftLargeint || (key->DataType() == ftBCD && key->Size() == 0))
        key->SetAsLargeInt(value);
    else
        key->SetAsInteger(static_cast<int32_t>(value));
    return true;
}

void TpFIBDataSet::DoOnNewRecord() {
    TField* generated = nullptr;
    hasGeneratedKey_ = false;
    generatedKeyRefused_ = false;
    if (AutoUpdateOptions.WhenGetGenID == wgOnNewRecord) {
        TField* key = Database() ? GeneratorKeyField() : nullptr;
        if (FetchGeneratorValue()) {
            generated = key;
            hasGeneratedKey_ = true;
            generatedKey_ = key->AsLargeInt();
        }
    } else if (AutoUpdateOptions.WhenGetGenID == wgBeforePost) {
        if (TField* key = FindField(AutoUpdateOptions.KeyFields))
            key->SetRequired(false);
    }
    for (TField* f : FieldList()) {
        if (f == generated || f->FieldKind() != fkData)
            continue;
        if (f->DataType() == ftString && f->DefaultExpression == QStringLiteral("''")) {
            f->SetAsString(QString());
            continue;
        }
        if (!f->DefaultExpression.isEmpty())
            ApplyDefaultExpression(*f);
    }
    TFIBDataSet::DoOnNewRecord();
}

void TpFIBDataSet::ApplyDefaultExpression(TField& f) {
    const QString expression = f.DefaultExpression;
    const QString upper = UpperAsciiLetters(expression.trimmed());
    if (OnApplyDefaultValue && OnApplyDefaultValue(f, upper))
        return;
    if (upper == QStringLiteral("NULL"))
        return;
    const TFieldType type = f.DataType();
    if (IsDateTimeType(type)) {
        const QDateTime now = QDateTime::currentDateTime();
        const double offset = Database() ? Database()->ServerTimeOffset() : 0;
        const double serverNow = EncodeDateTime(now.date(), now.time()) - offset;
        const double today = std::floor(serverNow);
        if (upper == QStringLiteral("NOW") || upper == QStringLiteral("CURRENT_TIME") ||
            upper == QStringLiteral("CURRENT_TIMESTAMP"))
            f.SetAsDateTime(serverNow);
        else if (upper == QStringLiteral("TODAY") || upper == QStringLiteral("CURRENT_DATE"))
            f.SetAsDateTime(today);
        else if (upper == QStringLiteral("TOMORROW"))
            f.SetAsDateTime(today + 1);
        else if (upper == QStringLiteral("YESTERDAY"))
            f.SetAsDateTime(today - 1);
        else
            f.SetAsString(expression);
        return;
    }
    if (type == ftString) {
        if (upper == QStringLiteral("USER") || upper == QStringLiteral("CURRENT_USER")) {
            f.SetAsString(Database() ? Database()->ConnectParams().UserName() : QString());
        } else if (upper == QStringLiteral("ROLE") || upper == QStringLiteral("CURRENT_ROLE")) {
            f.SetAsString(Database() ? Database()->ConnectParams().RoleName() : QString());
        } else {
            const QString t = expression.trimmed();
            // The literal keeps its own letter case: only keywords are
            // compared upper-cased.
            if (t.size() >= 2 && t.front() == u'\'' && t.back() == u'\'')
                f.SetAsString(t.mid(1, t.size() - 2));
            else
                f.SetAsString(expression);
        }
        return;
    }
    f.SetAsString(expression);
}

void TpFIBDataSet::DoBeforePost() {
    if (State() == stInsert && AutoUpdateOptions.WhenGetGenID == wgBeforePost)
        FetchGeneratorValue();
    if (State() == stInsert && generatedKeyRefused_) {
        generatedKeyRefused_ = false;
        TField* key = FindField(AutoUpdateOptions.KeyFields);
        if (key && !key->IsNull() && key->AsLargeInt() == generatedKey_) {
            key->Clear();
            if (FetchGeneratorValue())
                generatedKey_ = key->AsLargeInt();
        }
    }
    TFIBDataSet::DoBeforePost();
}

void TpFIBDataSet::TakeCommittedChanges() {
    std::vector<char>& old = OldValues();
    if (old.empty() || IsBlankSQL(RefreshSQL()))
        return;
    std::vector<char> committed(old);
    if (!ExecuteForRecord(RefreshQuery(), committed.data(), old.data()))
        throw EFIBRecordChangedError(this, false);
    char* typed = ActiveBuffer();
    for (int column = 0; column < ColumnCount(); ++column) {
        const Variant mine = ColumnValue(typed, column);
        if (!(mine == ColumnValue(old.data(), column)))
            continue; // the user's own change stands
        if (ColumnValue(committed.data(), column) == mine)
            continue;
        Layout().CopyColumn(committed.data(), typed, column);
        // Read anew: a post that fails and is tried again compares with
        // this, not with a value two changes old.
        Layout().CopyColumn(committed.data(), old.data(), column);
    }
}

void TpFIBDataSet::InternalPost() {
    const bool inserting = State() == stInsert;
    if (!inserting)
        TakeCommittedChanges();
    try {
        TFIBDataSet::InternalPost();
    } catch (const EFIBInterBaseError& e) {
        if (inserting && hasGeneratedKey_ && IsKeyViolation(e))
            generatedKeyRefused_ = true;
        throw;
    }
    if (inserting)
        hasGeneratedKey_ = false;
}
