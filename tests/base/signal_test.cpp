#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/signal.hpp"

namespace tessarin {
namespace {

TEST(Signal, CallsObserversInConnectionOrderUntilDisconnected) {
    Signal<int> signal;
    std::vector<std::string> calls;
    // Appended, not `"a" + std::to_string(v)`: GCC 12 at -O3 reports a false -Wrestrict there.
    auto a = signal.connect([&](int v) { calls.emplace_back("a").append(std::to_string(v)); });
    auto b = signal.connect([&](int v) { calls.emplace_back("b").append(std::to_string(v)); });
    signal.emit(1);
    EXPECT_TRUE(signal.disconnect(a));
    EXPECT_FALSE(signal.disconnect(a));
    signal.emit(2);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1", "b1", "b2"}));
    EXPECT_NE(a, b);
}

TEST(Signal, ObserversMayChangeTheListWhileCalled) {
    Signal<> signal;
    std::vector<std::string> calls;
    Signal<>::Token second;
    Signal<>::Token self;
    self = signal.connect([&] {
        calls.push_back("first");
        signal.disconnect(self);    // itself
        signal.disconnect(second);  // one not yet called
        signal.connect([&] { calls.push_back("late"); });
    });
    second = signal.connect([&] { calls.push_back("second"); });
    signal.emit();
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));
    signal.emit();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "late"}));
    EXPECT_EQ(signal.size(), 1u);
}

}  // namespace
}  // namespace tessarin
