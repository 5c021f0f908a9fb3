#pragma once
// The grid's find bar: a small bar over the grid that looks for a text in the
// grid's current column through the dataset's Locate (the start of the value,
// letter case ignored), on from the current record forwards or backwards,
// and says so when nothing further matches.

#include <QFrame>

class QLabel;
class QLineEdit;
class QToolButton;
class TDBGrid;

class TGridFindBar : public QFrame {
    Q_OBJECT
public:
    explicit TGridFindBar(TDBGrid* grid);

    QLineEdit* TextEdit() const { return text_; }
    QToolButton* NextButton() const { return next_; }
    QToolButton* PreviousButton() const { return previous_; }
    QToolButton* CloseButton() const { return close_; }
    // Empty, or the "no match" caption after a search that found nothing.
    QString Status() const;

    // Shows the bar with its text selected and the focus in it.
    void Open();
    // Hides it and gives the focus back to the grid.
    void Close();
    // One search; true when a record was found (and made current).
    bool Find(bool backwards);
    void TranslateCaptions();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TDBGrid* grid_;
    QLineEdit* text_;
    QToolButton* previous_;
    QToolButton* next_;
    QToolButton* close_;
    QLabel* status_;
};
