#pragma once
// An ordered list of callbacks that others register with a connection or a
// transaction. Add returns the registration, whose destruction removes the
// callback again; Call runs them in the order they were added (or the
// reverse), each at most once, tolerating additions and removals made by the
// callbacks themselves.

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// The part of a list that a registration needs: removal by key.
class TListenerSlots {
public:
    virtual ~TListenerSlots() = default;
    virtual void Remove(int key) = 0;
};

// One callback's place in a list. Move-only; destroying it (or Release)
// removes the callback. It may outlive its list: then there is nothing left
// to remove. One type for every list, so that an object registering with
// lists of several kinds keeps its registrations together.
class [[nodiscard]] TListenerRegistration {
public:
    TListenerRegistration() = default;
    TListenerRegistration(std::weak_ptr<TListenerSlots> list, int key)
        : slots_(std::move(list)), key_(key) {}
    TListenerRegistration(TListenerRegistration&& other) noexcept
        : slots_(std::move(other.slots_)), key_(std::exchange(other.key_, 0)) {}
    TListenerRegistration& operator=(TListenerRegistration&& other) noexcept {
        if (this != &other) {
            Release();
            slots_ = std::move(other.slots_);
            key_ = std::exchange(other.key_, 0);
        }
        return *this;
    }
    TListenerRegistration(const TListenerRegistration&) = delete;
    TListenerRegistration& operator=(const TListenerRegistration&) = delete;
    ~TListenerRegistration() { Release(); }

    // Removes the callback now; afterwards the registration is empty.
    void Release() {
        if (const std::shared_ptr<TListenerSlots> list = slots_.lock())
            list->Remove(key_);
        slots_.reset();
        key_ = 0;
    }
    // True while the callback is in a list that still exists.
    bool Registered() const { return key_ != 0 && !slots_.expired(); }

private:
    std::weak_ptr<TListenerSlots> slots_;
    int key_ = 0;
};

template <typename... Args> class TListenerList {
public:
    using Listener = std::function<void(Args...)>;

    TListenerList() = default;
    TListenerList(const TListenerList&) = delete;
    TListenerList& operator=(const TListenerList&) = delete;

    TListenerRegistration Add(Listener listener) {
        slots_->entries.push_back({++slots_->lastKey, std::move(listener)});
        return TListenerRegistration(slots_, slots_->lastKey);
    }
    bool IsEmpty() const { return slots_->entries.empty(); }

    void Call(Args... args) const { CallKeys(Keys(false), args...); }
    void CallReversed(Args... args) const { CallKeys(Keys(true), args...); }
    // Calls in order while keepGoing() holds before each call.
    template <typename Pred> void CallWhile(Pred keepGoing, Args... args) const {
        for (int key : Keys(false)) {
            if (!keepGoing())
                return;
            if (const Listener* l = Find(key)) {
                Listener copy = *l;
                copy(args...);
            }
        }
    }

private:
    struct Entry {
        int key;
        Listener listener;
    };
    struct Slots final : TListenerSlots {
        std::vector<Entry> entries;
        int lastKey = 0;
        void Remove(int key) override {
            for (auto it = entries.begin(); it != entries.end(); ++it)
                if (it->key == key) {
                    entries.erase(it);
                    return;
                }
        }
    };

    std::vector<int> Keys(bool reversed) const {
        std::vector<int> keys;
        for (const Entry& e : slots_->entries)
            keys.push_back(e.key);
        if (reversed)
            std::reverse(keys.begin(), keys.end());
        return keys;
    }
    const Listener* Find(int key) const {
        for (const Entry& e : slots_->entries)
            if (e.key == key)
                return &e.listener;
        return nullptr;
    }
    void CallKeys(const std::vector<int>& keys, Args... args) const {
        for (int key : keys)
            if (const Listener* l = Find(key)) {
                Listener copy = *l; // the call may remove it
                copy(args...);
            }
    }

    // Shared with the registrations, which hold it weakly.
    std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};
