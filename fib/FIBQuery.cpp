#include "fib/FIBQuery.h"

#include "fib/FIBDatabase.h"
#include "fib/IB_Intf.h"
#include "fib/fib.h"

#include <QRandomGenerator>
#include <cstring>

TFIBQuery::TFIBQuery(TComponent* owner)
    : TComponent(owner), base_(this), userParams_(this, true), serverParams_(this, true),
      row_(this, false) {
    base_.OnDatabaseDisconnecting = [this] {
        IgnoreFailure("the connection is going: its handle is forgotten either way",
                      [this] { FreeHandle(); });
    };
    base_.OnDatabaseFree = [this] {
        IgnoreFailure("the connection is going: its handle is forgotten either way",
                      [this] { FreeHandle(); });
    };
    base_.OnConnectionLost = [this] { DropLostHandle(); };
    base_.OnTransactionEnding = [this] {
        const TTransactionPhase phase = base_.Transaction()->Phase();
        if (phase == trCommitting || phase == trRollbacking)
            IgnoreFailure("the server closes the cursor itself; the transaction must still end",
                          [this] { Close(); });
    };
    if (auto* db = dynamic_cast<TFIBDatabase*>(owner))
        SetDatabase(db);
    if (auto* tr = dynamic_cast<TFIBTransaction*>(owner))
        SetTransaction(tr);
}

TFIBQuery::~TFIBQuery() {
    IgnoreFailure("a destructor does not throw", [this] { FreeHandle(); });
}

TFIBDatabase* TFIBQuery::Database() const {
    return base_.Database();
}

void TFIBQuery::SetDatabase(TFIBDatabase* database) {
    if (database == base_.Database())
        return;
    IgnoreFailure("the handle is forgotten even when the server refuses to free it",
                  [this] { FreeHandle(); });
    base_.SetDatabase(database);
}

TFIBTransaction* TFIBQuery::Transaction() const {
    return base_.Transaction();
}

void TFIBQuery::SetTransaction(TFIBTransaction* transaction) {
    if (transaction == base_.Transaction())
        return;
    if (open_)
        Close();
    base_.SetTransaction(transaction);
}

// ---------------------------------------------------------------------------
// Text

QString TFIBQuery::SQLText() const {
    QString text;
    for (const QString& line : sql_)
        text += line + QStringLiteral("\r\n");
    return text;
}

void TFIBQuery::SetSQL(const QStringList& lines) {
    SQLChanging();
    sql_ = lines;
    SQLChanged();
}

void TFIBQuery::SetSQLText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = t.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    SetSQL(lines);
}

void TFIBQuery::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        SQLChanged();
}

void TFIBQuery::SQLChanging() {
    if (open_)
        FIBError(fibeSQLOpen, {"change sql text", FullComponentName(this)});
    if (OnSQLChanging)
        OnSQLChanging(*this);
    KeepHandle();
}

void TFIBQuery::SQLChanged() {
    if (updateCount_ > 0)
        return;
    const QString text = SQLText();
    parser_.SetText(text);
    ++changeCount_;
    if (paramCheck_ && !text.isEmpty() && NeedsScan(text)) {
        CollectScan();
    } else {
        refs_.clear();
        userParams_.SetCount(0);
        serverParams_.SetCount(0);
        processedText_ = text;
    }
    encodedStale_ = true;
    KeepHandle();
    scanned_ = true;
}

void TFIBQuery::CollectScan() {
    refs_ = parser_.ScanParameters(TScanMode::smCollect, this).Params;
    BuildParamList(userParams_, refs_);
    macroChanged_ = false;
    if (userParams_.Count() > 0) {
        processedText_.clear();
        encodedSQL_.clear();
    } else {
        processedText_ = parser_.Text();
    }
    serverParams_.SetCount(0);
    rewritten_ = false;
    encodedStale_ = true;
}

void TFIBQuery::SetParamCheck(bool on) {
    if (paramCheck_ == on)
        return;
    paramCheck_ = on;
    if (!on) {
        refs_.clear();
        userParams_.SetCount(0);
        serverParams_.SetCount(0);
        processedText_ = parser_.Text();
        encodedStale_ = true;
        FreeHandle();
    } else {
        SQLChanged();
    }
}

