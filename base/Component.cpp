#include "base/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) {
    if (owner) {
        // A component created while its owner is being built from its stored
        // description is part of that description.
        loading_ = owner->IsLoading();
        owner->InsertComponent(this);
    }
}

TComponent::~TComponent() {
    destroying_ = true;
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const QString& name) const {
    for (TComponent* c : components_)
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_ == this)
        return;
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    for (TComponent* c : components_)
        if (c != component)
            c->Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end())
        return;
    components_.erase(it);
    component->owner_ = nullptr;
    Notification(component, TOperation::opRemove);
    // Copy: a notification may remove further components.
    const std::vector<TComponent*> others = components_;
    for (TComponent* c : others)
        c->Notification(component, TOperation::opRemove);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::BeginLoading() {
    loading_ = true;
    for (TComponent* c : components_)
        c->BeginLoading();
}

void TComponent::EndLoading() {
    for (TComponent* c : components_)
        c->EndLoading();
    loading_ = false;
    Loaded();
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        RemoveComponent(last);
        delete last;
    }
}

QString FullComponentName(const TComponent* component) {
    if (!component)
        return QString();
    QString result = component->Name();
    for (const TComponent* o = component->Owner(); o; o = o->Owner())
        if (!o->Name().isEmpty())
            result = o->Name() + QLatin1Char('.') + result;
    return result;
}
