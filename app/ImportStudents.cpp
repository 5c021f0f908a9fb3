#include "app/ImportStudents.h"

#include "base/AtomicFile.h"
#include "settings/IniFile.h"
#include "settings/Language.h"
#include "settings/Settings.h"
#include "ui/DesignScale.h"
#include "ui/UserDialogs.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString T(const char* key) {
    return translate(QString::fromLatin1(key));
}

// The section of options.ini that remembers, by normalized header, what a
// column held the last time.
const QString kMappingSection = QStringLiteral("Import");

const char* ColumnCaptionKey(TImportColumn c) {
    switch (c) {
    case TImportColumn::icIgnore:
        return "_IGNORE_COLUMN_";
    case TImportColumn::icLastName:
        return "_LAST_NAME_";
    case TImportColumn::icFirstName:
        return "_FIRST_NAME_";
    case TImportColumn::icPatronymic:
        return "_FATHER_NAME_";
    case TImportColumn::icCourse:
        return "_COURSE_";
    case TImportColumn::icGroup:
        return "_GROUP_";
    case TImportColumn::icFaculty:
        return "_IMPORT_FACULTY_";
    }
    return "";
}

// A header as a key of options.ini, or nothing when it cannot be one.
QString MappingKey(const QString& header) {
    const QString key = NormalizeHeader(header);
    if (key.isEmpty() || key.contains(u'=') || key.startsWith(u';') || key.startsWith(u'[') ||
        key.startsWith(u'#'))
        return QString();
    for (const QChar c : key)
        if (IsIniLineBreak(c.unicode()))
            return QString();
    return key;
}

// The grid's titles in every language file there is, so that a file
// exported from the students grid in any of them is understood.
QHash<QString, TImportColumn> LanguageTitles() {
    const std::pair<const char*, TImportColumn> keys[] = {
        {"_LAST_NAME_", TImportColumn::icLastName},
        {"_FIRST_NAME_", TImportColumn::icFirstName},
        {"_FATHER_NAME_", TImportColumn::icPatronymic},
        {"_COURSE_", TImportColumn::icCourse},
        {"_GROUP_", TImportColumn::icGroup},
        {"_IMPORT_FACULTY_", TImportColumn::icFaculty},
        {"_FACULTY_", TImportColumn::icFaculty},
    };
    QHash<QString, TImportColumn> titles;
    for (const QString& language : list_languages()) {
        const TIniFile file(language_file_name(language));
        for (const auto& [key, column] : keys) {
            const QString title =
                NormalizeHeader(file.ReadString(QStringLiteral("WORDS"), QLatin1String(key), {}));
            if (!title.isEmpty() && !title.startsWith(u'_') && !titles.contains(title))
                titles.insert(title, column);
        }
    }
    return titles;
}

QString EncodingName(TCsvEncoding e) {
    return e == TCsvEncoding::Win1251 ? QStringLiteral("WIN1251") : QStringLiteral("UTF-8");
}

} // namespace

// The rows as the file has them, a line number in front and the problems
// behind; rows with problems tinted. Cells are made only as they are shown.
class TImportPreviewModel : public QAbstractTableModel {
public:
    explicit TImportPreviewModel(const TImportStudentsDialog& dialog) : dialog_(dialog) {}

    void Reset(const TCsvTable* table, const std::vector<TImportRow>* rows) {
        beginResetModel();
        table_ = table;
        rows_ = rows;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !rows_ ? 0 : static_cast<int>(rows_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !table_ || table_->records.isEmpty()
                   ? 0
                   : static_cast<int>(table_->records.first().size()) + 2;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || !table_)
            return {};
        if (section == 0)
            return dialog_.Caption("_LINE_");
        if (section == columnCount() - 1)
            return dialog_.Caption("_PROBLEM_");
        return table_->records.first().value(section - 1);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!rows_ || index.row() >= static_cast<int>(rows_->size()))
            return {};
        const TImportRow& row = (*rows_)[index.row()];
        if (role == Qt::BackgroundRole)
            return row.Good() ? QVariant() : QVariant(QColor(255, 222, 222));
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        if (index.column() == 0)
            return row.line;
        if (index.column() == columnCount() - 1)
            return dialog_.ProblemText(row);
        return table_->records.value(row.record).value(index.column() - 1);
    }

