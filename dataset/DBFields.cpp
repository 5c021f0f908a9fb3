// Field objects: the base field, string, Boolean and blob fields.

#include "dataset/DBFields.h"
#include "dataset/FieldTextBridge.h"

#include "base/Format.h"
#include "base/FormatSettings.h"

#include <algorithm>
#include <vector>

QString FieldTypeName(TFieldType type) {
    static const char* const names[] = {"Unknown",  "String",   "Smallint", "Integer", "Word",
                                        "Boolean",  "Float",    "Currency", "BCD",     "Date",
                                        "Time",     "DateTime", "Bytes",    "Blob",    "Memo",
                                        "Largeint", "Guid"};
    return QString::fromLatin1(names[type]);
}

// ---------------------------------------------------------------------------
// TField

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
    if (dataSet_)
        dataSet_->DetachField(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->CheckInactive();
    if (dataSet) {
        dataSet->CheckInactive();
        if (!fieldName_.isEmpty() && dataSet->FindField(fieldName_))
            DatabaseError(FormatText(QStringLiteral("Duplicate field name '%s'"), {fieldName_}),
                          dataSet->Name());
    }
    if (dataSet_)
        dataSet_->DetachField(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AttachField(this);
}

void TField::SetFieldName(const QString& name) {
    if (dataSet_) {
        dataSet_->CheckInactive();
        TField* other = dataSet_->FindField(name);
        if (other && other != this)
            DatabaseError(FormatText(QStringLiteral("Duplicate field name '%s'"), {name}),
                          dataSet_->Name());
    }
    fieldName_ = name;
    if (displayLabel_ == name)
        displayLabel_.clear();
}

void TField::SetDisplayLabel(const QString& label) {
    const QString stored = label == fieldName_ ? QString() : label;
    if (stored == displayLabel_)
        return;
    displayLabel_ = stored;
    PropertyChanged(true);
}

void TField::SetDisplayWidth(int width) {
    if (width == displayWidth_)
        return;
    displayWidth_ = width;
    PropertyChanged(true);
}

void TField::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    PropertyChanged(true);
}

void TField::SetReadOnly(bool readOnly) {
    if (readOnly == readOnly_)
        return;
    readOnly_ = readOnly;
    PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    PropertyChanged(false);
}

int TField::Index() const {
    if (!dataSet_)
        return -1;
    const auto& list = dataSet_->FieldList();
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TField::SetIndex(int index) {
    if (dataSet_ && index != Index())
        dataSet_->MoveField(this, index);
}

void TField::PropertyChanged(bool layout) {
    if (dataSet_ && dataSet_->Active())
        dataSet_->DataEvent(layout ? dnLayoutChange : dnDataSetChange);
}

bool TField::GetData(void* buffer) const {
    if (!dataSet_)
        DatabaseError(FormatText(QStringLiteral("Field '%s' has no dataset"), {DisplayName()}));
    return dataSet_->GetFieldData(this, buffer);
}

void TField::SetData(const void* buffer) {
    if (!dataSet_)
        DatabaseError(FormatText(QStringLiteral("Field '%s' has no dataset"), {DisplayName()}));
    if (OnValidate)
        OnValidate(*this);
    dataSet_->SetFieldData(this, buffer);
    if (OnChange)
        OnChange(*this);
}

bool TField::IsNull() const {
    return !GetData(nullptr);
}

void TField::Clear() {
    SetData(nullptr);
}

bool TField::CanModify() const {
    return fieldNo_ > 0 && !readOnly_ && dataSet_ && dataSet_->CanModify();
}

bool TField::IsValidChar(QChar ch) const {
    return ch.isPrint() || ch == u'\t';
}

QString TField::DisplayText() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, true);
        return text;
    }
    return TextValue(true);
}

QString TField::Text() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, false);
        return text;
    }
    return TextValue(false);
}

