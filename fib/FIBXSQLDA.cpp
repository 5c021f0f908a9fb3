#include "fib/FIBXSQLDA.h"

#include "fib/fib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

QByteArray TFIBXSQLDefaultOwner::XSQLReadBlob(const ISC_QUAD&) {
    FIBError(fibeBlobCannotBeRead);
}

// ---------------------------------------------------------------------------
// TFIBXSQLDA

TFIBXSQLDA::TFIBXSQLDA(IFIBXSQLOwner* owner, bool isParams) : owner_(owner), isParams_(isParams) {}

TFIBXSQLDA::~TFIBXSQLDA() {
    std::free(data_);
}

void TFIBXSQLDA::SetCount(int count) {
    names_.clear();
    namesValid_ = false;
    if (count > capacity_) {
        const size_t bytes = XSQLDA_LENGTH(count);
        auto* grown = static_cast<XSQLDA*>(std::realloc(data_, bytes));
        if (!grown)
            throw std::bad_alloc();
        data_ = grown;
        std::memset(&data_->sqlvar[capacity_], 0, (count - capacity_) * sizeof(XSQLVAR));
        data_->sqldabc = static_cast<ISC_LONG>(bytes);
        for (int i = capacity_; i < count; ++i)
            vars_.push_back(std::make_unique<TFIBXSQLVAR>(this, i));
        capacity_ = count;
        // The entries may have moved: every item points at its entry again.
        for (int i = 0; i < capacity_; ++i)
            vars_[i]->Attach(&data_->sqlvar[i]);
    }
    if (!data_) {
        data_ = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(1)));
        if (!data_)
            throw std::bad_alloc();
        data_->sqldabc = static_cast<ISC_LONG>(XSQLDA_LENGTH(1));
    }
    count_ = count;
    data_->version = SQLDA_VERSION1;
    data_->sqln = static_cast<ISC_SHORT>(count);
    data_->sqld = static_cast<ISC_SHORT>(count);
}

TFIBXSQLVAR& TFIBXSQLDA::operator[](int index) const {
    if (index < 0 || index >= count_)
        FIBError(fibeXSQLDAIndexOutOfRange);
    return *vars_[index];
}

QString TFIBXSQLDA::Key(const QString& name) {
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"'))
        return name.mid(1, name.size() - 2).toUpper();
    return name.toUpper();
}

void TFIBXSQLDA::BuildNames() const {
    names_.clear();
    for (int i = 0; i < count_; ++i)
        names_[Key(vars_[i]->name_)].append(i);
    namesValid_ = true;
}

const QList<int>& TFIBXSQLDA::IndexesOf(const QString& name) const {
    static const QList<int> none;
    if (!namesValid_)
        BuildNames();
    auto it = names_.constFind(Key(name));
    return it == names_.cend() ? none : it.value();
}

TFIBXSQLVAR* TFIBXSQLDA::ByName(const QString& name) const {
    const QList<int>& indexes = IndexesOf(name);
    return indexes.isEmpty() ? nullptr : vars_[indexes.first()].get();
}

void TFIBXSQLDA::SetupColumns() {
    const TTextCodec codec = owner_->XSQLCodec(-1);
    int unnamed = 0;
    names_.clear();
    namesValid_ = true; // kept up to date while the names are chosen
    for (int i = 0; i < count_; ++i) {
        TFIBXSQLVAR& v = *vars_[i];
        v.described_ = false;
        v.TakeDescription(*v.var_);
        QString name = DecodeText(v.var_->aliasname, v.var_->aliasname_length, codec);
        if (name.isEmpty())
            name = QStringLiteral("F_") + QString::number(++unnamed);
        if (names_.contains(Key(name))) {
            const QString base = name;
            for (int n = 1;; ++n) {
                const QString digits = QString::number(n);
                QString candidate = base + digits;
                if (candidate.size() > 30)
                    candidate = base.left(32 - digits.size()) + digits;
                if (!names_.contains(Key(candidate))) {
                    name = candidate;
                    break;
                }
            }
        }
        v.name_ = name;
        names_[Key(name)].append(i);
        const QByteArray alias = EncodeText(name, codec).left(32);
        std::memset(v.var_->aliasname, 0, sizeof v.var_->aliasname);
        std::memcpy(v.var_->aliasname, alias.constData(), alias.size());
        v.var_->aliasname_length = static_cast<ISC_SHORT>(alias.size());
    }
}

void TFIBXSQLDA::TakeDescription(const XSQLDA& described) {
    const int n = std::min<int>(count_, described.sqld);
    for (int i = 0; i < n; ++i)
        vars_[i]->TakeDescription(described.sqlvar[i]);
}

