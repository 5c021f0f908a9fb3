#pragma once
// The field classes of the SQL-backed dataset: the generic fields with the
// server's ways (empty text as null, Boolean reading of integers, rounding to
// a column's scale, milliseconds shown).

#include "dataset/DBFields.h"

class TFIBStringField : public TStringField {
public:
    explicit TFIBStringField(TComponent* owner = nullptr);
    // Takes the dataset's psSetEmptyStrToNull on attaching unless set
    // explicitly.
    bool EmptyStrToNull() const { return emptyStrToNull_; }
    void SetEmptyStrToNull(bool on);
    // Called by the dataset when the field attaches.
    void TakeDataSetDefault(bool emptyStrToNull);

protected:
    void SetAsStringValue(const QString& value) override;

private:
    bool emptyStrToNull_ = false;
    bool emptyStrToNullStored_ = false;
};

class TFIBIntegerField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;

protected:
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
};

class TFIBSmallIntField : public TSmallintField {
public:
    using TSmallintField::TSmallintField;

protected:
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
};

class TFIBLargeIntField : public TLargeintField {
public:
    using TLargeintField::TLargeintField;
};

class TFIBFloatField : public TFloatField {
public:
    using TFloatField::TFloatField;
    bool RoundByScale = true;

protected:
    QString TextValue(bool displayText) const override;
    void WriteValue(double value) override;
};

class TFIBBCDField : public TBCDField {
public:
    using TBCDField::TBCDField;
};

class TFIBDateTimeField : public TDateTimeField {
public:
    using TDateTimeField::TDateTimeField;
    bool ShowMsec = false;

protected:
    QString TextValue(bool displayText) const override;
};

class TFIBDateField : public TDateField {
public:
    using TDateField::TDateField;
};

class TFIBTimeField : public TTimeField {
public:
    using TTimeField::TTimeField;
    bool ShowMsec = false;

protected:
    QString TextValue(bool displayText) const override;
};

class TFIBBooleanField : public TBooleanField {
public:
    using TBooleanField::TBooleanField;
};

class TFIBBlobField : public TBlobField {
public:
    using TBlobField::TBlobField;
};

class TFIBMemoField : public TMemoField {
public:
    using TMemoField::TMemoField;
};
