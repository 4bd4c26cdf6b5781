#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/geometry.hpp"
#include "core/window_map.hpp"
#include "support/seed.hpp"

namespace tessarin {
namespace {

std::vector<WindowID> keys(const WindowMap<int>& map) {
    std::vector<WindowID> result;
    for (const auto& [window, value] : map)
        result.push_back(window);
    return result;
}

TEST(WindowMap, RefillKeepsFirstOrderAndLaterValuesAndEraseKeepsTheRest) {
    WindowMap<int> map{{1, 1}};
    map.refill([](auto add) {
        for (auto [window, value] :
             {std::pair<WindowID, int>{30, 1}, {10, 2}, {30, 3}, {20, 4}, {10, 5}})
            add(window, value);
    });
    EXPECT_EQ(keys(map), (std::vector<WindowID>{30, 10, 20}));
    EXPECT_EQ(map.valueOr(10, 0), 5);
    EXPECT_EQ(map.valueOr(1, -1), -1);
    // Equality ignores order but not values.
    EXPECT_EQ(map, (WindowMap<int>{{20, 4}, {10, 2}, {30, 3}, {10, 5}}));
    EXPECT_NE(map, (WindowMap<int>{{20, 4}, {10, 5}, {30, 4}}));
    EXPECT_TRUE(map.erase(30));
    EXPECT_FALSE(map.erase(30));
    EXPECT_EQ(keys(map), (std::vector<WindowID>{10, 20}));
}

// Clustered and colliding numbers, growth past several index sizes, erasures and refills,
// checked against std::map after every step.
TEST(WindowMap, BehavesLikeAnOrderedMapUnderRandomEdits) {
    std::mt19937_64 rng(test::seed("WindowMap.RandomEdits"));
    WindowMap<int> map;
    std::map<WindowID, int> model;
    auto randomWindow = [&] {
        return static_cast<WindowID>(rng() % 2 ? rng() % 300 : (rng() % 40) << 28);
    };
    const int steps = test::longRun() ? 200000 : 20000;
    for (int step = 0; step < steps; ++step) {
        const WindowID window = randomWindow();
        switch (rng() % 10) {
            case 0:
                ASSERT_EQ(map.erase(window), model.erase(window) == 1);
                break;
            case 1:
                if (rng() % 50 == 0) {
                    const auto count = rng() % 400;
                    model.clear();
                    map.refill([&](auto add) {
                        for (std::uint64_t i = 0; i < count; ++i) {
                            const WindowID w = randomWindow();
                            add(w, static_cast<int>(i));
                            model[w] = static_cast<int>(i);
                        }
                    });
                }
                break;
            default:
                map.insertOrAssign(window, step);
                model[window] = step;
        }
        ASSERT_EQ(map.size(), model.size()) << "step " << step;
        const WindowID probe = randomWindow();
        const auto it = model.find(probe);
        ASSERT_EQ(map.valueOr(probe, -1), it == model.end() ? -1 : it->second) << "step " << step;
    }
    for (const auto& [window, value] : model)
        ASSERT_EQ(map.valueOr(window, -1), value);
}

TEST(Geometry, EdgesAndHalfOpenContainment) {
    const Rect r{10, 20, 100, 50};
    EXPECT_EQ(r.maxX(), 110);
    EXPECT_EQ(r.maxY(), 70);
    EXPECT_EQ(r.center(), (Point{60, 45}));
    EXPECT_TRUE(r.contains({10, 20}));
    EXPECT_FALSE(r.contains({110, 30}));
    EXPECT_EQ(r.insetBy(5), (Rect{15, 25, 90, 40}));
}

}  // namespace
}  // namespace tessarin
