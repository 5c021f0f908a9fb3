#pragma once
// The dataset the program uses: the SQL-backed dataset with the field
// preparation that runs at the end of every open.

#include "dataset/FIBDataSet.h"

#include <functional>

struct TDefaultFormats {
    QString NumericDisplayFormat = QStringLiteral("#,##0.");
    QString NumericEditFormat = QStringLiteral("0.");
    QString DisplayFormatDate = QStringLiteral("dd.mm.yyyy");
    QString DisplayFormatTime = QStringLiteral("hh:mm AMPM");
    QString DateTimeDisplayFormat = QStringLiteral("dd.mm.yyyy hh:mm AMPM");
};

class TpFIBDataSet : public TFIBDataSet {
public:
    explicit TpFIBDataSet(TComponent* owner = nullptr);
    TDefaultFormats DefaultFormats;
    TAutoUpdateOptions AutoUpdateOptions;
    // Asked for a default expression before the built-in rules; true claims it.
    std::function<bool(TField&, const QString& expression)> OnApplyDefaultValue;

protected:
    void InternalOpen() override;
    // The new-record step: generator value, column defaults, OnNewRecord
    // (pFIBAutoUpdate.cpp).
    void DoOnNewRecord() override;
    void DoBeforePost() override;
    // A new record whose generated key the server refused as a duplicate
    // (the generator lags behind the table) takes a fresh value at the next
    // post, so the typed row can be saved once the generator is put right.
    void InternalPost() override;
    // pfImportDefaultValues: the columns' defaults become the fields'
    // default expressions.
    void ImportDefaultValues();
    // The key field given a generator value (the key field of KeyFields
    // when numeric and empty).
    TField* GeneratorKeyField() const;
    bool FetchGeneratorValue();
    void ApplyDefaultExpression(TField& field);
    // The column is not nullable and its default is '': an empty text is
    // then stored as such, not as null.
    bool EmptyStringIsDefault(const TField* field) const override;

private:
    // poAutoFormatFields: display and edit formats where a field has none.
    void PrepareFieldFormats();
    // The key value the generator gave the record being inserted.
    bool hasGeneratedKey_ = false;
    int64_t generatedKey_ = 0;
    bool generatedKeyRefused_ = false;
    // Before an edited row is written, every column the user did not change
    // takes the row's committed value, so that a change another user
    // committed since the row was read is not overwritten with what was read
    // before it; the update statement writes every column. A row that is
    // gone, or no longer under this dataset's master, is refused as changed
    // by another user.
    void TakeCommittedChanges();
};
