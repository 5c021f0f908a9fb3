#pragma once
// What the datasets of one transaction changed since it last ended: every
// insert, update and delete a dataset posted, and every statement run through
// a dataset on the program's own behalf. A grid shows such a change as saved,
// but it lives only in the server's transaction; when the connection is lost
// the server rolls it back. Once attached again, the journal's entries are
// sent anew, in order, each checked as a post is.
//
// Recording reads what the statement sent and the record's values; it makes
// no server call. The transaction's end (commit or rollback) empties the
// journal; a lost connection does not end it in this sense.

#include "base/Listeners.h"
#include "base/Variant.h"

#include <QString>
#include <QStringList>

#include <vector>

class TFIBCustomDataSet;
class TFIBQuery;
class TFIBTransaction;

enum class TPostKind { pkInsert, pkUpdate, pkDelete, pkStatement };

// One parameter as the statement sent it.
struct TPostedParam {
    QString name;
    Variant value;
    // Updates, parameters that write a select column: that column, the
    // column as the user read it and as they wrote it (both in the form the
    // dataset compares values), and whether this post changed it.
    QString column;
    Variant read;
    Variant written;
    bool changed = false;
};

struct TPostJournalEntry {
    TPostKind kind = TPostKind::pkStatement;
    // The dataset that ran it; it must outlive the entry.
    TFIBCustomDataSet* dataSet = nullptr;
    // The statement as it was sent (a statement entry: its whole text).
    QStringList sql;
    std::vector<TPostedParam> params;
    // Updates: how the row's committed values are read again, with the
    // values its parameters had (the record as read, the master's key).
    QStringList refreshSql;
    std::vector<TPostedParam> refreshParams;
};

class TPostJournal {
public:
    explicit TPostJournal(TFIBTransaction& transaction);
    TPostJournal(const TPostJournal&) = delete;
    TPostJournal& operator=(const TPostJournal&) = delete;

    // A dataset's insert, update or delete that the server took: the
    // statement with its parameters, the record posted and the record as
    // it was read (for an insert the record itself). A statement that was
    // not executed (blank or "No Action") is not kept.
    void Posted(TFIBCustomDataSet& dataSet, TPostKind kind, TFIBQuery& statement,
                const char* record, const char* old);
    // A statement run through a dataset by opening it (an INSERT or DELETE
    // the program built as text).
    void Executed(TFIBCustomDataSet& dataSet, const QString& sql);

    const std::vector<TPostJournalEntry>& Entries() const { return entries_; }
    bool IsEmpty() const { return entries_.empty(); }
    void Clear() { entries_.clear(); }
    // Drops the entries at these positions (ascending).
    void Remove(const std::vector<size_t>& positions);

    // Sends an entry again in its dataset's transaction, starting it when it
    // is not active. An update writes the columns that post changed over the
    // row's committed values; a row gone, no longer under the master it was
    // posted under, or whose changed column another user has changed since,
    // is EFIBRecordChangedError, and nothing is written. A delete that finds
    // no row is done. What the server refuses is raised as it raises it.
    static void Reapply(const TPostJournalEntry& entry);

private:
    std::vector<TPostJournalEntry> entries_;
    TListenerRegistration ended_;
};
