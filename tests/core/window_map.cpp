#include <gtest/gtest.h>

#include "core/geometry.hpp"
#include "core/window_map.hpp"

namespace tessarin {
namespace {

std::vector<WindowID> keys(const WindowMap<int>& map) {
    std::vector<WindowID> result;
    for (const auto& [window, value] : map)
        result.push_back(window);
    return result;
}

TEST(WindowMap, RefillSortsByWindowAndKeepsTheLaterOfRepeatedWindows) {
    WindowMap<int> map;
    map.refill([](auto add) {
        add(30, 1);
        add(10, 2);
        add(30, 3);
        add(20, 4);
        add(10, 5);
    });
    EXPECT_EQ(keys(map), (std::vector<WindowID>{10, 20, 30}));
    EXPECT_EQ(map.valueOr(10, 0), 5);
    EXPECT_EQ(map.valueOr(30, 0), 3);
    EXPECT_EQ(map.valueOr(20, 0), 4);
    EXPECT_EQ(map.valueOr(99, -1), -1);
    EXPECT_EQ(map, (WindowMap<int>{{20, 4}, {10, 2}, {30, 3}, {10, 5}}));
}

TEST(WindowMap, InsertAssignAndEraseKeepOrder) {
    WindowMap<int> map{{5, 1}};
    map.insertOrAssign(2, 7);
    map.insertOrAssign(9, 8);
    map.insertOrAssign(5, 3);
    EXPECT_EQ(keys(map), (std::vector<WindowID>{2, 5, 9}));
    EXPECT_EQ(*map.find(5), 3);
    *map.find(9) = 4;
    EXPECT_EQ(map.valueOr(9, 0), 4);
    EXPECT_TRUE(map.erase(2));
    EXPECT_FALSE(map.erase(2));
    EXPECT_FALSE(map.contains(2));
    EXPECT_EQ(map.size(), 2u);
}

TEST(Geometry, EdgesAndHalfOpenContainment) {
    const Rect r{10, 20, 100, 50};
    EXPECT_EQ(r.maxX(), 110);
    EXPECT_EQ(r.maxY(), 70);
    EXPECT_EQ(r.midX(), 60);
    EXPECT_EQ(r.center(), (Point{60, 45}));
    EXPECT_TRUE(r.contains({10, 20}));
    EXPECT_FALSE(r.contains({110, 30}));
    EXPECT_FALSE(r.contains({50, 70}));
    EXPECT_EQ(r.insetBy(5), (Rect{15, 25, 90, 40}));
}

}  // namespace
}  // namespace tessarin
