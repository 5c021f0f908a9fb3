// Throughput of the parameter scanner on a 1 MB statement full of
// parameters, literals and comments, next to a plain memchr pass over the
// same text as the memory-bandwidth baseline.
//
//   build/bench/sql_scan_bench [megabytes] [--runs N]
//
// Output: figures.h.

#include "fib/SqlTxtRtns.h"
#include "figures.h"

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
    const int runs = TakeRunsOption(argc, argv, 5);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 1.0;
    const QString text = MakeStatement(static_cast<qsizetype>(megabytes * 1024 * 1024));
    const double mb = double(text.size()) / (1024 * 1024); // MB of characters
    const int tries = 15;

    const TSQLParser parser(text);
    const TScanResult collected = parser.ScanParameters(TScanMode::smCollect);
    std::vector<TServerTextValue> values(collected.Params.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i].IsNull = i % 2 == 0;
    // NeedsScan stops at the first marker; without any it reads the whole text.
    QString unmarked = text;
    unmarked.replace(u':', u'_').replace(u'?', u'_').replace(u'@', u'_');

    TFigures figures;
    for (int run = 0; run < runs; ++run) {
        // Each pass is the best of a few tries, set against the memchr pass
        // of the same run.
        const double base = BestOf(tries, [&] {
            const void* hit = std::memchr(text.utf16(), 0x01, std::size_t(text.size()) * 2);
            sink = hit != nullptr;
        });
        const double needs = BestOf(tries, [&] { sink = NeedsScan(unmarked); });
        const double collect = BestOf(tries, [&] {
            sink = std::size_t(parser.ScanParameters(TScanMode::smCollect).Params.size());
        });
        const double prepare = BestOf(tries, [&] {
            sink = std::size_t(parser.ScanParameters(TScanMode::smPrepare).ProcessedText.size());
        });
        const double server = BestOf(tries, [&] {
            sink = std::size_t(
                BuildServerText(text, collected.Params, values, {true, false}).Text.size());
        });
        auto pass = [&](const std::string& name, double seconds) {
            figures.Add(name, "MB/s", mb / seconds);
            if (name != "memchr")
                figures.Add(name + "_vs_memchr", "ratio", base / seconds);
        };
        pass("memchr", base);
        pass("needs_scan_no_markers", needs);
        pass("scan_parameters_collect", collect);
        pass("scan_parameters_prepare", prepare);
        pass("build_server_text_nulls", server);
    }

    std::printf("# sql_scan: %lld characters (%.2f MB of UTF-16 text as characters), %lld "
                "references; speed as a fraction of a memchr pass; %d runs\n",
                static_cast<long long>(text.size()), mb,
                static_cast<long long>(collected.Params.size()), runs);
    figures.Print();
    return 0;
}
