#pragma once
// The dataset the program uses: the SQL-backed dataset with the field
// preparation that runs at the end of every open.

#include "dataset/FIBDataSet.h"

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

protected:
    void InternalOpen() override;

private:
    // poAutoFormatFields: display and edit formats where a field has none.
    void PrepareFieldFormats();
};