private:
    const TImportStudentsDialog& dialog_;
    const TCsvTable* table_ = nullptr;
    const std::vector<TImportRow>* rows_ = nullptr;
};

TImportStudentsDialog::TImportStudentsDialog(QWidget* parent, TFIBDatabase& database,
                                             TFIBTransaction& transaction,
                                             std::optional<int> faculty)
    : QDialog(parent), database_(database), transaction_(transaction), faculty_(faculty) {
    setObjectName(QStringLiteral("import_students_frm"));
    setWindowTitle(T("_IMPORT_STUDENTS_").remove(QStringLiteral("...")).remove(u'…'));

    auto* fileRow = new QHBoxLayout;
    auto* fileLabel = new QLabel(T("_IMPORT_FILE_"), this);
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("import_file_e"));
    file_->setReadOnly(true);
    choose_ = new QPushButton(T("_CHOOSE_FILE_"), this);
    choose_->setObjectName(QStringLiteral("choose_file_btn"));
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(choose_);

    auto* readRow = new QHBoxLayout;
    encoding_ = new QComboBox(this);
    encoding_->setObjectName(QStringLiteral("encoding_cb"));
    encoding_->addItems({T("_AUTOMATIC_"), QStringLiteral("UTF-8"), QStringLiteral("WIN1251")});
    separator_ = new QComboBox(this);
    separator_->setObjectName(QStringLiteral("separator_cb"));
    separator_->addItems({T("_AUTOMATIC_"), T("_COMMA_"), T("_SEMICOLON_"), T("_TAB_")});
    readRow->addWidget(new QLabel(T("_ENCODING_"), this));
    readRow->addWidget(encoding_);
    readRow->addSpacing(16);
    readRow->addWidget(new QLabel(T("_SEPARATOR_"), this));
    readRow->addWidget(separator_);
    readRow->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("mapping_area"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    mappingArea_ = new QWidget(scroll);
    mappingGrid_ = new QGridLayout(mappingArea_);
    mappingGrid_->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(mappingArea_);
    scroll->setMaximumHeight(70);

    faculty_label_ = new QLabel(this);
    faculty_label_->setObjectName(QStringLiteral("import_faculty_lbl"));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("import_summary_lbl"));

    preview_ = new QTableView(this);
    preview_->setObjectName(QStringLiteral("import_preview_tv"));
    model_ = std::make_unique<TImportPreviewModel>(*this);
    preview_->setModel(model_.get());
    preview_->verticalHeader()->hide();
    preview_->verticalHeader()->setDefaultSectionSize(preview_->fontMetrics().height() + 4);
    preview_->horizontalHeader()->setStretchLastSection(true);
    preview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* buttons = new QHBoxLayout;
    import_ = new QPushButton(T("_IMPORT_"), this);
    import_->setObjectName(QStringLiteral("import_btn"));
    saveSkipped_ = new QPushButton(T("_SAVE_SKIPPED_"), this);
    saveSkipped_->setObjectName(QStringLiteral("save_skipped_btn"));
    close_ = new QPushButton(T("_CLOSE_"), this);
    close_->setObjectName(QStringLiteral("close_btn"));
    buttons->addWidget(saveSkipped_);
    buttons->addStretch(1);
    buttons->addWidget(import_);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(readRow);
    layout->addWidget(scroll);
    layout->addWidget(faculty_label_);
    layout->addWidget(preview_, 1);
    layout->addWidget(summary_);
    layout->addLayout(buttons);
    // Room for the preview's columns at the designed text, and as much more
    // as a larger desktop font needs.
    resize(TDesignScale(font())(QSize(780, 540)));

    connect(choose_, &QPushButton::clicked, this,
            [this] { HandleEvent([this] { ChooseFile(); }); });
    connect(import_, &QPushButton::clicked, this, [this] { HandleEvent([this] { Import(); }); });
    connect(saveSkipped_, &QPushButton::clicked, this,
            [this] { HandleEvent([this] { SaveSkippedRows(); }); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    for (QComboBox* box : {encoding_, separator_})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!path_.isEmpty())
                HandleEvent([this] { Reload(true); });
        });
    Recheck();
}

TImportStudentsDialog::~TImportStudentsDialog() {
    preview_->setModel(nullptr);
}

QComboBox* TImportStudentsDialog::MappingBox(int column) const {
    return column >= 0 && column < static_cast<int>(mappingBoxes_.size()) ? mappingBoxes_[column]
                                                                          : nullptr;
}

