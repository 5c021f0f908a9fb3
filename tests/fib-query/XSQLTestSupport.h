#pragma once
// Lists of values described by hand, the way the server describes them.

#include "fib/FIBXSQLDA.h"
#include "fib/fib.h"
#include "tests/support/Raised.h"

#include <cstring>
#include <gtest/gtest.h>

namespace veltor::test {

struct ColumnDescription {
    short sqltype; // with the nullable bit when nullable
    short scale = 0;
    short len = 0;
    const char* alias = "";
    short subtype = 0;
};

inline XSQLVAR MakeXSQLVAR(const ColumnDescription& d) {
    XSQLVAR v{};
    v.sqltype = d.sqltype;
    v.sqlscale = d.scale;
    v.sqllen = d.len;
    v.sqlsubtype = d.subtype;
    v.aliasname_length = static_cast<ISC_SHORT>(std::strlen(d.alias));
    std::memcpy(v.aliasname, d.alias, v.aliasname_length);
    return v;
}

// Writes the descriptions into the list's entries, as isc_dsql_describe
// does, and sets the columns up.
inline void DescribeColumns(TFIBXSQLDA& row, std::initializer_list<ColumnDescription> columns) {
    row.SetCount(static_cast<int>(columns.size()));
    int i = 0;
    for (const ColumnDescription& d : columns) {
        XSQLVAR& v = row.Data()->sqlvar[i++];
        const XSQLVAR made = MakeXSQLVAR(d);
        v.sqltype = made.sqltype;
        v.sqlscale = made.sqlscale;
        v.sqllen = made.sqllen;
        v.sqlsubtype = made.sqlsubtype;
        v.aliasname_length = made.aliasname_length;
        std::memcpy(v.aliasname, made.aliasname, sizeof v.aliasname);
    }
    row.SetupColumns();
}

// Puts a fetched value into a column, as isc_dsql_fetch does.
template <typename T> void Fetch(TFIBXSQLVAR& column, const T& value) {
    std::memcpy(column.Data()->sqldata, &value, sizeof value);
    *column.Data()->sqlind = 0;
}

inline void FetchVarchar(TFIBXSQLVAR& column, const QByteArray& bytes) {
    const int16_t len = static_cast<int16_t>(bytes.size());
    std::memcpy(column.Data()->sqldata, &len, 2);
    std::memcpy(column.Data()->sqldata + 2, bytes.constData(), bytes.size());
    *column.Data()->sqlind = 0;
}

} // namespace veltor::test