// A list rebuilt from scan results keeps the values of names it had before;
// blob parameters start empty again.
void TFIBQuery::BuildParamList(TFIBXSQLDA& list, const QList<TSQLParamRef>& refs) {
    struct Kept {
        bool wide;
        QString text;
        Variant value;
    };
    QHash<QString, Kept> kept;
    for (int i = 0; i < list.Count(); ++i) {
        const TFIBXSQLVAR& v = list[i];
        if (v.IsNull() || v.HasBlobContent() || v.SQLType() == SQLBlob || v.IsMacro())
            continue;
        const QString key = NameLookupKey(v.Name());
        if (kept.contains(key))
            continue;
        kept.insert(key, v.HasWideText() ? Kept{true, v.AsWideString(), {}}
                                         : Kept{false, {}, v.AsVariant()});
    }
    list.SetCount(static_cast<int>(refs.size()));
    for (int i = 0; i < refs.size(); ++i) {
        TFIBXSQLVAR& v = list[i];
        v.Clear();
        v.SetName(refs[i].Name);
        v.SetWhereFlags(refs[i].InWhereClause, refs[i].CanForceIsNull);
    }
    for (int i = 0; i < refs.size(); ++i) {
        TFIBXSQLVAR& v = list[i];
        if (refs[i].IsMacro) {
            v.SetMacro(refs[i].MacroQuoted, refs[i].MacroDefault);
            v.SetAsWideString(refs[i].MacroDefault);
            v.SetModified(false);
            continue;
        }
        auto it = kept.constFind(NameLookupKey(refs[i].Name));
        if (it == kept.cend() || !v.IsNull())
            continue; // a repeated name was set through its first item
        if (it->wide)
            v.SetAsWideString(it->text);
        else
            v.SetAsVariant(it->value);
    }
}

// ---------------------------------------------------------------------------
// Preparation

bool TFIBQuery::NeedsRePrepare() const {
    if (!prepared_ || macroChanged_)
        return true;
    const bool forcing = executing_ && !(options_ & qoNoForceIsNull);
    for (int i = 0; i < userParams_.Count(); ++i) {
        const TFIBXSQLVAR& v = userParams_[i];
        if (v.IsMacro()) {
            if (v.AsWideString() != ConvertingValue([&] { return v.OldValue().ToString(); }))
                return true;
        } else if (forcing && v.InWhereClause() && v.CanForceIsNull() &&
                   v.IsNull() != v.OldValue().IsNull()) {
            return true;
        }
    }
    return false;
}

void TFIBQuery::BuildServerParams(bool forExecute) {
    std::vector<TServerTextValue> values(refs_.size());
    bool hasMacro = false;
    for (int i = 0; i < refs_.size() && i < userParams_.Count(); ++i) {
        TFIBXSQLVAR& v = userParams_[i];
        values[i].IsNull = v.IsNull();
        if (v.IsMacro()) {
            values[i].MacroValue = v.AsWideString();
            hasMacro = true;
        }
    }
    TServerTextOptions options;
    options.ForExecute = forExecute;
    options.NoForceIsNull = options_ & qoNoForceIsNull;
    const TServerText built = BuildServerText(parser_.Text(), refs_, values, options);
    for (int i = 0; i < refs_.size() && i < userParams_.Count(); ++i)
        if (userParams_[i].IsMacro())
            userParams_[i].SetOldValue(Variant(values[i].MacroValue));
    for (qsizetype i : built.ForcedNull)
        userParams_[static_cast<int>(i)].SetOldValue(Variant::Null());

    TSQLParser serverParser(built.Text);
    const TScanResult scan = serverParser.ScanParameters(TScanMode::smPrepare, this);
    processedText_ = scan.ProcessedText;
    BuildParamList(serverParams_, scan.Params);
    // Without macros and forced nulls the two lists match item for item;
    // otherwise values travel by name.
    rewritten_ = built.Rewritten || hasMacro;
    encodedStale_ = true;
    macroChanged_ = false;
}

TTextCodec TFIBQuery::ConnectionCodec() const {
    TFIBDatabase* db = Database();
    return db && db->UnicodeConnection() ? TTextCodec::Utf8 : TTextCodec::Win1251;
}

void TFIBQuery::RefreshEncodedSQL() {
    if (!encodedStale_)
        return;
    encodedSQL_ = EncodeText(processedText_, ConnectionCodec());
    encodedStale_ = false;
}

void TFIBQuery::CheckDatabase() {
    TFIBDatabase* db = Database();
    if (!db)
        FIBError(fibeDatabaseNotAssigned, {FullComponentName(this)});
    db->CheckConnected();
    lib_ = db->Client();
}

void TFIBQuery::CheckTransaction() {
    TFIBTransaction* tr = Transaction();
    if (!tr)
        FIBError(fibeTransactionNotAssigned, {FullComponentName(this)});
    tr->CheckInTransaction();
}

void TFIBQuery::Check(ISC_STATUS status, std::initializer_list<ISC_STATUS> tolerated) {
    if (TFIBTransaction* tr = Transaction())
        tr->StatusCheck(status, false);
    else if (TFIBDatabase* db = Database())
        db->StatusCheck(status, false);
    else
        RestoreFloatingPointControl();
    if (status != 0 && (tolerated.size() == 0 || !StatusContains(tolerated)))
        IBError(*lib_, this);
}

