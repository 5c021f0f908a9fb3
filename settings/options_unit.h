#pragma once
// The options dialog: interface language, database path, user name and
// password, and whether the main window's position is restored at start.
// Created once and only hidden between uses, its fields hold the settings
// while the program runs.

#include <QDialog>
#include <QPointer>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

class Toptions_frm : public QDialog {
    Q_OBJECT
public:
    explicit Toptions_frm(QWidget* parent = nullptr);
    ~Toptions_frm() override;

    QLabel* languages_lbl;
    QLineEdit* language_e;
    QAction* language_e_btn; // the button at the right end of language_e
    QLabel* db_dbname_lbl;
    QLineEdit* db_dbname_e;
    QLabel* db_username_lbl;
    QLineEdit* db_username_e;
    QLabel* db_password_lbl;
    QLineEdit* db_password_e;
    QCheckBox* save_forms_position;
    QWidget* bottom_buttons_panel;
    QPushButton* ok_btn;
    QPushButton* defaults_btn;
    QPushButton* cancel_btn;
    QMenu* languages_pmnu;

    // Appends the menu item of a language, named Language_pmnu_item<index>.
    QAction* AddLanguageItem(const QString& name, int index);
    // The language name an item of languages_pmnu stands for.
    static QString LanguageOfItem(const QAction* item);

    // What OK and a language item do; the shell sets them. OK closes the
    // dialog after SaveSettings returns; an error keeps it open.
    std::function<void()> SaveSettings;
    std::function<void(const QString& name)> ApplyLanguage;
    // The window the dialog is centred over when first shown.
    void CentreOver(QWidget* window);

    void SetLanguageText(const QString& name);
    // Steps of the translation that belong to this dialog, in their order.
    void TranslateCaptions();

    void language_eButtonClick();
    // The language menu opened from the keyboard, below the field, on the
    // language in use.
    void OpenLanguageMenuAtField();
    void Language_pmnu_itemClick(QAction* item);
    void ok_btnClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool shown_ = false;
    QPointer<QWidget> centre_over_;
};

// The one options dialog, created at start; nullptr before.
extern Toptions_frm* options_frm;
