#pragma once
// Small types shared by the connection and the transaction.

enum TTransactionAction { TARollback, TARollbackRetaining, TACommit, TACommitRetaining };

// The hard end of an action: a retaining commit or rollback as the full one.
inline TTransactionAction HardForm(TTransactionAction action) {
    if (action == TACommitRetaining)
        return TACommit;
    if (action == TARollbackRetaining)
        return TARollback;
    return action;
}

enum TTPBMode { tpbDefault, tpbReadCommitted, tpbRepeatableRead };

// What a transaction is doing; statements read it in their transaction-ending
// hooks to tell a hard end (trRollbacking, trCommitting) from a retaining one.
enum TTransactionPhase {
    trActive = 0,
    trInactive = 1,
    trRollbacking = 2,
    trRollbackRetaining = 3,
    trCommitting = 4,
    trCommitRetaining = 5,
};
