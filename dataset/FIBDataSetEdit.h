#pragma once
// Record editing through SQL: what the SQL-backed dataset keeps while a
// record is edited, and the small rules its posting, deleting and refreshing
// share with the master link.

#include "fib/fib.h"

#include <QHash>
#include <QStringList>

#include <vector>

class TComponent;
class TDataSet;
class TField;
class TFIBCustomDataSet;
class TFIBQuery;
class TFIBXSQLDA;
class TFIBXSQLVAR;

// An UPDATE or DELETE that touched no row: another user deleted the record
// or changed its key since it was read. The dataset keeps the edit (or the
// record) so that the user can decide what to do.
class EFIBRecordChangedError : public EFIBClientError {
public:
    EFIBRecordChangedError(const TComponent* dataSet, bool deleting);
};

// A text without lines or with blank lines only.
bool IsBlankSQL(const QStringList& sql);
// A statement present but never executed: its first line is "No Action".
bool IsNoActionSQL(const QStringList& sql);

// Where a parameter of a modifying or refresh statement takes its value.
struct TParamSource {
    enum Kind : uint8_t {
        psNone,   // leave the parameter as it is
        psOld,    // OLD_x: the old values
        psRecord, // NEW_x and plain names: the record buffer
        psMaster, // MAS_x: the master's current record
    };
    Kind kind = psNone;
    int column = -1;   // select column (psOld, psRecord)
    QString fieldName; // master field (psMaster)
};

// The select column a name reads: a data field's column, else an output
// column of that name; -1 for neither.
int ColumnOfName(const TFIBCustomDataSet& ds, const QString& name);
// The first row of an executed select or procedure, or nullptr.
TFIBXSQLDA* FirstRow(TFIBQuery& q);
// The master has no current record (closed, or empty and not inserting):
// every master field then reads as null.
bool MasterEmpty(const TDataSet& master);

// The master field's current value into a parameter, by the field's type;
// masterEmpty: the master has no current record, so every field reads null.
void MasterFieldToParam(const TField& field, bool masterEmpty, TFIBXSQLVAR& param);
// Whether a parameter's value differs from the master field's (by the
// field's type; strings case-sensitive).
bool MasterFieldDiffers(const TField& field, bool masterEmpty, const TFIBXSQLVAR& param);

struct TFIBEditState {
    // Parameter sources per statement, remembered until the dataset closes.
    struct Resolved {
        std::vector<QString> names;
        std::vector<TParamSource> sources;
    };
    QHash<const TFIBQuery*, Resolved> params;
};
