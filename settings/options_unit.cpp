#include "settings/options_unit.h"

#include "settings/IniFile.h"
#include "settings/Language.h"
#include "ui/DesignScale.h"
#include "ui/UserDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QValidator>

#include <algorithm>
#include <initializer_list>
#include <utility>

Toptions_frm* options_frm = nullptr;

namespace {

constexpr int kPanelHeight = 41;
constexpr int kTickBoxWidth = 161;
constexpr int kButtonWidth = 75;
constexpr int kButtonGap = 6; // between the designed buttons
constexpr QSize kClientSize(496, 179);

// The designed geometry at the scale of the dialog's font.
TDesignScale Design(const QWidget* w) {
    return TDesignScale(w->font());
}

template <typename T> T* Make(QWidget* parent, const char* name, QRect designed) {
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(Design(parent)(designed));
    return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top, const char* key) {
    auto* label = new QLabel(QString::fromLatin1(key), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(Design(parent)(QPoint(left, top)));
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const char* key) {
    auto* button = Make<QPushButton>(parent, name, geometry);
    button->setText(QString::fromLatin1(key));
    button->setAutoDefault(false);
    return button;
}

// Each text field is one value of options.ini, whose writer refuses line
// breaks and control characters. They go as the text comes in, however it
// comes (typed, pasted, dropped, loaded): a line break or tab inside the text
// stands for a space, so that words stay apart; at either end, where a path
// copied from a terminal has one, it goes. Other control characters go.
class TOneLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        QString line;
        line.reserve(input.size());
        bool gap = false; // a break after some text: a space if more text follows
        int cursor = -1;
        for (qsizetype i = 0; i < input.size();) {
            if (cursor < 0 && i >= pos)
                cursor = int(line.size()) + (gap ? 1 : 0);
            const bool pair =
                input[i].isHighSurrogate() && i + 1 < input.size() && input[i + 1].isLowSurrogate();
            const qsizetype length = pair ? 2 : 1;
            const char32_t c = pair ? QChar::surrogateToUcs4(input[i], input[i + 1])
                                    : char32_t(input[i].unicode());
            if (!IsIniLineBreak(c)) {
                if (gap)
                    line += QLatin1Char(' ');
                gap = false;
                line += QStringView(input).mid(i, length);
            } else if (QChar::isSpace(c) && !line.isEmpty()) {
                gap = true;
            }
            i += length;
        }
        if (line != input) {
            pos = cursor < 0 ? int(line.size()) : std::min(cursor, int(line.size()));
            input = line;
        }
        return Acceptable;
    }
};

void SetCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// The width a tick box or button needs to show its caption whole: the text
// and what the style draws beside it.
int CaptionWidth(const QAbstractButton* control) {
    const QStyle* style = control->style();
    int decoration = 0;
    if (qobject_cast<const QCheckBox*>(control))
        decoration = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control) +
                     style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control);
    else
        decoration = 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, control) +
                     2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control);
    return control->fontMetrics().horizontalAdvance(control->text()) + decoration;
}

// A translation may be longer than the designed size. The tick box and the
// buttons then take the width of their caption; a button that grows into
// the next one pushes it along, or the next caption would be covered.
void FitCaptions(QCheckBox* tickBox, std::initializer_list<std::pair<QPushButton*, int>> buttons) {
    const TDesignScale design = Design(tickBox);
    tickBox->resize(std::max(design(kTickBoxWidth), CaptionWidth(tickBox)), tickBox->height());
    int right = 0;
    for (const auto& [button, designedLeft] : buttons) {
        const int left = std::max(design(designedLeft), right + design(kButtonGap));
        const int width = std::max(design(kButtonWidth), CaptionWidth(button));
        button->setGeometry(left, button->y(), width, button->height());
        right = left + width;
    }
}

} // namespace

