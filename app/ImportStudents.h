#pragma once
// The import of students from a CSV file: the file, its encoding and
// separator (detected, with a choice to override), which column holds what
// (guessed from the header, remembered in options.ini), every row checked
// and shown with its problem, the good rows written in one go with a
// progress bar and Cancel, and the skipped rows saved as CSV to be fixed and
// opened again. Shown modally by the main window, which commits and shows
// the new students as soon as they are written.

#include "model/StudentImport.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TFIBDatabase;
class TFIBTransaction;
class TImportPreviewModel;

class QFileDialog;

class TImportStudentsDialog : public QDialog {
public:
    // faculty: the faculty current in the students view, for files without a
    // faculty column. The rows go into transaction, which is not committed.
    TImportStudentsDialog(QWidget* parent, TFIBDatabase& database, TFIBTransaction& transaction,
                          std::optional<int> faculty);
    ~TImportStudentsDialog() override;

    // Run right after the rows are written, while the dialog stays open:
    // the main window commits there, so that no written row waits in the
    // transaction for the dialog to close.
    std::function<void()> OnWritten;

    // Asks for a file with the file dialog and reads it.
    // Shows a prepared file dialog; the chosen file, or empty.
    QString ChosenFile(QFileDialog& dialog);
    void ChooseFile();
    // Reads path with the encoding and separator chosen; false (after
    // telling the user) when it cannot be used.
    bool OpenFile(const QString& path);
    // Checks the rows, asks about the bad ones, writes the good ones.
    void Import();
    // Asks for a file name and saves the skipped rows there.
    void SaveSkippedRows();
    bool SaveSkippedRowsTo(const QString& path);

    // The rows as last checked.
    const std::vector<TImportRow>& Rows() const { return rows_; }
    // What the last import wrote (0 before one) and under which faculty the
    // first of them went.
    int Written() const { return written_; }
    std::optional<int> FirstFaculty() const { return firstFaculty_; }
    // The problems of a row as the preview shows them.
    QString ProblemText(const TImportRow& row) const;
    // A caption's translation, looked up once: the preview asks for its
    // texts at every paint, and a lookup reads the language file.
    QString Caption(const char* key) const;

    QComboBox* EncodingBox() const { return encoding_; }
    QComboBox* SeparatorBox() const { return separator_; }
    QComboBox* MappingBox(int column) const;
    QTableView* Preview() const { return preview_; }
    QLabel* Summary() const { return summary_; }
    QPushButton* ImportButton() const { return import_; }

private:
    // keepMapping: the same file read another way keeps the mapping when
    // its columns are as many as before.
    bool Reload(bool keepMapping);
    void BuildMapping(const std::vector<TImportColumn>& kept);
    void MappingChanged();
    void Recheck();
    void RememberMapping() const;
    void ShowFileError(const class ECsvError& e, const QString& path);
    void Tell(const QString& text, bool error);

    TFIBDatabase& database_;
    TFIBTransaction& transaction_;
    std::optional<int> faculty_;
    TImportReference reference_;
    bool referenceLoaded_ = false;

    QString path_;
    TCsvTable table_;
    std::vector<TImportColumn> mapping_;
    std::vector<TImportRow> rows_;
    int written_ = 0;
    std::optional<int> firstFaculty_;
    mutable QHash<QByteArray, QString> captions_;

    QLineEdit* file_;
    QPushButton* choose_;
    QComboBox* encoding_;
    QComboBox* separator_;
    QWidget* mappingArea_;
    QGridLayout* mappingGrid_;
    std::vector<QComboBox*> mappingBoxes_;
    QLabel* faculty_label_;
    QLabel* summary_;
    QTableView* preview_;
    std::unique_ptr<TImportPreviewModel> model_;
    QPushButton* import_;
    QPushButton* saveSkipped_;
    QPushButton* close_;
};
