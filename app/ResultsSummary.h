#pragma once
// The summary of the results under the view's filter: per faculty, course,
// group, discipline or test, the number of results and the average, lowest
// and highest mark, and a histogram of the marks. The server groups and
// counts; the window never reads the results themselves. The table and the
// histogram can be copied, exported to CSV, and the histogram saved as PNG.

#include "model/ResultsQuery.h"

#include <QDialog>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class TFIBDatabase;
class TFIBTransaction;

struct TSummaryRow {
    QString Group;
    qint64 Count = 0;
    std::optional<double> Average, Lowest, Highest;
};

// The histogram, painted here: one bar per bin of ten points, its count
// above it.
class TMarkHistogram : public QWidget {
    Q_OBJECT
public:
    explicit TMarkHistogram(QWidget* parent);
    void SetCounts(const std::array<qint64, kHistogramBins>& counts);
    const std::array<qint64, kHistogramBins>& Counts() const { return counts_; }
    // "0-10", ..., "90-100".
    static QString BinCaption(int bin);
    QSize sizeHint() const override { return {360, 180}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<qint64, kHistogramBins> counts_{};
};

class TResultsSummary : public QDialog {
    Q_OBJECT
public:
    TResultsSummary(QWidget& parent, TFIBDatabase& database, TFIBTransaction& transaction);

    // Shows the window and reads the summary of filter, grouped as chosen.
    void Show(const TResultsFilter& filter);
    // Reads the summary again; false when the user stopped it (what was shown
    // stays).
    bool Compute();
    void TranslateCaptions();

    const std::vector<TSummaryRow>& Rows() const { return rows_; }
    // The table and the histogram as text: tab-separated, or CSV.
    QString Text() const;
    QByteArray Csv() const;
    bool ExportCsv(const QString& path) const;
    bool SaveHistogram(const QString& path) const;

    QLabel* by_lbl;
    QComboBox* by_cb;
    QTableWidget* summary_table;
    QLabel* histogram_lbl;
    TMarkHistogram* histogram;
    QLabel* stopped_lbl;
    QPushButton* copy_btn;
    QPushButton* csv_btn;
    QPushButton* png_btn;
    QPushButton* close_btn;

private:
    QStringList Titles() const;
    void Fill();
    QString AskFile(const QString& caption, const QString& filter, const QString& suffix);

    TFIBDatabase& database_;
    TFIBTransaction& transaction_;
    TResultsFilter filter_;
    std::vector<TSummaryRow> rows_;
};
