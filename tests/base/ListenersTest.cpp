// Listener registrations: each undoes itself when it goes away, whatever
// happens to the list first.

#include "base/Listeners.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

TEST(Listeners, ARegistrationRemovesItsCallbackWhenItEnds) {
    TListenerList<int> list;
    std::string log;
    TListenerRegistration a = list.Add([&](int v) { log += "a" + std::to_string(v); });
    {
        const TListenerRegistration b = list.Add([&](int v) { log += "b" + std::to_string(v); });
        TListenerRegistration c = list.Add([&](int v) { log += "c" + std::to_string(v); });
        list.Call(1);
        c.Release();
        EXPECT_FALSE(c.Registered());
        list.CallReversed(2);
    }
    list.Call(3);
    EXPECT_EQ(log, "a1b1c1b2a2a3");
    a = TListenerRegistration();
    EXPECT_TRUE(list.IsEmpty());
}

TEST(Listeners, AMovedRegistrationKeepsTheCallbackAndAReplacedOneDropsIt) {
    TListenerList<> list;
    std::string log;
    TListenerRegistration first = list.Add([&] { log += "1"; });
    TListenerRegistration moved = std::move(first);
    EXPECT_FALSE(first.Registered());
    EXPECT_TRUE(moved.Registered());
    list.Call();
    moved = list.Add([&] { log += "2"; }); // the callback "1" goes
    list.Call();
    EXPECT_EQ(log, "12");
}

TEST(Listeners, ARegistrationMayOutliveItsList) {
    TListenerRegistration kept;
    {
        auto list = std::make_unique<TListenerList<>>();
        kept = list->Add([] {});
        EXPECT_TRUE(kept.Registered());
    }
    EXPECT_FALSE(kept.Registered());
    kept.Release(); // nothing left to remove; must not touch the freed list
}

TEST(Listeners, ACallbackMayEndRegistrationsDuringTheCall) {
    TListenerList<> list;
    std::string log;
    TListenerRegistration second;
    TListenerRegistration first = list.Add([&] {
        log += "1";
        second.Release();
        first.Release();
    });
    second = list.Add([&] { log += "2"; });
    const TListenerRegistration third = list.Add([&] { log += "3"; });
    list.Call();
    list.Call();
    EXPECT_EQ(log, "133");
}