void TFIBXSQLDA::CopyValuesByName(const TFIBXSQLDA& source) {
    for (int i = 0; i < source.count_; ++i) {
        const TFIBXSQLVAR& from = *source.vars_[i];
        TFIBXSQLVAR* to = ByName(from.name_);
        if (!to)
            continue;
        const short fromType = from.SQLType();
        const short toType = to->SQLType();
        const bool fromId = fromType == SQLBlob || fromType == SQLArray;
        const bool toId = toType == SQLBlob || toType == SQLArray;
        if (from.HasBlobContent()) {
            to->SetBlobContent(from.BlobContent());
        } else if (from.IsNull()) {
            to->SetIsNull(true);
        } else if (fromId && toId) {
            to->SetAsQuad(from.AsQuad());
        } else if (fromType == SQLInt64) {
            to->SetRaw(SQLInt64, sizeof(int64_t), from.var_->sqldata);
            to->SetScale(from.SQLScale());
        } else if (from.hasWide_) {
            to->SetAsWideString(from.wideText_);
        } else {
            to->SetAsVariant(from.AsVariant());
        }
    }
}

void TFIBXSQLDA::ApplyDeferred() {
    if (!hasDeferred_)
        return;
    for (int i = 0; i < count_; ++i)
        if (vars_[i]->deferred_ && vars_[i]->described_)
            vars_[i]->ApplyDeferred();
    hasDeferred_ = false;
    for (int i = 0; i < count_; ++i)
        hasDeferred_ = hasDeferred_ || vars_[i]->deferred_;
}

void TFIBXSQLDA::ClearModified() {
    for (int i = 0; i < count_; ++i)
        vars_[i]->modified_ = false;
}

void TFIBXSQLDA::ResetValues() {
    for (int i = 0; i < count_; ++i)
        vars_[i]->ind_ = -1;
}

// ---------------------------------------------------------------------------
// TFIBXSQLVAR: set-up, null, raw set

TFIBXSQLVAR::TFIBXSQLVAR(TFIBXSQLDA* list, int index) : list_(list), index_(index) {}

void TFIBXSQLVAR::Attach(XSQLVAR* var) {
    var_ = var;
    var_->sqldata = data_.empty() ? nullptr : data_.data();
    var_->sqlind = &ind_;
}

IFIBXSQLOwner& TFIBXSQLVAR::Owner() const {
    return list_->Owner();
}

void TFIBXSQLVAR::SetName(const QString& name) {
    name_ = name;
    list_->NamesChanged();
}

void TFIBXSQLVAR::SetMacro(bool quoted, const QString& defaultValue) {
    isMacro_ = true;
    isQuotedMacro_ = quoted;
    macroDefault_ = defaultValue;
}

void TFIBXSQLVAR::SetWhereFlags(bool inWhereClause, bool canForceIsNull) {
    inWhereClause_ = inWhereClause;
    canForceIsNull_ = canForceIsNull;
}

void TFIBXSQLVAR::EnsureBuffer(size_t bytes) {
    if (bytes < 1)
        bytes = 1;
    if (data_.size() < bytes)
        data_.resize(bytes);
    var_->sqldata = data_.data();
}

int XSQLDataBytes(short type, short len) {
    switch (type) {
    case SQLVarying:
        return len + 2;
    case SQLText:
        return len < 1 ? 1 : len;
    case SQLDouble:
    case SQLTimestamp:
    case SQLBlob:
    case SQLDFloat:
    case SQLArray:
    case SQLQuad:
    case SQLInt64:
        return 8;
    case SQLFloat:
    case SQLLong:
    case SQLTime:
    case SQLDate:
        return 4;
    case SQLShort:
    case SQLBooleanOld:
        return 2;
    case SQLBoolean:
        return len < 1 ? 1 : len;
    case SQLNull:
        return 1;
    default:
        return -1;
    }
}

void TFIBXSQLVAR::AllocateForType() {
    const int bytes = XSQLDataBytes(SQLType(), var_->sqllen);
    if (bytes < 0)
        FIBError(fibeUnknownSQLDataType, {static_cast<int>(SQLType())});
    EnsureBuffer(static_cast<size_t>(bytes));
    std::memset(data_.data(), 0, data_.size());
    var_->sqlind = &ind_;
    ind_ = IsNullable() ? -1 : 0;
}

void TFIBXSQLVAR::TakeDescription(const XSQLVAR& described) {
    serverType_ = described.sqltype & ~1;
    serverScale_ = described.sqlscale;
    serverSubtype_ = described.sqlsubtype;
    serverLen_ = described.sqllen;
    described_ = true;
    if (!list_->IsParams() || IsNull()) {
        var_->sqltype = static_cast<ISC_SHORT>(described.sqltype | (list_->IsParams() ? 1 : 0));
        var_->sqlscale = described.sqlscale;
        var_->sqlsubtype = described.sqlsubtype;
        var_->sqllen = described.sqllen;
        AllocateForType();
    }
}

bool TFIBXSQLVAR::IsNull() const {
    if (hasBlob_)
        return false;
    if (!list_->IsParams() && !Owner().XSQLRowAvailable())
        return true;
    const short type = SQLType();
    if (type == 0 || type == SQLNull)
        return true;
    return IsNullable() && ind_ == -1;
}

