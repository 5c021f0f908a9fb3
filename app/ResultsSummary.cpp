#include "app/ResultsSummary.h"

#include "app/CancellableCall.h"
#include "base/AtomicFile.h"
#include "base/Csv.h"
#include "fib/FIBDatabase.h"
#include "fib/FIBQuery.h"
#include "settings/Language.h"
#include "ui/DesignScale.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString T(const char* key) {
    return translate(QString::fromLatin1(key));
}

const char* const kGroupingKeys[] = {"_FILTER_FACULTY_", "_FILTER_COURSE_", "_FILTER_GROUP_",
                                     "_FILTER_DISCIPLINE_", "_FILTER_TEST_"};

QString Mark(const std::optional<double>& v, bool average) {
    if (!v)
        return QString();
    return average ? QString::number(*v, 'f', 2) : QString::number(*v);
}

std::optional<double> Number(const TFIBXSQLVAR& v) {
    return v.IsNull() ? std::nullopt : std::optional<double>(v.AsDouble());
}

} // namespace

TMarkHistogram::TMarkHistogram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("histogram"));
    setMinimumSize(TDesignScale(font())(QSize(240, 140)));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void TMarkHistogram::SetCounts(const std::array<qint64, kHistogramBins>& counts) {
    counts_ = counts;
    update();
}

QString TMarkHistogram::BinCaption(int bin) {
    return QStringLiteral("%1-%2").arg(bin * 10).arg(bin * 10 + 10);
}

void TMarkHistogram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const QFontMetrics fm(font());
    const int labels = fm.height() + 4;
    const QRect plot = rect().adjusted(6, labels, -6, -labels);
    if (plot.width() <= 0 || plot.height() <= 0)
        return;
    qint64 highest = 1;
    for (qint64 c : counts_)
        highest = std::max(highest, c);
    const double slot = plot.width() / double(kHistogramBins);
    p.setPen(palette().color(QPalette::Text));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    for (int b = 0; b < kHistogramBins; ++b) {
        const int left = plot.left() + int(b * slot) + 2;
        const int width = std::max(1, int(slot) - 4);
        const int height = int(plot.height() * double(counts_[b]) / double(highest));
        const QRect bar(left, plot.bottom() - height + 1, width, height);
        p.fillRect(bar, palette().color(QPalette::Highlight));
        p.drawText(QRect(left - 4, bar.top() - labels, width + 8, labels),
                   Qt::AlignHCenter | Qt::AlignBottom, QString::number(counts_[b]));
        p.drawText(QRect(left - 4, plot.bottom() + 2, width + 8, labels),
                   Qt::AlignHCenter | Qt::AlignTop, BinCaption(b));
    }
}

