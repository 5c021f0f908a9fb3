// Database and transaction parameter blocks from name=value lines.

#include "fib/FIBDatabase.h"
#include "fib/fib.h"

#include <algorithm>
#include <array>

namespace {

// Position in the table = item code.
const std::array<const char*, 83> kDpbNames = {"cdd_pathname",
                                               "allocation",
                                               "journal",
                                               "page_size",
                                               "num_buffers",
                                               "buffer_length",
                                               "debug",
                                               "garbage_collect",
                                               "verify",
                                               "sweep",
                                               "enable_journal",
                                               "disable_journal",
                                               "dbkey_scope",
                                               "number_of_users",
                                               "trace",
                                               "no_garbage_collect",
                                               "damaged",
                                               "license",
                                               "sys_user_name",
                                               "encrypt_key",
                                               "activate_shadow",
                                               "sweep_interval",
                                               "delete_shadow",
                                               "force_write",
                                               "begin_log",
                                               "quit_log",
                                               "no_reserve",
                                               "user_name",
                                               "password",
                                               "password_enc",
                                               "sys_user_name_enc",
                                               "interp",
                                               "online_dump",
                                               "old_file_size",
                                               "old_num_files",
                                               "old_file",
                                               "old_start_page",
                                               "old_start_seqno",
                                               "old_start_file",
                                               "drop_walfile",
                                               "old_dump_id",
                                               "wal_backup_dir",
                                               "wal_chkptlen",
                                               "wal_numbufs",
                                               "wal_bufsize",
                                               "wal_grp_cmt_wait",
                                               "lc_messages",
                                               "lc_ctype",
                                               "cache_manager",
                                               "shutdown",
                                               "online",
                                               "shutdown_delay",
                                               "reserved",
                                               "overwrite",
                                               "sec_attach",
                                               "disable_wal",
                                               "connect_timeout",
                                               "dummy_packet_interval",
                                               "gbak_attach",
                                               "sql_role_name",
                                               "set_page_buffers",
                                               "working_directory",
                                               "sql_dialect",
                                               "set_db_readonly",
                                               "set_db_sql_dialect",
                                               "gfix_attach",
                                               "gstat_attach",
                                               "gbak_ods_version",
                                               "gbak_ods_minor_version",
                                               "set_group_commit",
                                               "gbak_validate",
                                               "client_interbase_var",
                                               "admin_option",
                                               "flush_interval",
                                               "instance_name",
                                               "old_overwrite",
                                               "archive_database",
                                               "archive_journals",
                                               "archive_sweep",
                                               "archive_dumps",
                                               "archive_recover",
                                               "recover_until",
                                               "force"};

const std::array<const char*, 21> kTpbNames = {"consistency",      "concurrency",  "shared",
                                               "protected",        "exclusive",    "wait",
                                               "nowait",           "read",         "write",
                                               "lock_read",        "lock_write",   "verb_time",
                                               "commit_time",      "ignore_limbo", "read_committed",
                                               "autocommit",       "rec_version",  "no_rec_version",
                                               "restart_requests", "no_auto_undo", "no_savepoint"};

template <size_t N> int ItemCode(const std::array<const char*, N>& table, const QString& name) {
    for (size_t i = 0; i < N; ++i)
        if (name.compare(QLatin1String(table[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

bool IsOneOf(int code, std::initializer_list<int> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// Characters up to the blank are removed at both ends.
QString TrimControls(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QString AsciiLower(QString s) {
    for (QChar& c : s)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return s;
}

struct Item {
    QString name;
    QString value;
};

Item SplitLine(const QString& line, const QString& prefix) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    Item item;
    item.name = AsciiLower(eq < 0 ? line : line.left(eq));
    item.value = eq < 0 ? QString() : line.mid(eq + 1);
    if (item.name.startsWith(prefix))
        item.name.remove(0, prefix.size());
    return item;
}

int ToInteger(const QString& value) {
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(FormatText(QStringLiteral("'%s' is not a valid integer value"), {value}));
    return v;
}

void AppendText(QByteArray& block, int code, const QString& name, const QByteArray& text) {
    // The length travels in one byte: a longer value would be cut silently.
    if (text.size() > 255)
        FIBErrorText(QStringLiteral("DPB Constant (isc_dpb_%s) value is longer than 255 bytes."),
                     {name});
    block.append(static_cast<char>(code));
    block.append(static_cast<char>(text.size()));
    block.append(text);
}

} // namespace

QByteArray BuildDPB(QStringList& lines) {
    QByteArray dpb;
    dpb.append(static_cast<char>(isc_dpb_version1));
    for (QString& line : lines) {
        line = TrimControls(line);
        if (line.isEmpty())
            continue;
        const Item item = SplitLine(line, QStringLiteral("isc_dpb_"));
        const int code = ItemCode(kDpbNames, item.name);
        if (code == 0)
            FIBError(fibeDPBConstantUnknown, {item.name});
        const QString tableName = QLatin1String(kDpbNames[code - 1]);
        if (IsOneOf(code, {18, 19, 20, 28, 29, 30, 36, 47, 48, 60, 75})) {
            AppendText(dpb, code, tableName, item.value.toLocal8Bit());
        } else if (code == 63) {
            if (item.value.isEmpty() || !item.value[0].isDigit())
                ToInteger(item.value); // raises for a value that is not a digit
            QByteArray text = item.value.toLocal8Bit();
            text[0] = static_cast<char>(item.value[0].digitValue());
            AppendText(dpb, code, tableName, text);
        } else if (IsOneOf(code, {5, 9, 13, 17, 24, 27, 33, 34, 54, 57, 58})) {
            dpb.append(static_cast<char>(code));
            dpb.append(char(1));
            dpb.append(static_cast<char>(ToInteger(item.value) & 0xFF));
        } else if (code == 10) {
            dpb.append(static_cast<char>(code));
            dpb.append(char(1));
            dpb.append(char(2));
        } else if (code == 22) {
            const uint32_t v = static_cast<uint32_t>(ToInteger(item.value));
            dpb.append(static_cast<char>(code));
            dpb.append(char(4));
            for (int i = 0; i < 4; ++i)
                dpb.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        } else if (IsOneOf(code, {8, 16, 21, 23, 25, 26})) {
            dpb.append(static_cast<char>(code));
            dpb.append(char(1));
            dpb.append(char(0));
        } else {
            FIBError(fibeDPBConstantNotSupported, {tableName});
        }
    }
    return dpb;
}

QByteArray BuildTPB(QStringList& lines) {
    QByteArray tpb;
    if (lines.isEmpty())
        return tpb;
    tpb.append(static_cast<char>(isc_tpb_version3));
    for (QString& line : lines) {
        line = TrimControls(line);
        if (line.isEmpty())
            continue;
        const Item item = SplitLine(line, QStringLiteral("isc_tpb_"));
        const int code = ItemCode(kTpbNames, item.name);
        if (code == 0)
            FIBError(fibeTPBConstantUnknown, {item.name});
        if (IsOneOf(code, {1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15, 17, 18, 20, 21})) {
            tpb.append(static_cast<char>(code));
        } else if (code == 10 || code == 11) {
            const QByteArray table = item.value.toLocal8Bit();
            if (table.size() > 255)
                FIBErrorText(
                    QStringLiteral("TPB Constant (isc_tpb_%s) value is longer than 255 bytes."),
                    {kTpbNames[code - 1]});
            tpb.append(static_cast<char>(code));
            tpb.append(static_cast<char>(table.size()));
            tpb.append(table);
        } else {
            FIBError(fibeTPBConstantNotSupported, {kTpbNames[code - 1]});
        }
    }
    return tpb;
}
