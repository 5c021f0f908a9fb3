#pragma once
// The component model every database-layer class and every window stands on:
// a name, an owner that destroys what it owns, and the "loading" mark that is
// set while a window is being built from its stored description.

#include <QString>
#include <vector>

class TComponent;

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const QString& Name() const { return name_; }
    virtual void SetName(const QString& name) { name_ = name; }

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(index); }
    // First owned component with this name, compared without regard to case.
    TComponent* FindComponent(const QString& name) const;

    // Takes ownership of component (removing it from its previous owner).
    void InsertComponent(TComponent* component);
    // Gives up ownership without destroying the component.
    void RemoveComponent(TComponent* component);

    bool IsLoading() const { return loading_; }
    bool IsDestroying() const { return destroying_; }

    // A component created under a loading owner starts loading too.
    // Marks this component and everything it owns as loading; EndLoading clears
    // the marks and calls Loaded() on each, owned components first, in
    // creation order, and this component last.
    void BeginLoading();
    void EndLoading();

    // Destroys the owned components, last created first. Derived destructors
    // that own components referring back to them call this before their own
    // members go away.
    void DestroyComponents();

protected:
    virtual void Loaded() {}
    // Told about components inserted into or removed from the same owner.
    virtual void Notification(TComponent* component, TOperation operation);
    void MarkDestroying() { destroying_ = true; }

private:
    QString name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    bool loading_ = false;
    bool destroying_ = false;
};

// The component's name preceded by its owners' names, outermost first, joined
// with "."; owners with an empty name are skipped (main_frm.faculty_dataset).
QString FullComponentName(const TComponent* component);