void TField::SetText(const QString& text) {
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

QString TField::TextValue(bool) const {
    return GetAsString();
}

void TField::AccessError(const QString& typeName) const {
    DatabaseError(FormatText(QStringLiteral("Cannot access field '%s' as type %s"),
                             {DisplayName(), typeName}));
}

void TField::RangeError(double value, double min, double max) const {
    DatabaseError(FormatText(
        QStringLiteral("%s is not a valid value for field '%s'. The allowed range is %s to %s"),
        {FloatToStr(value), DisplayName(), FloatToStr(min), FloatToStr(max)}));
}

// Reads through a type the class does not support fail by name.
QString TField::GetAsString() const {
    AccessError(QStringLiteral("String"));
}
void TField::SetAsStringValue(const QString&) {
    AccessError(QStringLiteral("String"));
}
int32_t TField::GetAsInteger() const {
    AccessError(QStringLiteral("Integer"));
}
void TField::SetAsIntegerValue(int32_t) {
    AccessError(QStringLiteral("Integer"));
}
int64_t TField::GetAsLargeInt() const {
    AccessError(QStringLiteral("Largeint"));
}
void TField::SetAsLargeIntValue(int64_t) {
    AccessError(QStringLiteral("Largeint"));
}
double TField::GetAsFloat() const {
    AccessError(QStringLiteral("Float"));
}
void TField::SetAsFloatValue(double) {
    AccessError(QStringLiteral("Float"));
}
double TField::GetAsDateTime() const {
    AccessError(QStringLiteral("DateTime"));
}
void TField::SetAsDateTimeValue(double) {
    AccessError(QStringLiteral("DateTime"));
}
bool TField::GetAsBoolean() const {
    AccessError(QStringLiteral("Boolean"));
}
void TField::SetAsBooleanValue(bool) {
    AccessError(QStringLiteral("Boolean"));
}
Variant TField::GetAsVariantValue() const {
    AccessError(QStringLiteral("Variant"));
}

Variant TField::AsVariant() const {
    if (IsNull())
        return Variant::Null();
    return GetAsVariantValue();
}

void TField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetVariantValue(value);
}

void TField::SetVariantValue(const Variant& value) {
    switch (value.Type()) {
    case TVarType::varBoolean:
        SetAsBoolean(value.ToBool());
        break;
    case TVarType::varInt64:
    case TVarType::varLongWord:
        SetAsLargeInt(value.ToInt64());
        break;
    case TVarType::varShortInt:
    case TVarType::varByte:
    case TVarType::varSmallint:
    case TVarType::varWord:
    case TVarType::varInteger:
        SetAsInteger(value.ToInt32());
        break;
    case TVarType::varSingle:
    case TVarType::varDouble:
    case TVarType::varCurrency:
        SetAsFloat(value.ToDouble());
        break;
    case TVarType::varDate:
        SetAsDateTime(value.ToDateTime());
        break;
    default:
        SetAsString(value.ToString());
        break;
    }
}

// ---------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    SetSize(20);
}

bool TStringField::ReadBytes(QByteArray* bytes) const {
    std::vector<char> buffer(static_cast<size_t>(DataSize()) + 1, 0);
    if (!GetData(buffer.data()))
        return false;
    *bytes = QByteArray(buffer.data());
    return true;
}

void TStringField::WriteBytes(const QByteArray& bytes) {
    QByteArray cut = bytes.left(Size());
    SetData(cut.constData());
}

QString TStringField::GetAsString() const {
    QByteArray bytes;
    if (!ReadBytes(&bytes))
        return QString();
    return DataSet()->DecodeFieldText(bytes);
}

void TStringField::SetAsStringValue(const QString& value) {
    if (DataSet())
        DataSet()->CheckFieldText(this, value);
    WriteBytes(DataSet() ? DataSet()->EncodeFieldText(value) : QByteArray());
}

QString TStringField::TextValue(bool) const {
    return GetAsString();
}

int32_t TStringField::GetAsInteger() const {
    const int64_t v = GetAsLargeInt();
    if (v < INT32_MIN || v > INT32_MAX)
        DatabaseError(
            FormatText(QStringLiteral("'%s' is not a valid integer value"), {GetAsString()}));
    return static_cast<int32_t>(v);
}

void TStringField::SetAsIntegerValue(int32_t value) {
    SetAsString(QString::number(value));
}