void TImportStudentsDialog::Tell(const QString& text, bool error) {
    ShowMessageBox({ApplicationTitle(), text, error ? TMsgIcon::Error : TMsgIcon::None,
                    TMsgButtons::Ok, this});
}

QString TImportStudentsDialog::ChosenFile(QFileDialog& dialog) {
    // Qt's own dialog, the same on every desktop, opened where the last file was.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!path_.isEmpty())
        dialog.setDirectory(QFileInfo(path_).absolutePath());
    ShowModal(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TImportStudentsDialog::ChooseFile() {
    QFileDialog dialog(this, T("_IMPORT_STUDENTS_"));
    dialog.setObjectName(QStringLiteral("import_csv_dlg"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("CSV (*.csv *.txt)"), QStringLiteral("* (*)")});
    const QString chosen = ChosenFile(dialog);
    if (!chosen.isEmpty())
        OpenFile(chosen);
}

bool TImportStudentsDialog::OpenFile(const QString& path) {
    path_ = path;
    file_->setText(QDir::toNativeSeparators(path));
    // A new file is read as it is; the overrides are for the file at hand.
    for (QComboBox* box : {encoding_, separator_}) {
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(0);
    }
    return Reload(false);
}

void TImportStudentsDialog::ShowFileError(const ECsvError& e, const QString& path) {
    const QString name = QDir::toNativeSeparators(path);
    QString text;
    switch (e.Problem()) {
    case TCsvProblem::cpCannotOpen:
        text = T("_CSV_CANNOT_OPEN_").arg(name);
        break;
    case TCsvProblem::cpReadFailed:
        text = T("_CSV_READ_FAILED_").arg(name);
        break;
    case TCsvProblem::cpTooLarge:
        text = T("_CSV_TOO_LARGE_").arg(name).arg(TCsvReadOptions().maxBytes / (1024 * 1024));
        break;
    case TCsvProblem::cpNotText:
        text = T("_CSV_NOT_TEXT_").arg(name);
        break;
    case TCsvProblem::cpEmpty:
        text = T("_CSV_EMPTY_").arg(name);
        break;
    case TCsvProblem::cpUnclosedQuote:
        text = T("_CSV_UNCLOSED_QUOTE_").arg(name).arg(e.Line());
        break;
    }
    Tell(text, true);
}

bool TImportStudentsDialog::Reload(bool keepMapping) {
    const qsizetype width = table_.records.isEmpty() ? -1 : table_.records.first().size();
    std::vector<TImportColumn> kept = mapping_;
    TCsvReadOptions options;
    options.encoding = encoding_->currentIndex() == 1   ? TCsvEncoding::Utf8
                       : encoding_->currentIndex() == 2 ? TCsvEncoding::Win1251
                                                        : TCsvEncoding::Detect;
    const int sep = separator_->currentIndex();
    options.separator = sep > 0 ? kCsvSeparators[sep - 1] : 0;
    table_ = TCsvTable();
    rows_.clear();
    written_ = 0;
    firstFaculty_.reset();
    try {
        table_ = ReadCsvFile(path_, options);
    } catch (const ECsvError& e) {
        table_ = TCsvTable();
        BuildMapping({});
        Recheck();
        ShowFileError(e, path_);
        return false;
    }
    if (table_.records.size() < 2) {
        table_ = TCsvTable();
        BuildMapping({});
        Recheck();
        Tell(T("_CSV_HEADER_ONLY_").arg(QDir::toNativeSeparators(path_)), true);
        return false;
    }
    // What was detected shows beside the automatic choice.
    encoding_->setItemText(0, T("_AUTOMATIC_") + QStringLiteral(" (") +
                                  EncodingName(table_.encoding) + u')');
    const QString seps[] = {T("_COMMA_"), T("_SEMICOLON_"), T("_TAB_")};
    for (size_t i = 0; i < std::size(kCsvSeparators); ++i)
        if (kCsvSeparators[i] == table_.separator)
            separator_->setItemText(0, T("_AUTOMATIC_") + QStringLiteral(" (") + seps[i] + u')');
    if (!referenceLoaded_) {
        reference_ = TImportReference::Load(database_, transaction_);
        referenceLoaded_ = true;
    }
    // Another encoding or separator for the same columns keeps what the
    // user chose for them.
    if (!keepMapping || width != table_.records.first().size())
        kept.clear();
    BuildMapping(kept);
    Recheck();
    return true;
}

void TImportStudentsDialog::BuildMapping(const std::vector<TImportColumn>& kept) {
    for (QComboBox* box : mappingBoxes_)
        box->deleteLater();
    while (QLayoutItem* item = mappingGrid_->takeAt(0)) {
        if (item->widget())
            item->widget()->deleteLater();
        delete item;
    }
    mappingBoxes_.clear();
    mapping_.clear();
    if (table_.records.isEmpty())
        return;
    const QStringList& headers = table_.records.first();
    mapping_ = kept.empty() ? GuessImportColumns(headers, LanguageTitles()) : kept;
    // What the user chose for a header before wins over the guess.
    const TIniFile options(options_file_name());
    for (qsizetype i = 0; i < headers.size() && kept.empty(); ++i) {
        const QString key = MappingKey(headers[i]);
        if (key.isEmpty())
            continue;
        if (const auto remembered =
                ImportColumnFromName(options.ReadString(kMappingSection, key, QString())))
            mapping_[i] = *remembered;
    }
    for (qsizetype i = 0; i < headers.size(); ++i) {
        auto* title = new QLabel(headers[i], mappingArea_);
        auto* box = new QComboBox(mappingArea_);
        box->setObjectName(QStringLiteral("mapping_cb_%1").arg(i));
        for (const TImportColumn c : kImportColumns)
            box->addItem(T(ColumnCaptionKey(c)), static_cast<int>(c));
        box->setCurrentIndex(box->findData(static_cast<int>(mapping_[i])));
        connect(box, &QComboBox::currentIndexChanged, this,
                [this] { HandleEvent([this] { MappingChanged(); }); });
        mappingGrid_->addWidget(title, 0, static_cast<int>(i));
        mappingGrid_->addWidget(box, 1, static_cast<int>(i));
        mappingBoxes_.push_back(box);
    }
}

void TImportStudentsDialog::MappingChanged() {
    for (size_t i = 0; i < mappingBoxes_.size(); ++i)
        mapping_[i] = static_cast<TImportColumn>(mappingBoxes_[i]->currentData().toInt());
    RememberMapping();
    Recheck();
}

void TImportStudentsDialog::RememberMapping() const {
    if (table_.records.isEmpty())
        return;
    const QStringList& headers = table_.records.first();
    try {
        TIniFile options(options_file_name());
        for (qsizetype i = 0; i < headers.size() && i < qsizetype(mapping_.size()); ++i) {
            const QString key = MappingKey(headers[i]);
            if (!key.isEmpty())
                options.WriteString(kMappingSection, key, ImportColumnName(mapping_[i]));
        }
    } catch (const EIniFileException&) {
        // Remembering is a convenience: an options file that cannot be
        // written only means the mapping is guessed again next time.
    }
}

void TImportStudentsDialog::Recheck() {
    const bool hasFacultyColumn =
        std::find(mapping_.begin(), mapping_.end(), TImportColumn::icFaculty) != mapping_.end();
    rows_ = table_.records.isEmpty() ? std::vector<TImportRow>()
                                     : CheckImportRows(table_, mapping_, reference_, faculty_);
    model_->Reset(&table_, &rows_);
    preview_->resizeColumnsToContents();
    if (table_.records.isEmpty() || hasFacultyColumn) {
        faculty_label_->clear();
    } else {
        const TImportFaculty* f = faculty_ ? reference_.FacultyById(*faculty_) : nullptr;
        faculty_label_->setText(T("_IMPORT_FACULTY_FOR_ALL_") + QStringLiteral(": ") +
                                (f ? f->name : QStringLiteral("-")));
    }
    int good = 0;
    for (const TImportRow& r : rows_)
        good += r.Good();
    const int bad = static_cast<int>(rows_.size()) - good;
    summary_->setText(rows_.empty() ? QString()
                                    : T("_IMPORT_SUMMARY_").arg(rows_.size()).arg(good).arg(bad));
    import_->setEnabled(good > 0 && written_ == 0);
    saveSkipped_->setEnabled(bad > 0);
}

QString TImportStudentsDialog::Caption(const char* key) const {
    auto it = captions_.constFind(key);
    if (it == captions_.cend())
        it = captions_.insert(key, T(key));
    return *it;
}

QString TImportStudentsDialog::ProblemText(const TImportRow& row) const {
    QStringList parts;
    for (const TRowIssue& i : row.issues) {
        const QString column = Caption(ColumnCaptionKey(i.column));
        switch (i.problem) {
        case TRowProblem::rpFieldCount:
            parts << Caption("_PROBLEM_FIELD_COUNT_").arg(i.value).arg(i.limit);
            break;
        case TRowProblem::rpEmptyLastName:
            parts << Caption("_PROBLEM_EMPTY_LAST_NAME_");
            break;
        case TRowProblem::rpTooLong:
            parts << Caption("_PROBLEM_TOO_LONG_").arg(column).arg(i.limit);
            break;
        case TRowProblem::rpNotStorable:
            parts << Caption("_PROBLEM_NOT_STORABLE_").arg(column, i.text);
            break;
        case TRowProblem::rpBadCourse:
            parts << Caption("_PROBLEM_BAD_COURSE_").arg(i.text);
            break;
        case TRowProblem::rpUnknownFaculty:
            parts << Caption("_PROBLEM_UNKNOWN_FACULTY_").arg(i.text);
            break;
        case TRowProblem::rpDuplicate:
            parts << Caption("_PROBLEM_DUPLICATE_").arg(i.value);
            break;
        case TRowProblem::rpInDatabase:
            parts << Caption("_PROBLEM_IN_DATABASE_");
            break;
        }
    }
    return parts.join(QStringLiteral("; "));
}

void TImportStudentsDialog::Import() {
    int good = 0;
    for (const TImportRow& r : rows_)
        good += r.Good();
    const int bad = static_cast<int>(rows_.size()) - good;
    if (good == 0 || written_ > 0) {
        Tell(T("_IMPORT_NOTHING_"), false);
        return;
    }
    // The choice the check leaves: skip the bad rows, or fix the file first.
    if (bad > 0 &&
        ShowMessageBox({ApplicationTitle(), T("_IMPORT_SKIP_QUESTION_").arg(bad).arg(good),
                        TMsgIcon::Question, TMsgButtons::YesNo, this}) != TMsgResult::Yes)
        return;
    RememberMapping();

    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("import_progress_dlg"));
    progress.setWindowTitle(T("_IMPORT_STUDENTS_"));
    progress.setCancelButtonText(T("_CANCEL_"));
    const QString rowsWritten = T("_ROWS_WRITTEN_");
    progress.setLabelText(rowsWritten + QStringLiteral(" 0"));
    progress.setRange(0, good);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();
    QCoreApplication::processEvents();

    std::optional<int> result;
    try {
        result = WriteImportRows(database_, transaction_, rows_, [&](int written) {
            progress.setValue(written);
            progress.setLabelText(rowsWritten + u' ' + QString::number(written));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    } catch (const EImportRowError& e) {
        progress.hide();
        Tell(T("_IMPORT_REFUSED_").arg(e.Line()).arg(e.ServerMessage()), true);
        return;
    }
    progress.hide();
    if (!result) {
        Tell(T("_IMPORT_CANCELLED_"), false);
        return;
    }
    written_ = *result;
    for (const TImportRow& r : rows_)
        if (r.Good()) {
            firstFaculty_ = r.facultyId;
            break;
        }
    import_->setEnabled(false);
    // The students just written are in the database now: a file read
    // again is checked against them too.
    referenceLoaded_ = false;
    if (OnWritten)
        OnWritten();
    Tell(T("_IMPORT_DONE_").arg(written_).arg(bad), false);
}

void TImportStudentsDialog::SaveSkippedRows() {
    QFileDialog dialog(this, T("_SAVE_SKIPPED_"));
    dialog.setObjectName(QStringLiteral("import_skipped_dlg"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    const QString chosen = ChosenFile(dialog);
    if (!chosen.isEmpty())
        SaveSkippedRowsTo(chosen);
}

bool TImportStudentsDialog::SaveSkippedRowsTo(const QString& path) {
    const QByteArray bytes = SkippedRowsCsv(table_, rows_, T("_PROBLEM_"),
                                            [this](const TImportRow& r) { return ProblemText(r); });
    TAtomicFile file;
    if (!file.Open(path, 0666) || !file.Write(bytes) || !file.Commit()) {
        Tell(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path)), true);
        return false;
    }
    return true;
}
