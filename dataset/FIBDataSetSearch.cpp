// Searching the cache (Locate) and counting the select's rows on the server.

#include "dataset/FIBDataSet.h"

#include "fib/FIBDatabase.h"
#include "fib/SqlTxtRtns.h"
#include "fib/fib.h"

#include <cmath>
#include <vector>

namespace {

QString TrimRight(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    return text.left(n);
}

bool IsStringType(TFieldType t) {
    return t == ftString || t == ftMemo;
}

bool IsIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftLargeint || t == ftBoolean;
}

bool IsFloatType(TFieldType t) {
    return t == ftFloat || t == ftCurrency || t == ftBCD;
}

// A key value in the form it is compared in; null stays null.
Variant PrepareKey(const Variant& value, const TField* field, TLocateOptions options) {
    if (value.IsEmptyOrNull())
        return Variant::Null();
    if (value.Type() == TVarType::varBoolean)
        return Variant(static_cast<int64_t>(value.ToBool() ? 1 : 0));
    const TFieldType t = field->DataType();
    if (IsStringType(t)) {
        QString s = TrimRight(value.ToString());
        if (options & loCaseInsensitive)
            s = s.toUpper();
        return Variant(s);
    }
    if (IsIntegerType(t))
        return Variant(value.ToInt64());
    if (IsFloatType(t))
        return Variant(value.ToDouble());
    if (t == ftDate || t == ftTime || t == ftDateTime)
        return Variant::DateTime(value.ToDateTime());
    return value;
}

bool KeyMatches(const Variant& key, const Variant& value, TFieldType type, TLocateOptions options) {
    if (key.IsNull() || value.IsNull())
        return key.IsNull() && value.IsNull();
    if (IsStringType(type)) {
        const QString v = TrimRight(value.ToString());
        const QString k = key.ToString();
        const Qt::CaseSensitivity cs =
            (options & loCaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
        if (options & loPartialKey)
            return v.startsWith(k, cs);
        return v.compare(k, cs) == 0;
    }
    if (IsIntegerType(type))
        return value.ToInt64() == key.ToInt64();
    if (IsFloatType(type))
        return std::fabs(value.ToDouble() - key.ToDouble()) < 1e-11;
    if (type == ftDate || type == ftTime || type == ftDateTime)
        return value.ToDateTime() == key.ToDateTime();
    return value == key;
}

} // namespace

bool TFIBCustomDataSet::Locate(const QString& keyFields, const Variant& keyValues,
                               TLocateOptions options) {
    CheckActive();
    if (IsEmpty())
        return false;
    EnsureBrowse();
    std::vector<TField*> fields;
    for (const QString& name : keyFields.split(u';', Qt::SkipEmptyParts))
        fields.push_back(FieldByName(name.trimmed()));
    if (fields.empty())
        return false;
    std::vector<Variant> keys;
    if (keyValues.Type() == TVarType::varArray) {
        for (size_t i = 0; i < fields.size(); ++i)
            keys.push_back(
                PrepareKey(i < keyValues.Items().size() ? keyValues.Items()[i] : Variant::Null(),
                           fields[i], options));
    } else {
        keys.push_back(ConvertingValue([&] { return PrepareKey(keyValues, fields[0], options); }));
        for (size_t i = 1; i < fields.size(); ++i)
            keys.push_back(Variant::Null());
    }
    std::vector<int> columns;
    for (TField* f : fields)
        columns.push_back(FieldColumn(f));

    // From the first record, or on from the current one in either direction.
    const int step = (options & loPrior) ? -1 : 1;
    int start = 0;
    if (options & (loNext | loPrior))
        start = RecordNumber() - 1 + step;
    for (int i = start; i >= 0; i += step) {
        if (i >= FetchedCount() && !FetchNext())
            break;
        if (!RecordVisible(i))
            continue;
        if (MatchesKeys(i, columns, fields, keys, options)) {
            GoToRecordNumber(i + 1, true);
            return true;
        }
    }
    return false;
}

bool TFIBCustomDataSet::MatchesKeys(int cacheIndex, const std::vector<int>& columns,
                                    const std::vector<TField*>& fields,
                                    const std::vector<Variant>& keys,
                                    TLocateOptions options) const {
    // One scratch buffer for the whole scan.
    thread_local std::vector<char> scratch;
    if (scratch.size() < static_cast<size_t>(layout_.BufferSize()))
        scratch.resize(static_cast<size_t>(layout_.BufferSize()));
    layout_.Unpack(cache_.Record(cacheIndex), scratch.data());
    for (size_t k = 0; k < fields.size(); ++k) {
        const Variant value =
            columns[k] < 0 ? Variant::Null() : ColumnValue(scratch.data(), columns[k]);
        if (!KeyMatches(keys[k], value, fields[k]->DataType(), options))
            return false;
    }
    return true;
}

QString TFIBCustomDataSet::CountText() const {
    if (OnAskRecordCount)
        return OnAskRecordCount(const_cast<TFIBCustomDataSet&>(*this));
    const QString select = selectQuery_->SQLText();
    TFIBDatabase* db = selectQuery_->Database();
    if (db && db->ServerMajorVersion() >= 2)
        return QStringLiteral("Select Count(*) from (") + select + u')';
    return CountStatementText(select);
}

int TFIBCustomDataSet::CountRecordsOnServer() {
    TFIBTransaction* tr = selectQuery_->Transaction();
    if (!tr || !tr->Active())
        return 0;
    try {
        if (countQuery_->Open())
            countQuery_->Close();
        countQuery_->SetDatabase(selectQuery_->Database());
        countQuery_->SetTransaction(tr);
        const QStringList lines = SplitSQLLines(CountText());
        if (countQuery_->SQL() != lines)
            countQuery_->SetSQL(lines);
        TFIBXSQLDA& from = selectQuery_->Params();
        for (int i = 0; i < from.Count(); ++i)
            if (TFIBXSQLVAR* p = countQuery_->FindParam(from[i].Name()))
                p->SetAsVariant(from[i].AsVariant());
        countQuery_->ExecQuery();
        TFIBXSQLDA* row = countQuery_->Next();
        const int count = row ? static_cast<int>((*row)[0].AsInt64()) : 0;
        countQuery_->Close();
        return count;
    } catch (const Exception& e) {
        if (countQuery_->Open())
            countQuery_->Close();
        FIBErrorText(QStringLiteral("%s unable to get number of records\r\n%s"),
                     {FullComponentName(this), e.Message()});
    }
}
