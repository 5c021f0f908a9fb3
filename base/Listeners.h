#pragma once
// An ordered list of callbacks that others register with a connection or a
// transaction. Add returns a key for Remove; Call runs them in the order they
// were added (or the reverse), each at most once, tolerating additions and
// removals made by the callbacks themselves.

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

template <typename... Args> class TListenerList {
public:
    using Listener = std::function<void(Args...)>;

    int Add(Listener listener) {
        entries_.push_back({++lastKey_, std::move(listener)});
        return lastKey_;
    }
    void Remove(int key) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (it->key == key) {
                entries_.erase(it);
                return;
            }
    }
    bool IsEmpty() const { return entries_.empty(); }

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
    std::vector<int> Keys(bool reversed) const {
        std::vector<int> keys;
        for (const Entry& e : entries_)
            keys.push_back(e.key);
        if (reversed)
            std::reverse(keys.begin(), keys.end());
        return keys;
    }
    const Listener* Find(int key) const {
        for (const Entry& e : entries_)
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

    std::vector<Entry> entries_;
    int lastKey_ = 0;
};