int64_t TStringField::GetAsLargeInt() const {
    const QString text = GetAsString();
    int64_t v = 0;
    if (!ParseFieldInteger(text, &v))
        DatabaseError(FormatText(QStringLiteral("'%s' is not a valid integer value"), {text}));
    return v;
}

double TStringField::GetAsFloat() const {
    const QString text = GetAsString();
    double v = 0;
    if (!ParseFieldFloat(text, &v))
        DatabaseError(
            FormatText(QStringLiteral("'%s' is not a valid floating point value"), {text}));
    return v;
}

void TStringField::SetAsFloatValue(double value) {
    SetAsString(FloatToStr(value));
}

double TStringField::GetAsDateTime() const {
    const QString text = GetAsString();
    double v = 0;
    if (!ParseFieldDateTime(text, TFieldDateKind::DateTime, &v))
        DatabaseError(InvalidFieldDateTime(text, TFieldDateKind::DateTime));
    return v;
}

void TStringField::SetAsDateTimeValue(double value) {
    SetAsString(DateTimeToStr(value));
}

bool TStringField::GetAsBoolean() const {
    const QString text = GetAsString();
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0).toUpper();
    return c == u'T' || c == u'Y';
}

Variant TStringField::GetAsVariantValue() const {
    return Variant(GetAsString());
}

// ---------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
    SetDataType(ftBoolean);
}

bool TBooleanField::GetAsBoolean() const {
    uint8_t v = 0;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBooleanValue(bool value) {
    const uint8_t v = value ? 1 : 0;
    SetData(&v);
}

QString TBooleanField::GetAsString() const {
    uint8_t v = 0;
    if (!GetData(&v))
        return QString();
    return v ? QStringLiteral("True") : QStringLiteral("False");
}

QString TBooleanField::TextValue(bool) const {
    return GetAsString();
}

void TBooleanField::SetAsStringValue(const QString& value) {
    const QString t = value.trimmed();
    if (t.isEmpty()) {
        Clear();
        return;
    }
    if (QStringLiteral("true").startsWith(t, Qt::CaseInsensitive))
        SetAsBoolean(true);
    else if (QStringLiteral("false").startsWith(t, Qt::CaseInsensitive))
        SetAsBoolean(false);
    else
        DatabaseError(FormatText(QStringLiteral("'%s' is not a valid boolean value for field '%s'"),
                                 {value, DisplayName()}));
}

int32_t TBooleanField::GetAsInteger() const {
    return GetAsBoolean() ? 1 : 0;
}

void TBooleanField::SetAsIntegerValue(int32_t value) {
    SetAsBoolean(value != 0);
}

Variant TBooleanField::GetAsVariantValue() const {
    return Variant(GetAsBoolean());
}

// ---------------------------------------------------------------------------
// TBlobField, TMemoField

TBlobField::TBlobField(TComponent* owner) : TField(owner) {
    SetDataType(ftBlob);
}

QByteArray TBlobField::AsBytes() const {
    QByteArray data;
    if (!DataSet())
        DatabaseError(FormatText(QStringLiteral("Field '%s' has no dataset"), {DisplayName()}));
    DataSet()->GetBlobData(this, &data);
    return data;
}

QString TBlobField::GetAsString() const {
    return DataSet() ? DataSet()->DecodeFieldText(AsBytes()) : QString();
}

void TBlobField::SetAsStringValue(const QString& value) {
    if (!DataSet())
        DatabaseError(FormatText(QStringLiteral("Field '%s' has no dataset"), {DisplayName()}));
    DataSet()->CheckFieldText(this, value);
    DataSet()->SetBlobData(this, DataSet()->EncodeFieldText(value));
}

QString TBlobField::TextValue(bool) const {
    return IsNull() ? QString() : QStringLiteral("(BLOB)");
}

Variant TBlobField::GetAsVariantValue() const {
    return Variant::ByteArray(AsBytes());
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) {
    SetDataType(ftMemo);
}

QString TMemoField::TextValue(bool displayText) const {
    if (displayText)
        return IsNull() ? QString() : QStringLiteral("(MEMO)");
    return GetAsString();
}
