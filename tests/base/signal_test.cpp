#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/signal.hpp"

namespace tessarin {
namespace {

TEST(Signal, CallsObserversInConnectionOrderUntilDisconnectedEvenFromInside) {
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

    // Observers may change the list while called.
    Signal<> changing;
    calls.clear();
    Signal<>::Token second;
    Signal<>::Token self;
    self = changing.connect([&] {
        calls.push_back("first");
        changing.disconnect(self);    // itself
        changing.disconnect(second);  // one not yet called
        changing.connect([&] { calls.push_back("late"); });
    });
    second = changing.connect([&] { calls.push_back("second"); });
    changing.emit();
    EXPECT_EQ(calls, (std::vector<std::string>{"first"}));
    changing.emit();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "late"}));
    EXPECT_EQ(changing.size(), 1u);
}

}  // namespace
}  // namespace tessarin
