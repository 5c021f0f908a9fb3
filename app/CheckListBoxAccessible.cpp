#include "app/CheckListBoxAccessible.h"

#include "app/CheckListBox.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <utility>

namespace {

class TCheckItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TCheckItemAccessible(TCheckListBox* list, int index) : list_(list), index_(index) {}

    bool isValid() const override { return list_ && index_ < list_->Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return list_ ? QAccessible::queryAccessibleInterface(list_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? list_->Item(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return QRect();
        const QRect r = list_->visualItemRect(list_->item(index_));
        if (r.isEmpty())
            return QRect();
        return QRect(list_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    // A check box in a list: Qt's bridge to AT-SPI does not pass the
    // checkable state on, and a reader would announce a plain item.
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.checkable = true;
        s.checked = list_->Checked(index_);
        s.focusable = true;
        s.selectable = true;
        s.selected = list_->ItemIndex() == index_;
        s.focused = s.selected && list_->hasFocus();
        s.disabled = !list_->isEnabled();
        s.invisible = !list_->isVisible() || rect().isNull();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }
    QStringList keyBindingsForAction(const QString& name) const override {
        return name == toggleAction() ? QStringList{QStringLiteral("Space")} : QStringList();
    }
    void doAction(const QString& name) override {
        if (!isValid() || !list_->isEnabled())
            return;
        QListWidgetItem* item = list_->item(index_);
        if (name == toggleAction()) {
            // As a click on the box: the list selects the item and runs the
            // handler of a user's toggle.
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        } else if (name == setFocusAction()) {
            list_->setFocus(Qt::OtherFocusReason);
            list_->setCurrentItem(item);
        }
    }

private:
    QPointer<TCheckListBox> list_;
    int index_;
};

class TCheckListAccessible : public QAccessibleWidget {
public:
    explicit TCheckListAccessible(TCheckListBox* list)
        : QAccessibleWidget(list, QAccessible::List) {}
    ~TCheckListAccessible() override {
        for (QAccessible::Id id : std::as_const(ids_))
            QAccessible::deleteAccessibleInterface(id);
    }
    TCheckListBox& List() const { return *static_cast<TCheckListBox*>(widget()); }

    int childCount() const override { return List().Count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= List().Count())
            return nullptr;
        if (auto it = ids_.constFind(index); it != ids_.constEnd())
            if (QAccessibleInterface* item = QAccessible::accessibleInterface(*it))
                return item;
        auto* item = new TCheckItemAccessible(&List(), index);
        ids_.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
        for (auto it = ids_.constBegin(); it != ids_.constEnd(); ++it)
            if (it.value() == id)
                return it.key() < List().Count() ? it.key() : -1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface* c = child(i); c->rect().contains(x, y))
                return c;
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        return List().hasFocus() ? child(List().ItemIndex()) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty()) {
            for (const QLabel* label : List().window()->findChildren<QLabel*>())
                if (label->buddy() == &List())
                    return label->text();
        }
        return text;
    }

private:
    mutable QHash<int, QAccessible::Id> ids_;
};

QAccessibleInterface* CheckListFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TCheckListBox") && object && object->isWidgetType())
        return new TCheckListAccessible(static_cast<TCheckListBox*>(object));
    return nullptr;
}

} // namespace

void InstallCheckListAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(CheckListFactory);
        return true;
    }();
    (void)installed;
}

void NotifyCheckListMark(TCheckListBox& list, int index) {
    if (!QAccessible::isActive() || index < 0)
        return;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&list);
    QAccessibleInterface* item = iface ? iface->child(index) : nullptr;
    if (!item)
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(item, changed);
    QAccessible::updateAccessibility(&event);
}
