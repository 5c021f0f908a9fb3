#pragma once
// A list of texts with a mark box in front of each item. The program sets
// items and marks freely; only the user's own acts run the handlers: OnClick
// when the user selects an item (mouse or keyboard), OnClickCheck after the
// user toggled a mark (a click on its box, which also selects the item, or the
// space bar on the selected item).

#include <QListWidget>
#include <functional>

class TCheckListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TCheckListBox(QWidget* parent = nullptr);

    // The designed item height, a pixel above and below a 14-pixel text;
    // a larger font's items are as much higher as its text is.
    static constexpr int kItemHeight = 16;
    int ItemHeight() const;

    int Count() const { return count(); }
    QString Item(int index) const;
    // Appends an unmarked item.
    void Add(const QString& text);
    void Clear();
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);
    // -1 when none is selected.
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int index);
    QStringList Items() const;

    std::function<void(TCheckListBox&)> OnClick;
    std::function<void(TCheckListBox&)> OnClickCheck;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CurrentChanged();
    void ItemChanged(QListWidgetItem* item);

    int byCode_ = 0; // changes made by the program run no handler
    // Rebuilt while the current event is still being handled: a mouse press
    // that gives this list the focus can make another control give up its
    // row (a new one nobody typed in), and the lists then show another
    // record's items under the pointer.
    bool rebuiltJustNow_ = false;
    // The press landed on items it was not aimed at; its release toggles none.
    bool pressOnRebuiltItems_ = false;
};
