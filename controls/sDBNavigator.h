#pragma once
// The record navigator: a bar of ten flat buttons that move through the
// dataset of a data source and start, post and cancel its edits. The buttons
// follow the dataset through the navigator's own data link; every action ends
// in OnClick, and exceptions stop in the button's event handler.

#include "controls/NavigatorGlyphs.h"
#include "dataset/DB.h"

#include <QAbstractButton>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class TsDBNavigator;

// The set of TNavigateBtn values, one bit per button.
class TNavButtonSet {
public:
    constexpr TNavButtonSet() = default;
    constexpr TNavButtonSet(std::initializer_list<TNavigateBtn> buttons) {
        for (TNavigateBtn b : buttons)
            bits_ |= Bit(b);
    }
    static constexpr TNavButtonSet All() {
        TNavButtonSet s;
        s.bits_ = (1u << kNavigateBtnCount) - 1;
        return s;
    }
    constexpr bool Contains(TNavigateBtn b) const { return bits_ & Bit(b); }
    constexpr int Count() const {
        int n = 0;
        for (unsigned v = bits_; v; v &= v - 1)
            ++n;
        return n;
    }
    constexpr bool operator==(const TNavButtonSet&) const = default;

private:
    static constexpr unsigned Bit(TNavigateBtn b) { return 1u << static_cast<int>(b); }
    unsigned bits_ = 0;
};

// The layout of the visible buttons: equal integer widths, and the width the
// bar takes when it is trimmed to them.
struct TNavigatorLayout {
    int buttonWidth = 0;
    int buttonHeight = 0;
    int barWidth = 0;  // visible count x buttonWidth + 2 x border
    int minWidth = 0;  // visible count x 6 + 2 x border
    int minHeight = 0; // 6 + 2 x border
};
TNavigatorLayout NavigatorLayout(int width, int height, int border, int visibleCount);

// The texts of the buttons' default hints, in button order.
QStringList DefaultNavigatorHints();

// The navigator's link to its data source; a visual link.
class TsNavDataLink : public TDataLink {
public:
    explicit TsNavDataLink(TsDBNavigator* navigator);
    ~TsNavDataLink() override;

protected:
    void LinkActiveChange() override;
    void LinkDataSetChange() override;
    void LinkEditingChange() override;

private:
    TsDBNavigator* navigator_;
};

// One button of the bar. Prior and Next repeat while held: the first repeat
// comes 400 ms after the press, the following ones every 100 ms.
class TNavButton : public QAbstractButton {
    Q_OBJECT
public:
    TNavButton(TsDBNavigator* navigator, TNavigateBtn kind);

    TNavigateBtn Kind() const { return kind_; }
    bool Repeats() const;
    // The repeat timer (inactive unless the button is held); for tests.
    const QTimer& RepeatTimer() const { return repeat_; }

    static constexpr int kInitialRepeatMs = 400;
    static constexpr int kRepeatMs = 100;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void RepeatTick();

    TsDBNavigator* navigator_;
    TNavigateBtn kind_;
    QTimer repeat_;
    bool hovered_ = false;
};

class TsDBNavigator : public QWidget {
    Q_OBJECT
public:
    using TNavClick = std::function<void(TsDBNavigator* sender, TNavigateBtn button)>;

    explicit TsDBNavigator(QWidget* parent = nullptr);
    ~TsDBNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);

    TNavButtonSet VisibleButtons() const { return visible_; }
    void SetVisibleButtons(TNavButtonSet buttons);

    // The custom hints: empty while the default hints are in force.
    const QStringList& Hints() const { return hints_; }
    void SetHints(const QStringList& hints);
    // The hint a button shows (default or custom).
    QString ButtonHint(TNavigateBtn button) const;

    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool confirm) { confirmDelete_ = confirm; }

    // Images drawn instead of the glyphs: image FirstImageIndex + button number.
    void SetImages(const QList<QIcon>& images) {
        images_ = images;
        update();
    }
    int FirstImageIndex() const { return firstImageIndex_; }
    void SetFirstImageIndex(int index) {
        firstImageIndex_ = index;
        update();
    }

    // Not aligned to its parent, the bar trims its width to its buttons.
    bool AlignedToParent() const { return aligned_; }
    void SetAlignedToParent(bool aligned);
    int BorderWidth() const { return kBorder; }

    TNavClick BeforeAction;
    TNavClick OnClick;

    // The action of a button, then OnClick. Exceptions propagate.
    void ButtonAction(TNavigateBtn button);
    // A click on a button as the user makes it: exceptions stop here and are
    // shown; returns whether the action completed.
    bool ClickButton(TNavigateBtn button);

    TNavButton* Button(TNavigateBtn button) const { return buttons_[static_cast<int>(button)]; }
    TNavigateBtn FocusedButton() const { return focused_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TsNavDataLink;
    friend class TNavButton;

    enum class TRecompute { All, Moving, Editing };
    void UpdateEnabled(TRecompute what);
    void ApplyHints();
    void LayoutButtons();
    void MoveFocus(int step);
    QIcon ImageFor(TNavigateBtn button) const;
    static constexpr int kBorder = 1;

    TsNavDataLink link_;
    std::array<TNavButton*, kNavigateBtnCount> buttons_{};
    TNavButtonSet visible_ = TNavButtonSet::All();
    QStringList hints_;
    bool confirmDelete_ = true;
    bool aligned_ = false;
    bool laying_ = false;
    QList<QIcon> images_;
    int firstImageIndex_ = 0;
    TNavigateBtn focused_ = TNavigateBtn::nbFirst;
};
