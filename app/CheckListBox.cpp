#include "app/CheckListBox.h"

#include "app/CheckListBoxAccessible.h"

#include "ui/UserDialogs.h"

#include <QMouseEvent>

#include <algorithm>

namespace {

// Counts the program's own changes so that the signals they raise are not
// taken for the user's.
class TByCode {
public:
    explicit TByCode(int& depth) : depth_(depth) { ++depth_; }
    ~TByCode() { --depth_; }
    TByCode(const TByCode&) = delete;
    TByCode& operator=(const TByCode&) = delete;

private:
    int& depth_;
};

} // namespace

TCheckListBox::TCheckListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::currentRowChanged, this, [this] { CurrentChanged(); });
    connect(this, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { ItemChanged(item); });
    InstallCheckListAccessibility();
    // A mark set by the program is news to a screen reader as much as one
    // the user toggled.
    connect(this, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { NotifyCheckListMark(*this, row(item)); });
}

QString TCheckListBox::Item(int index) const {
    return item(index)->text();
}

QStringList TCheckListBox::Items() const {
    QStringList texts;
    for (int i = 0; i < count(); ++i)
        texts << item(i)->text();
    return texts;
}

void TCheckListBox::Add(const QString& text) {
    TByCode guard(byCode_);
    auto* entry = new QListWidgetItem(text);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
    entry->setSizeHint(QSize(0, ItemHeight()));
    addItem(entry);
}

int TCheckListBox::ItemHeight() const {
    return std::max(kItemHeight, fontMetrics().height() + 2);
}

void TCheckListBox::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() != QEvent::FontChange)
        return;
    TByCode guard(byCode_);
    for (int i = 0; i < count(); ++i)
        item(i)->setSizeHint(QSize(0, ItemHeight()));
}

void TCheckListBox::Clear() {
    TByCode guard(byCode_);
    clear();
    if (!rebuiltJustNow_) {
        rebuiltJustNow_ = true;
        QMetaObject::invokeMethod(
            this, [this] { rebuiltJustNow_ = false; }, Qt::QueuedConnection);
    }
}

void TCheckListBox::mousePressEvent(QMouseEvent* event) {
    pressOnRebuiltItems_ = rebuiltJustNow_;
    QListWidget::mousePressEvent(event);
}

void TCheckListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressOnRebuiltItems_) {
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    // The item stays selected, its mark as the database has it.
    pressOnRebuiltItems_ = false;
    QListWidgetItem* under = itemAt(event->position().toPoint());
    const Qt::CheckState before = under ? under->checkState() : Qt::Unchecked;
    TByCode guard(byCode_);
    QListWidget::mouseReleaseEvent(event);
    if (under && under->checkState() != before)
        under->setCheckState(before);
}

bool TCheckListBox::Checked(int index) const {
    return item(index)->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
    TByCode guard(byCode_);
    item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TCheckListBox::SetItemIndex(int index) {
    TByCode guard(byCode_);
    setCurrentRow(index);
}

void TCheckListBox::CurrentChanged() {
    if (byCode_ == 0 && OnClick && currentRow() >= 0)
        HandleEvent([this] { OnClick(*this); });
}

void TCheckListBox::ItemChanged(QListWidgetItem* changed) {
    if (byCode_ != 0 || !OnClickCheck)
        return;
    // The toggled item is the selected one, as a click on its box selects it.
    if (currentItem() != changed) {
        TByCode guard(byCode_);
        setCurrentItem(changed);
    }
    HandleEvent([this] { OnClickCheck(*this); });
}