TResultsSummary::TResultsSummary(QWidget& parent, TFIBDatabase& database,
                                 TFIBTransaction& transaction)
    : QDialog(&parent), database_(database), transaction_(transaction) {
    setObjectName(QStringLiteral("results_summary_frm"));
    resize(TDesignScale(font())(QSize(620, 520)));
    by_lbl = new QLabel(this);
    by_lbl->setObjectName(QStringLiteral("summary_by_lbl"));
    by_cb = new QComboBox(this);
    by_cb->setObjectName(QStringLiteral("summary_by_cb"));
    for (int i = 0; i < 5; ++i)
        by_cb->addItem(QString());
    summary_table = new QTableWidget(0, 5, this);
    summary_table->setObjectName(QStringLiteral("summary_table"));
    summary_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    summary_table->verticalHeader()->hide();
    summary_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    histogram_lbl = new QLabel(this);
    histogram_lbl->setObjectName(QStringLiteral("summary_histogram_lbl"));
    histogram = new TMarkHistogram(this);
    stopped_lbl = new QLabel(this);
    stopped_lbl->setObjectName(QStringLiteral("summary_stopped_lbl"));
    stopped_lbl->hide();
    copy_btn = new QPushButton(this);
    copy_btn->setObjectName(QStringLiteral("summary_copy_btn"));
    csv_btn = new QPushButton(this);
    csv_btn->setObjectName(QStringLiteral("summary_csv_btn"));
    png_btn = new QPushButton(this);
    png_btn->setObjectName(QStringLiteral("summary_png_btn"));
    close_btn = new QPushButton(this);
    close_btn->setObjectName(QStringLiteral("summary_close_btn"));

    auto* layout = new QVBoxLayout(this);
    auto* by = new QHBoxLayout;
    by->addWidget(by_lbl);
    by->addWidget(by_cb);
    by->addStretch();
    by->addWidget(stopped_lbl);
    layout->addLayout(by);
    layout->addWidget(summary_table, 3);
    layout->addWidget(histogram_lbl);
    layout->addWidget(histogram, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_btn);
    buttons->addWidget(csv_btn);
    buttons->addWidget(png_btn);
    buttons->addStretch();
    buttons->addWidget(close_btn);
    layout->addLayout(buttons);

    connect(by_cb, &QComboBox::activated, this, [this] { HandleEvent([this] { Compute(); }); });
    connect(copy_btn, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Text()); });
    connect(csv_btn, &QPushButton::clicked, this, [this] {
        HandleEvent([this] {
            const QString path =
                AskFile(T("_EXPORT_CSV_"), QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"));
            if (!path.isEmpty() && !ExportCsv(path))
                throw Exception(T("_SUMMARY_NOT_WRITTEN_") + QStringLiteral(" ") + path);
        });
    });
    connect(png_btn, &QPushButton::clicked, this, [this] {
        HandleEvent([this] {
            const QString path = AskFile(T("_SUMMARY_SAVE_PNG_"), QStringLiteral("PNG (*.png)"),
                                         QStringLiteral("png"));
            if (!path.isEmpty() && !SaveHistogram(path))
                throw Exception(T("_SUMMARY_NOT_WRITTEN_") + QStringLiteral(" ") + path);
        });
    });
    connect(close_btn, &QPushButton::clicked, this, &QDialog::close);
    TranslateCaptions();
}

QStringList TResultsSummary::Titles() const {
    return {by_cb->currentText(), T("_SUMMARY_COUNT_"), T("_SUMMARY_AVERAGE_"),
            T("_SUMMARY_LOWEST_"), T("_SUMMARY_HIGHEST_")};
}

void TResultsSummary::TranslateCaptions() {
    setWindowTitle(T("_SUMMARY_TITLE_"));
    by_lbl->setText(T("_SUMMARY_BY_"));
    for (int i = 0; i < by_cb->count(); ++i)
        by_cb->setItemText(i, T(kGroupingKeys[i]));
    summary_table->setHorizontalHeaderLabels(Titles());
    histogram_lbl->setText(T("_SUMMARY_HISTOGRAM_"));
    stopped_lbl->setText(T("_SUMMARY_STOPPED_"));
    copy_btn->setText(T("_SUMMARY_COPY_"));
    csv_btn->setText(T("_EXPORT_CSV_"));
    png_btn->setText(T("_SUMMARY_SAVE_PNG_"));
    close_btn->setText(T("_SUMMARY_CLOSE_"));
}

void TResultsSummary::Show(const TResultsFilter& filter) {
    filter_ = filter;
    show();
    raise();
    activateWindow();
    Compute();
}