void TFIBXSQLVAR::ForLinked(const std::function<void(TFIBXSQLVAR&)>& f) {
    if (name_.isEmpty() || !list_->IsParams()) {
        f(*this);
        return;
    }
    const QList<int>& linked = list_->IndexesOf(name_);
    if (linked.size() < 2) {
        f(*this);
        return;
    }
    for (int i : linked)
        f(*list_->vars_[i]);
}

void TFIBXSQLVAR::SetIsNull(bool null) {
    ForLinked([null](TFIBXSQLVAR& v) {
        if (null) {
            v.hasBlob_ = false;
            v.blobContent_.clear();
            v.hasWide_ = false;
            v.wideText_.clear();
            v.deferred_ = false;
            if (v.SQLType() == 0) {
                v.var_->sqltype = SQLText;
                v.var_->sqllen = 0;
                v.EnsureBuffer(1);
            }
            v.var_->sqltype |= 1;
            v.ind_ = -1;
        } else {
            v.ind_ = 0;
        }
        v.modified_ = true;
    });
}

void TFIBXSQLVAR::SetRawOne(short sqlType, short length, const void* bytes) {
    const int size = XSQLDataBytes(sqlType, length);
    if (size < 0)
        FIBError(fibeUnknownSQLDataType, {static_cast<int>(sqlType)});
    var_->sqltype = static_cast<ISC_SHORT>(sqlType | (var_->sqltype & 1));
    var_->sqlscale = 0;
    var_->sqllen = length;
    EnsureBuffer(static_cast<size_t>(size));
    if (bytes && size > 0)
        std::memcpy(data_.data(), bytes, static_cast<size_t>(size));
    ind_ = 0;
    deferred_ = false;
    hasWide_ = false;
    wideText_.clear();
    hasBlob_ = false;
    blobContent_.clear();
    modified_ = true;
}

void TFIBXSQLVAR::SetRaw(short sqlType, short length, const void* bytes) {
    const bool macroWatch = isMacro_;
    const QString before = macroWatch ? AsWideString() : QString();
    ForLinked([&](TFIBXSQLVAR& v) { v.SetRawOne(sqlType, length, bytes); });
    if (macroWatch && AsWideString() != before)
        Owner().XSQLMacroChanged();
}

void TFIBXSQLVAR::SetScale(short scale) {
    ForLinked([scale](TFIBXSQLVAR& v) { v.var_->sqlscale = scale; });
}

void TFIBXSQLVAR::SetBlobContent(const QByteArray& content) {
    ForLinked([&content](TFIBXSQLVAR& v) {
        if (v.SQLType() != SQLBlob) {
            v.var_->sqltype = static_cast<ISC_SHORT>(SQLBlob | (v.var_->sqltype & 1));
            v.var_->sqllen = 8;
            v.var_->sqlscale = 0;
            v.var_->sqlsubtype = 1;
        }
        v.EnsureBuffer(8);
        std::memset(v.data_.data(), 0, 8);
        v.ind_ = 0;
        v.hasBlob_ = true;
        v.blobContent_ = content;
        v.hasWide_ = false;
        v.wideText_.clear();
        v.modified_ = true;
    });
}

void TFIBXSQLVAR::SetWrittenBlobId(const ISC_QUAD& id) {
    EnsureBuffer(sizeof id);
    std::memcpy(data_.data(), &id, sizeof id);
    ind_ = 0;
}

void TFIBXSQLVAR::Clear() {
    var_->sqltype = 0;
    var_->sqlscale = 0;
    var_->sqlsubtype = 0;
    var_->sqllen = 0;
    var_->sqlind = &ind_;
    ind_ = -1;
    name_.clear();
    list_->NamesChanged();
    modified_ = false;
    isMacro_ = false;
    isQuotedMacro_ = false;
    macroDefault_.clear();
    inWhereClause_ = false;
    canForceIsNull_ = false;
    oldValue_ = Variant();
    described_ = false;
    serverType_ = serverScale_ = serverSubtype_ = serverLen_ = 0;
    deferred_ = false;
    deferredValue_ = Variant();
    hasBlob_ = false;
    blobContent_.clear();
    hasWide_ = false;
    wideText_.clear();
}

void TFIBXSQLVAR::DropBlobContent() {
    hasBlob_ = false;
    blobContent_.clear();
}

void TFIBXSQLVAR::Defer(const Variant& value) {
    if (!list_->IsParams() || described_)
        return;
    ForLinked([&value](TFIBXSQLVAR& v) {
        v.deferred_ = true;
        v.deferredValue_ = value;
    });
    list_->hasDeferred_ = true;
}

void TFIBXSQLVAR::ApplyDeferred() {
    const Variant value = deferredValue_;
    deferred_ = false;
    deferredValue_ = Variant();
    SetAsVariant(value);
    ForLinked([](TFIBXSQLVAR& v) { v.deferred_ = false; });
}
