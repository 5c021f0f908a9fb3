// Throughput of the parameter scanner on a 1 MB statement full of
// parameters, literals and comments, next to a plain memchr pass over the
// same text as the memory-bandwidth baseline.
//
//   build/bench/sql_scan_bench [megabytes]

#include "fib/SqlTxtRtns.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

QString MakeStatement(qsizetype chars) {
    const QString line = QStringLiteral(
        "  AND F_ID = :MAS_F_ID /* note: :not_a_param */ OR NAZVA = 'it''s a :literal'"
        " OR \"Quoted:Col\" <> :\"Mixed\" -- line :comment\r\n"
        "  AND (KURS + :DELTA) > ?KURS AND GRUPA = @G%#A1\r\n");
    QString text = QStringLiteral("SELECT * FROM STUDENT S WHERE 1=1\r\n");
    text.reserve(chars + line.size());
    while (text.size() + line.size() <= chars)
        text += line;
    return text;
}

// Best wall time of a few runs, in seconds.
double BestOf(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        best = std::min(best, d.count());
    }
    return best;
}

volatile std::size_t sink; // keeps results alive

} // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    const QString text = MakeStatement(static_cast<qsizetype>(megabytes * 1024 * 1024));
    const double mb = double(text.size()) / (1024 * 1024); // MB of characters
    const int runs = 15;

    const TSQLParser parser(text);
    const TScanResult collected = parser.ScanParameters(TScanMode::smCollect);
    std::vector<TServerTextValue> values(collected.Params.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i].IsNull = i % 2 == 0;

    const double base = BestOf(runs, [&] {
        const void* hit = std::memchr(text.utf16(), 0x01, std::size_t(text.size()) * 2);
        sink = hit != nullptr;
    });
    // NeedsScan stops at the first marker; without any it reads the whole text.
    QString unmarked = text;
    unmarked.replace(u':', u'_').replace(u'?', u'_').replace(u'@', u'_');
    const double needs = BestOf(runs, [&] { sink = NeedsScan(unmarked); });
    const double collect = BestOf(runs, [&] {
        sink = std::size_t(parser.ScanParameters(TScanMode::smCollect).Params.size());
    });
    const double prepare = BestOf(runs, [&] {
        sink = std::size_t(parser.ScanParameters(TScanMode::smPrepare).ProcessedText.size());
    });
    const double server = BestOf(runs, [&] {
        sink =
            std::size_t(BuildServerText(text, collected.Params, values, {true, false}).Text.size());
    });

    std::printf("statement: %lld characters (%.2f MB of UTF-16 text as characters), %lld "
                "references\n",
                static_cast<long long>(text.size()), mb,
                static_cast<long long>(collected.Params.size()));
    std::printf("%-28s %10s %12s\n", "pass", "MB/s", "vs memchr");
    auto row = [&](const char* name, double seconds) {
        std::printf("%-28s %10.1f %11.1fx\n", name, mb / seconds, seconds / base);
    };
    row("memchr (baseline)", base);
    row("NeedsScan (no markers)", needs);
    row("ScanParameters collect", collect);
    row("ScanParameters prepare", prepare);
    row("BuildServerText (nulls)", server);
    return 0;
}