Toptions_frm::Toptions_frm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("options_frm"));
    setWindowTitle(QStringLiteral("_OPTIONS_"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    resize(Design(this)(kClientSize));

    languages_lbl = MakeLabel(this, "languages_lbl", 8, 16, "_LANGUAGES_");
    language_e = Make<QLineEdit>(this, "language_e", {235, 8, 253, 21});
    language_e->setReadOnly(true);
    language_e_btn = language_e->addAction(style()->standardIcon(QStyle::SP_ArrowDown),
                                           QLineEdit::TrailingPosition);
    language_e_btn->setObjectName(QStringLiteral("language_e_btn"));
    // Its button takes no focus, so the field's keys open the menu too.
    language_e->installEventFilter(this);
    db_dbname_lbl = MakeLabel(this, "db_dbname_lbl", 8, 40, "_DATABASE_IP_AND_DB_FILE_");
    db_dbname_e = Make<QLineEdit>(this, "db_dbname_e", {235, 32, 253, 21});
    db_username_lbl = MakeLabel(this, "db_username_lbl", 8, 67, "_USER_NAME_");
    db_username_e = Make<QLineEdit>(this, "db_username_e", {235, 59, 253, 21});
    db_password_lbl = MakeLabel(this, "db_password_lbl", 8, 94, "_PASSWORD_");
    db_password_e = Make<QLineEdit>(this, "db_password_e", {235, 86, 253, 21});
    for (QLineEdit* field : {db_dbname_e, db_username_e, db_password_e})
        field->setValidator(new TOneLineValidator(field));
    save_forms_position = Make<QCheckBox>(this, "save_forms_position", {8, 113, 161, 19});
    save_forms_position->setText(QStringLiteral("_SAVE_FORMS_POSITION_"));
    save_forms_position->setChecked(true);

    bottom_buttons_panel =
        Make<QWidget>(this, "bottom_buttons_panel", {0, 138, kClientSize.width(), kPanelHeight});
    ok_btn = MakeButton(bottom_buttons_panel, "ok_btn", {8, 9, 75, 25}, "_OK_");
    defaults_btn = MakeButton(bottom_buttons_panel, "defaults_btn", {89, 8, 75, 25}, "_DEFAULTS_");
    cancel_btn = MakeButton(bottom_buttons_panel, "cancel_btn", {170, 8, 75, 25}, "_CANCEL_");

    languages_pmnu = new QMenu(this);
    languages_pmnu->setObjectName(QStringLiteral("languages_pmnu"));

    setTabOrder(ok_btn, defaults_btn);
    setTabOrder(defaults_btn, cancel_btn);
    setTabOrder(cancel_btn, save_forms_position);
    setTabOrder(save_forms_position, db_dbname_e);
    setTabOrder(db_dbname_e, db_username_e);
    setTabOrder(db_username_e, db_password_e);
    setTabOrder(db_password_e, language_e);

    connect(language_e_btn, &QAction::triggered, this,
            [this] { HandleEvent([this] { language_eButtonClick(); }); });
    connect(languages_pmnu, &QMenu::triggered, this, [this](QAction* item) {
        HandleEvent([this, item] { Language_pmnu_itemClick(item); });
    });
    connect(ok_btn, &QPushButton::clicked, this,
            [this] { HandleEvent([this] { ok_btnClick(); }); });
    // Defaults and Cancel have no action: the dialog stays open.
}

Toptions_frm::~Toptions_frm() {
    if (options_frm == this)
        options_frm = nullptr;
}

QAction* Toptions_frm::AddLanguageItem(const QString& name, int index) {
    // "&&" shows a single "&" instead of an accelerator mark; the name itself
    // is kept exactly in the item's data.
    QString caption = name;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = languages_pmnu->addAction(caption);
    item->setObjectName(QStringLiteral("Language_pmnu_item") + QString::number(index));
    item->setData(name);
    return item;
}

QString Toptions_frm::LanguageOfItem(const QAction* item) {
    return item->data().toString();
}

void Toptions_frm::CentreOver(QWidget* window) {
    centre_over_ = window;
}

void Toptions_frm::SetLanguageText(const QString& name) {
    language_e->setText(name);
}

void Toptions_frm::TranslateCaptions() {
    setWindowTitle(translate(QStringLiteral("_OPTIONS_")));
    SetCaption(languages_lbl, translate(QStringLiteral("_LANGUAGES_")));
    SetCaption(db_dbname_lbl, translate(QStringLiteral("_DATABASE_IP_AND_DB_FILE_")));
    SetCaption(db_username_lbl, translate(QStringLiteral("_USER_NAME_")));
    SetCaption(db_password_lbl, translate(QStringLiteral("_PASSWORD_")));
    save_forms_position->setText(translate(QStringLiteral("_SAVE_FORMS_POSITION_")));
    ok_btn->setText(translate(QStringLiteral("_OK_")));
    defaults_btn->setText(translate(QStringLiteral("_DEFAULTS_")));
    cancel_btn->setText(translate(QStringLiteral("_CANCEL_")));
    FitCaptions(save_forms_position, {{ok_btn, 8}, {defaults_btn, 89}, {cancel_btn, 170}});
}

void Toptions_frm::language_eButtonClick() {
    languages_pmnu->popup(QCursor::pos());
}

void Toptions_frm::OpenLanguageMenuAtField() {
    const QList<QAction*> items = languages_pmnu->actions();
    // Without a language file there is nothing to choose.
    if (items.isEmpty())
        return;
    QAction* current = items.first();
    for (QAction* item : items)
        if (LanguageOfItem(item) == language_e->text())
            current = item;
    languages_pmnu->popup(language_e->mapToGlobal(language_e->rect().bottomLeft()), current);
    // popup() shows the item without making it current; the arrows start there.
    languages_pmnu->setActiveAction(current);
}

// The keys that open a drop-down list on the desktops: Alt+Down and F4, and
// Space or Enter on a field nobody types into.
bool Toptions_frm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == language_e && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool opens = (key->key() == Qt::Key_Down && mods == Qt::AltModifier) ||
                           (mods == Qt::NoModifier &&
                            (key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space ||
                             key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter));
        if (opens) {
            HandleEvent([this] { OpenLanguageMenuAtField(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Toptions_frm::Language_pmnu_itemClick(QAction* item) {
    if (ApplyLanguage)
        ApplyLanguage(LanguageOfItem(item));
}

void Toptions_frm::ok_btnClick() {
    if (SaveSettings)
        SaveSettings();
    close();
}

void Toptions_frm::showEvent(QShowEvent* event) {
    if (!shown_ && !event->spontaneous() && centre_over_) {
        shown_ = true;
        const QRect over = centre_over_->frameGeometry();
        move(over.center() - QPoint(width() / 2, height() / 2));
    }
    // The focus order starts at OK, and so does every opening, wherever the
    // focus was left the last time.
    if (!event->spontaneous())
        ok_btn->setFocus(Qt::OtherFocusReason);
    QDialog::showEvent(event);
}

void Toptions_frm::resizeEvent(QResizeEvent* event) {
    const int panelHeight = Design(this)(kPanelHeight);
    bottom_buttons_panel->setGeometry(0, height() - panelHeight, width(), panelHeight);
    QDialog::resizeEvent(event);
}

void Toptions_frm::keyPressEvent(QKeyEvent* event) {
    // The dialog is left with OK or its close button only; Cancel does
    // nothing, and neither does Escape.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    // Enter presses the focused button, as Space does. The buttons are not
    // auto-default, so that Enter in a text field presses nothing.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->window() == this && button->isEnabled()) {
            event->accept();
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
