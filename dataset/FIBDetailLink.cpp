// The master link of a detail dataset: master values into parameters, the
// comparison that decides a reopen, and the reopen itself.

#include "dataset/FIBDataSet.h"
#include "dataset/FIBDataSetEdit.h"
#include "fib/FIBXSQLDA.h"
#include "fib/SqlTxtRtns.h"

bool MasterEmpty(const TDataSet& master) {
    return !master.Active() || (master.IsEmpty() && master.State() != stInsert);
}

void MasterFieldToParam(const TField& field, bool masterEmpty, TFIBXSQLVAR& param) {
    if (masterEmpty || field.IsNull()) {
        param.SetIsNull(true);
        return;
    }
    switch (field.DataType()) {
    case ftString:
        param.SetAsWideString(field.AsString());
        break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
        param.SetAsInteger(field.AsInteger());
        break;
    case ftFloat:
    case ftCurrency:
        param.SetAsDouble(field.AsFloat());
        break;
    case ftBCD:
        if (field.Size() == 0)
            param.SetAsInt64(field.AsLargeInt());
        else
            param.SetAsVariant(field.AsVariant());
        break;
    case ftDate:
    case ftTime:
    case ftDateTime:
        param.SetAsDateTime(field.AsDateTime());
        break;
    case ftLargeint:
        param.SetAsInt64(field.AsLargeInt());
        break;
    default:
        param.SetAsVariant(field.AsVariant());
        break;
    }
}

bool MasterFieldDiffers(const TField& field, bool masterEmpty, const TFIBXSQLVAR& param) {
    const bool fieldNull = masterEmpty || field.IsNull();
    if (fieldNull != param.IsNull())
        return true;
    if (fieldNull)
        return false;
    switch (field.DataType()) {
    case ftString:
        return field.AsString() != param.AsWideString();
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBoolean:
        return field.AsInteger() != param.AsInteger();
    case ftFloat:
    case ftCurrency:
    case ftBCD:
        return field.AsFloat() != param.AsDouble();
    case ftDate:
    case ftTime:
    case ftDateTime:
        return field.AsDateTime() != param.AsDateTime();
    case ftLargeint:
        return field.AsLargeInt() != param.AsInt64();
    default:
        return false;
    }
}

bool TFIBCustomDataSet::ParamsDifferFromMaster() const {
    TDataSource* source = DataSource();
    TDataSet* master = source ? source->DataSet() : nullptr;
    if (!master)
        return false;
    const bool empty = MasterEmpty(*master);
    TFIBXSQLDA& params = SelectQuery().Params();
    for (int i = 0; i < params.Count(); ++i) {
        const TFIBXSQLVAR& p = params[i];
        if (p.IsMacro())
            continue;
        const QString& name = p.Name();
        const TField* f = master->FindField(HasPrefixMas(name) ? PrefixedFieldName(name) : name);
        if (f && MasterFieldDiffers(*f, empty, p))
            return true;
    }
    return false;
}

void TFIBCustomDataSet::Reopen() {
    DisableControls();
    try {
        if (!IsBlankSQL(SelectSQL()) && (Active() || (DetailConditions() & dcForceOpen))) {
            // Fields created at the first open stay across the reopen, so
            // that controls bound to them stay bound.
            const bool createdAtOpen = DefaultFields();
            SetDefaultFields(false);
            try {
                Close();
                Open();
            } catch (...) {
                SetDefaultFields(createdAtOpen);
                throw;
            }
            SetDefaultFields(createdAtOpen);
        }
    } catch (...) {
        EnableControls();
        DataEvent(dnDataSetScroll, 0);
        throw;
    }
    EnableControls();
    DataEvent(dnDataSetScroll, 0);
}

void TFIBDataLink::LinkActiveChange() {
    if (!detail_)
        return;
    if (Active()) {
        detail_->Reopen();
    } else if (!(detail_->DetailConditions() & dcIgnoreMasterClose) && detail_->Active()) {
        detail_->Close();
    }
}

namespace {

bool TypingRow(const TDataSet& ds) {
    return ds.State() == stEdit || ds.State() == stInsert;
}

} // namespace

void TFIBDataLink::LinkCheckBrowseMode() {
    if (!detail_ || !detail_->Active() || !TypingRow(*detail_))
        return;
    const TDataSet* master = DataSet();
    if (master && master->State() == stInsert)
        return;
    detail_->EnsureBrowse();
}

void TFIBDataLink::LinkRecordChange(TField* field) {
    // A field typed in the master does not move the detail: only a change of
    // the master's record as a whole does (a scroll, a post).
    if (field || !detail_ || !detail_->Active())
        return;
    if (detail_->ParamsDifferFromMaster()) {
        detail_->Reopen();
        return;
    }
    // The master's new row was just stored (its check found it unstored):
    // the detail's row typed under it can be stored now, before the master
    // moves on.
    const TDataSet* master = DataSet();
    if (TypingRow(*detail_) && master && master->State() == stBrowse)
        detail_->EnsureBrowse();
}