bool TResultsSummary::Compute() {
    const auto grouping = static_cast<TResultsGrouping>(std::max(0, by_cb->currentIndex()));
    TFIBQuery groups;
    TFIBQuery bins;
    for (TFIBQuery* q : {&groups, &bins}) {
        q->SetDatabase(&database_);
        q->SetTransaction(&transaction_);
        q->SetGoToFirstRecordOnExecute(false);
    }
    const bool groupsBin = SummaryHoldsTheHistogram(filter_, grouping);
    ApplyResultsStatement(groups, ResultsSummary(filter_, grouping));
    groups.Prepare();
    if (!groupsBin) {
        ApplyResultsStatement(bins, ResultsHistogram(filter_));
        bins.Prepare();
    }
    std::vector<TSummaryRow> rows;
    std::array<qint64, kHistogramBins> counts{};
    const bool done = RunCancellable(this, database_, T("_SUMMARY_COUNTING_"), [&] {
        groups.ExecQuery();
        for (TFIBXSQLDA* row = groups.Next(); row; row = groups.Next()) {
            rows.push_back({(*row)[0].AsVariant().ToString().trimmed(),
                            (*row)[1].AsVariant().ToInt64(), Number((*row)[2]), Number((*row)[3]),
                            Number((*row)[4])});
            if (groupsBin)
                for (int b = 0; b < kHistogramBins; ++b)
                    counts[b] += (*row)[kSummaryFirstBinColumn + b].AsVariant().ToInt64();
        }
        groups.Close();
        if (groupsBin)
            return;
        bins.ExecQuery();
        for (TFIBXSQLDA* row = bins.Next(); row; row = bins.Next()) {
            const int bin = (*row)[0].AsInteger();
            if (bin >= 0 && bin < kHistogramBins)
                counts[bin] = (*row)[1].AsVariant().ToInt64();
        }
        bins.Close();
    });
    stopped_lbl->setVisible(!done);
    if (!done)
        return false;
    rows_ = std::move(rows);
    histogram->SetCounts(counts);
    Fill();
    return true;
}

void TResultsSummary::Fill() {
    summary_table->setHorizontalHeaderLabels(Titles());
    summary_table->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const TSummaryRow& row = rows_[r];
        const QString cells[] = {row.Group, QString::number(row.Count), Mark(row.Average, true),
                                 Mark(row.Lowest, false), Mark(row.Highest, false)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            summary_table->setItem(r, c, item);
        }
    }
}

QString TResultsSummary::Text() const {
    QStringList lines;
    lines << Titles().join(u'\t');
    for (const TSummaryRow& row : rows_)
        lines << QStringList{row.Group, QString::number(row.Count), Mark(row.Average, true),
                             Mark(row.Lowest, false), Mark(row.Highest, false)}
                     .join(u'\t');
    lines << QString() << T("_SUMMARY_HISTOGRAM_") + u'\t' + T("_SUMMARY_COUNT_");
    for (int b = 0; b < kHistogramBins; ++b)
        lines << TMarkHistogram::BinCaption(b) + u'\t' + QString::number(histogram->Counts()[b]);
    return lines.join(u'\n') + u'\n';
}

QByteArray TResultsSummary::Csv() const {
    QByteArray out;
    const auto record = [&out](const QStringList& fields) {
        for (int i = 0; i < fields.size(); ++i) {
            if (i > 0)
                out.append(',');
            AppendCsvField(out, fields[i]);
        }
        EndCsvRecord(out);
    };
    record(Titles());
    for (const TSummaryRow& row : rows_)
        record({row.Group, QString::number(row.Count), Mark(row.Average, true),
                Mark(row.Lowest, false), Mark(row.Highest, false)});
    EndCsvRecord(out);
    record({T("_SUMMARY_HISTOGRAM_"), T("_SUMMARY_COUNT_")});
    for (int b = 0; b < kHistogramBins; ++b)
        record({TMarkHistogram::BinCaption(b), QString::number(histogram->Counts()[b])});
    return out;
}

bool TResultsSummary::ExportCsv(const QString& path) const {
    TAtomicFile file;
    return file.Open(path, 0666) && file.Write(Csv()) && file.Commit();
}

bool TResultsSummary::SaveHistogram(const QString& path) const {
    QImage image(histogram->size().expandedTo(histogram->sizeHint()), QImage::Format_ARGB32);
    image.fill(Qt::white);
    histogram->render(&image);
    return image.save(path, "PNG");
}

QString TResultsSummary::AskFile(const QString& caption, const QString& filter,
                                 const QString& suffix) {
    QFileDialog dialog(this, caption);
    dialog.setObjectName(QStringLiteral("summary_file_dlg"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ShowModal(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
