#include "dataset/pFIBDataSet.h"

TpFIBDataSet::TpFIBDataSet(TComponent* owner) : TFIBDataSet(owner) {}

void TpFIBDataSet::InternalOpen() {
    TFIBDataSet::InternalOpen();
    if (Options() & poAutoFormatFields)
        PrepareFieldFormats();
    ImportDefaultValues();
}

void TpFIBDataSet::PrepareFieldFormats() {
    for (TField* f : FieldList()) {
        const int col = f->FieldNo() - 1;
        if (col < 0 || col >= ColumnCount())
            continue;
        const TColumnSlot& slot = Layout().Column(col);
        if (auto* n = dynamic_cast<TNumericField*>(f)) {
            const bool scaled = (f->DataType() == ftInteger || f->DataType() == ftSmallint ||
                                 f->DataType() == ftFloat) &&
                                slot.Scale < 0;
            const bool bcd = f->DataType() == ftBCD && f->Size() > 0;
            if (!scaled && !bcd)
                continue;
            const int digits = bcd ? f->Size() : -slot.Scale;
            const QString zeros(digits, u'0');
            if (n->DisplayFormat().isEmpty())
                n->SetDisplayFormat(DefaultFormats.NumericDisplayFormat + zeros);
            if (n->EditFormat().isEmpty())
                n->SetEditFormat(DefaultFormats.NumericEditFormat + zeros);
        } else if (auto* d = dynamic_cast<TDateTimeField*>(f)) {
            if (!d->DisplayFormat().isEmpty())
                continue;
            if (f->DataType() == ftDate)
                d->SetDisplayFormat(DefaultFormats.DisplayFormatDate);
            else if (f->DataType() == ftTime)
                d->SetDisplayFormat(DefaultFormats.DisplayFormatTime);
            else
                d->SetDisplayFormat(DefaultFormats.DateTimeDisplayFormat);
        }
    }
}
