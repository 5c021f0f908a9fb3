#pragma once
// The database components of the main window, configured for the Veltor
// testing database: the connection DataBase and its transaction Transaction.
// They are created under the window's component, which must be loading, in
// the order the window describes them; everything starts closed.

#include "fib/pFIBDatabase.h"

class TTestingModel {
public:
    explicit TTestingModel(TComponent& owner);

    TpFIBDatabase* DataBase;
    TpFIBTransaction* Transaction;
};
