// The connection's services that run statements: the one-off select, the
// generator query and the server-time query of the connect sequence. They go
// through cached statements of the statement layer, which replaces this file.

#include "fib/FIBDatabase.h"
#include "fib/fib.h"

QVariant TFIBDatabase::SelectValue(const QString&, int, TFIBTransaction*) {
    FIBError(1); // "Unsupported feature." until the statement layer is in place
}

int64_t TFIBDatabase::GeneratorValue(const QString&, int64_t, TFIBTransaction*) {
    FIBError(1);
}

void TFIBDatabase::SynchronizeServerTime() {
    // The statement layer fills this in: it runs the server-time select
    // (TIMESTAMP form above dialect 1, DATE form otherwise) through
    // SelectValue and stores local time minus server time. Until then the
    // offset stays 0, as connect left it.
}
