#include "fib/FIBBase.h"

#include "fib/FIBDatabase.h"

TFIBBase::TFIBBase(TComponent* owner) : owner_(owner) {}

TFIBBase::~TFIBBase() {
    if (transaction_)
        transaction_->UnregisterLink(transactionIndex_);
    if (database_)
        database_->UnregisterLink(databaseIndex_);
}

void TFIBBase::SetDatabase(TFIBDatabase* database) {
    if (database == database_)
        return;
    if (database_)
        database_->UnregisterLink(databaseIndex_);
    database_ = nullptr;
    databaseIndex_ = -1;
    if (!database)
        return;
    databaseIndex_ = database->RegisterLink(this);
    database_ = database;
    if (!transaction_ && !(owner_ && owner_->IsLoading()) && database->DefaultTransaction())
        SetTransaction(database->DefaultTransaction());
}

void TFIBBase::SetTransaction(TFIBTransaction* transaction) {
    if (transaction == transaction_)
        return;
    if (transaction_)
        transaction_->UnregisterLink(transactionIndex_);
    transaction_ = nullptr;
    transactionIndex_ = -1;
    if (!transaction)
        return;
    transactionIndex_ = transaction->RegisterLink(this);
    transaction_ = transaction;
    if (transaction->IndexOfDatabase(database_) < 0 && transaction->DefaultDatabase())
        SetDatabase(transaction->DefaultDatabase());
}

void TFIBBase::ForgetDatabase() {
    database_ = nullptr;
    databaseIndex_ = -1;
}

void TFIBBase::ForgetTransaction() {
    transaction_ = nullptr;
    transactionIndex_ = -1;
}

void TFIBBase::ReleaseLinks(std::vector<TFIBBase*>& links, Hook TFIBBase::*hook,
                            void (*forget)(TFIBBase&)) {
    // The hooks may unregister links, so the list is re-read at every step.
    for (int i = static_cast<int>(links.size()) - 1; i >= 0; --i) {
        if (i >= static_cast<int>(links.size()))
            continue;
        TFIBBase* link = links[i];
        if (!link)
            continue;
        if (link->*hook) {
            try {
                const Hook call = link->*hook;
                call();
            } catch (...) {
            }
        }
        if (i < static_cast<int>(links.size()) && links[i] == link) {
            forget(*link);
            links[i] = nullptr;
        }
    }
    links.clear();
}

int TFIBBase::AddToLinks(std::vector<TFIBBase*>& links, TFIBBase* link) {
    for (size_t i = 0; i < links.size(); ++i)
        if (!links[i]) {
            links[i] = link;
            return static_cast<int>(i);
        }
    links.push_back(link);
    return static_cast<int>(links.size()) - 1;
}

void TFIBBase::RemoveFromLinks(std::vector<TFIBBase*>& links, int index) {
    if (index >= 0 && index < static_cast<int>(links.size()))
        links[index] = nullptr;
}