void TFIBQuery::Prepare() {
    struct Mark {
        bool& flag;
        explicit Mark(bool& f) : flag(f) { flag = true; }
        ~Mark() { flag = false; }
    } preparing(preparing_);
    if (open_)
        Close();
    CheckDatabase();
    TFIBTransaction* tr = Transaction();
    if ((options_ & qoStartTransaction) && tr && !tr->Active())
        tr->StartTransaction();
    CheckTransaction();
    if (paramCheck_ && !scanned_)
        SQLChanged();
    if (paramCheck_ && userParams_.Count() > 0 && NeedsRePrepare()) {
        BuildServerParams(executing_);
        // The statement for the text before is put aside with the others:
        // a detail whose master moves between a null key and a real one
        // goes back and forth between the two texts.
        KeepHandle();
    }
    RefreshEncodedSQL();
    if (!prepared_)
        InternalPrepare();
}

void TFIBQuery::InternalPrepare() {
    if (processedText_.trimmed().isEmpty())
        FIBError(fibeEmptyQuery, {"Prepare"});
    IIBClientLibrary& lib = *lib_;
    ISC_STATUS* sv = StatusVector();
    const unsigned short dialect = static_cast<unsigned short>(XSQLDialect());
    try {
        const bool reused = TakeKeptHandle();
        row_.SetCount(1);
        if (reused) {
            // The library keeps what the prepare described: no round trip.
            Check(lib.isc_dsql_describe(sv, &handle_, dialect, row_.Data()));
        } else {
            Check(lib.isc_dsql_alloc_statement2(sv, Database()->Handle(), &handle_));
            Check(lib.isc_dsql_prepare(sv, Transaction()->Handle(), &handle_, 0,
                                       encodedSQL_.constData(), dialect, row_.Data()));
        }
        preparedSQL_ = encodedSQL_;
        const char item = isc_info_sql_stmt_type;
        char answer[8] = {};
        Check(lib.isc_dsql_sql_info(sv, &handle_, 1, &item, sizeof answer, answer));
        if (answer[0] != isc_info_sql_stmt_type)
            FIBError(fibeUnknownError);
        const int length = lib.isc_vax_integer(answer + 1, 2);
        sqlType_ = static_cast<TFIBSQLTypes>(lib.isc_vax_integer(answer + 3, length));
        switch (sqlType_) {
        case SQLGetSegment:
        case SQLPutSegment:
        case SQLStartTransaction:
            FreeHandle();
            FIBError(2);
        case SQLSelectForUpdate:
            if (cursorName_.isEmpty()) {
                QString digits;
                while (digits.size() < 10)
                    digits += QString::number(QRandomGenerator::global()->bounded(0x7FFFFFFF));
                cursorName_ = digits.left(10);
            }
            Check(
                lib.isc_dsql_set_cursor_name(sv, &handle_, cursorName_.toLatin1().constData(), 0));
            break;
        default:
            break;
        }
        switch (sqlType_) {
        case SQLSelect:
        case SQLSelectForUpdate:
        case SQLExecProcedure:
            DescribeParams();
            DescribeRow();
            break;
        case SQLInsert:
        case SQLUpdate:
        case SQLDelete:
            DescribeParams();
            row_.SetCount(0);
            break;
        default:
            row_.SetCount(0);
            break;
        }
        prepared_ = true;
        if (!reused)
            ++prepareCount_;
    } catch (...) {
        IgnoreFailure("the prepare's own error is the one to report", [this] { FreeHandle(); });
        throw;
    }
}

void TFIBQuery::DescribeParams() {
    const int count = serverParams_.Count() > 0 ? serverParams_.Count() : userParams_.Count();
    if (count == 0)
        return;
    // Described into a descriptor of its own, so that values already given
    // to the parameters are not overwritten.
    std::vector<char> memory(XSQLDA_LENGTH(count), 0);
    auto* described = reinterpret_cast<XSQLDA*>(memory.data());
    described->version = SQLDA_VERSION1;
    described->sqln = static_cast<ISC_SHORT>(count);
    Check(lib_->isc_dsql_describe_bind(StatusVector(), &handle_,
                                       static_cast<unsigned short>(XSQLDialect()), described));
    if (serverParams_.Count() > 0)
        serverParams_.TakeDescription(*described);
    if (!rewritten_)
        userParams_.TakeDescription(*described);
}

void TFIBQuery::DescribeRow() {
    const int reported = row_.ServerCount();
    if (reported == 0) {
        row_.SetCount(0);
        return;
    }
    if (reported > row_.Count()) {
        row_.SetCount(reported);
        Check(lib_->isc_dsql_describe(StatusVector(), &handle_,
                                      static_cast<unsigned short>(XSQLDialect()), row_.Data()));
    }
    row_.SetupColumns();
}
