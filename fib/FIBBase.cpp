#include "fib/FIBBase.h"

#include "fib/FIBDatabase.h"

TFIBBase::TFIBBase(TComponent* owner) : owner_(owner) {}

TFIBBase::~TFIBBase() {
    if (transaction_)
        transaction_->links_.Remove(transactionIndex_);
    if (database_)
        database_->links_.Remove(databaseIndex_);
}

void TFIBBase::SetDatabase(TFIBDatabase* database) {
    if (database == database_)
        return;
    if (database_)
        database_->links_.Remove(databaseIndex_);
    database_ = nullptr;
    databaseIndex_ = -1;
    if (!database)
        return;
    databaseIndex_ = database->links_.Add(this);
    database_ = database;
    if (!transaction_ && !(owner_ && owner_->IsLoading()) && database->DefaultTransaction())
        SetTransaction(database->DefaultTransaction());
}

void TFIBBase::SetTransaction(TFIBTransaction* transaction) {
    if (transaction == transaction_)
        return;
    if (transaction_)
        transaction_->links_.Remove(transactionIndex_);
    transaction_ = nullptr;
    transactionIndex_ = -1;
    if (!transaction)
        return;
    transactionIndex_ = transaction->links_.Add(this);
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

int TFIBLinkList::Add(TFIBBase* link) {
    for (size_t i = 0; i < links_.size(); ++i)
        if (!links_[i]) {
            links_[i] = link;
            return static_cast<int>(i);
        }
    links_.push_back(link);
    return Count() - 1;
}

void TFIBLinkList::Remove(int index) {
    if (index >= 0 && index < Count())
        links_[index] = nullptr;
}

void TFIBLinkList::ForEach(TFIBBase::Hook TFIBBase::*hook, bool reversed,
                           const std::function<bool()>& keepGoing, bool tolerateFailures) {
    const int count = Count();
    for (int k = 0; k < count; ++k) {
        const int i = reversed ? count - 1 - k : k;
        if (i >= Count())
            continue;
        TFIBBase* link = links_[i];
        if (!link || !(link->*hook))
            continue;
        if (keepGoing && !keepGoing())
            return;
        try {
            const TFIBBase::Hook call = link->*hook; // the hook may unregister its link
            call();
        } catch (...) {
            if (!tolerateFailures)
                throw;
        }
    }
}

void TFIBLinkList::Release(TFIBBase::Hook TFIBBase::*hook, void (*forget)(TFIBBase&)) {
    for (int i = Count() - 1; i >= 0; --i) {
        if (i >= Count())
            continue;
        TFIBBase* link = links_[i];
        if (!link)
            continue;
        if (link->*hook) {
            IgnoreFailure("a link's failing hook must not keep the others from being told", [&] {
                const TFIBBase::Hook call = link->*hook;
                call();
            });
        }
        if (i < Count() && links_[i] == link) {
            forget(*link);
            links_[i] = nullptr;
        }
    }
    links_.clear();
}
