#include <gtest/gtest.h>

#include "ui/focus_border.hpp"
#include "ui/gap_preview.hpp"
#include "ui/strip_overview.hpp"
#include "ui/strip_picture.hpp"

namespace tessarin::test {
namespace {

using Column = StripIndicatorModel::Column;

Column column(std::int64_t index, double x, double width, std::size_t icons = 1) {
    return {index, std::vector<std::string>(icons, "app"), {}, x, width, false};
}

TEST(OverlayGeometry, ScaleKeepsTheStripOnScreenAndTheDisplayNarrow) {
    struct Case {
        double total, viewWidth;
        std::optional<double> main;
        double want;
    } cases[] = {
        {2000, 1000, 1440, 0.13},     // the display's cap wins
        {20000, 1000, 1440, 0.0576},  // 80 % of the main screen wins
        {0.5, 0, 1440, 130},          // under one point: the screen share is not divided
        {20000, 10000, std::nullopt, 0.013},
        {100000, 100, std::nullopt, 0.01152},
        {0, 10000, std::nullopt, 0.013},
        {0, 0.5, std::nullopt, 130},  // the cap's divisor is at least 1
        {0, 0.01, std::nullopt, 130},
    };
    for (const Case& c : cases) {
        std::vector<Column> columns;
        if (c.total > 0) columns = {column(0, 0, c.total / 2), column(1, c.total / 2, c.total / 2)};
        EXPECT_NEAR(overview::scale(columns, c.viewWidth, c.main), c.want, 1e-9) << c.total;
    }
    // Without columns and a tiny view the fixed width bounds it.
    EXPECT_DOUBLE_EQ(overview::scale({}, 0.001, std::nullopt), 130);
    EXPECT_DOUBLE_EQ(overview::scale({}, 1e-9, std::nullopt), 130);
}

TEST(OverlayGeometry, TilesViewportAndPanelFollowTheStrip) {
    // A narrow strip: the viewport outline sets the width.
    StripIndicatorModel narrow{"K", {column(0, 0, 400)}, 0, 1000};
    auto layout = overview::layout(narrow, 0.1);
    EXPECT_EQ(layout.viewport, (Rect{12, 12, 100, 62}));
    EXPECT_EQ(layout.panel, (Size{124, 86}));
    EXPECT_EQ(layout.tiles[0].frame, (Rect{12, 16, 40, 54}));
    EXPECT_EQ(layout.tiles[0].icons, (Rect{18, 29, 28, 28}));  // 40-8 capped at 28, centred

    // Scrolled before the start: both shift right by the overhang.
    StripIndicatorModel early{"K", {column(0, 0, 2000), column(1, 2000, 50, 4)}, -300, 1000};
    early.columns[1].focused = true;
    layout = overview::layout(early, 0.1);
    EXPECT_DOUBLE_EQ(layout.minX, -30);
    EXPECT_EQ(layout.viewport.x, 12);
    EXPECT_EQ(layout.tiles[0].frame.x, 42);
    EXPECT_DOUBLE_EQ(layout.content, 205);
    EXPECT_DOUBLE_EQ(layout.panel.width, 235 + 24);
    // A very narrow column of four windows: 18 wide, three icons of 12.
    const overview::Tile& thin = layout.tiles[1];
    EXPECT_EQ(thin.frame.width, 18);
    EXPECT_EQ(thin.iconCount, 3);
    EXPECT_EQ(thin.iconSide, 12);
    EXPECT_TRUE(thin.focused);
    EXPECT_DOUBLE_EQ(thin.icons.y, 16 + (54 - 40) / 2.0);
    EXPECT_EQ(overview::tileAt(layout, thin.frame.center()), 1);
    EXPECT_EQ(overview::tileAt(layout, {5, 5}), std::nullopt);

    // Four wide windows are drawn at most 16; one alone at most 28; a display 1000 wide at 130.
    StripIndicatorModel wide{"K", {column(0, 0, 5000, 4), column(1, 5000, 5000, 1)}, 0, 1000};
    layout = overview::layout(wide, overview::scale(wide.columns, 1000, 10000));
    EXPECT_EQ(layout.tiles[0].iconSide, 16);
    EXPECT_EQ(layout.tiles[1].iconSide, 28);
    EXPECT_DOUBLE_EQ(layout.viewport.width, 130);
    EXPECT_EQ(overview::origin({0, 25, 1440, 875}, {200, 86}), (Point{620, 786}));
}

TEST(OverlayGeometry, FadeWaitsKeepsAliveFadesAndComesBack) {
    using Fade = overview::Fade;
    using Step = Fade::Step;
    struct Tick {
        double at;
        bool hover, held, inside;
        Step want;
    };
    struct Case {
        bool sticky;
        std::vector<Tick> ticks;
    } cases[] = {
        // Idle 0.7 s, then a fade of 0.35 s that ends hidden.
        {false,
         {{0.6, 0, 0, 0, Step::none},
          {0.8, 0, 0, 0, Step::setOpacity},
          {1.0, 1, 1, 0, Step::setOpacity},
          {1.2, 0, 0, 0, Step::hide},
          {1.4, 0, 0, 0, Step::none}}},
        // Held modifiers keep it; hovering keeps a sticky one; the pointer inside at the end
        // brings it back.
        {false,
         {{2.0, 0, 1, 0, Step::none},
          {2.6, 0, 0, 0, Step::none},
          {2.8, 0, 0, 0, Step::setOpacity},
          {3.2, 1, 0, 1, Step::reappear},
          {3.8, 0, 0, 0, Step::none},
          {4.0, 0, 0, 0, Step::setOpacity}}},
        {true, {{1.8, 0, 1, 0, Step::none}, {2.2, 0, 1, 0, Step::setOpacity}}},
        {true,
         {{1.9, 1, 0, 0, Step::none},
          {3.8, 0, 0, 0, Step::none},
          {4.0, 0, 0, 0, Step::setOpacity}}},
    };
    for (const Case& c : cases) {
        Fade fade;
        EXPECT_EQ(fade.tick(0, 0, 0, 0).step, Step::none);
        fade.schedule(0, c.sticky);
        for (const Tick& t : c.ticks)
            EXPECT_EQ(fade.tick(t.at, t.hover, t.held, t.inside).step, t.want) << c.sticky << t.at;
    }
    Fade fade;
    fade.schedule(0, false);
    fade.tick(0.8, false, false, false);
    EXPECT_NEAR(fade.tick(0.94, false, false, false).opacity, 0.6, 1e-9);
    fade.touch(0.9);  // a refresh while fading does not stop it
    EXPECT_EQ(fade.phase(), Fade::Phase::fading);
}

TEST(OverlayGeometry, BorderPreviewAndPictureCoordinates) {
    const BorderGeometry border = borderGeometry({100, 50, 400, 300}, 6);
    EXPECT_EQ(border.window, (Rect{94, 44, 412, 312}));
    EXPECT_EQ(border.stroke, (Rect{3, 3, 406, 306}));

    const GapPreviewScreen screen{
        {1440, 0, 1280, 800}, {1450, 35, 1260, 755}, {{1450, 35, 600, 755}}};
    const GapPreviewPicture picture = previewPicture(screen);
    EXPECT_EQ(picture.bounds, (Rect{0, 0, 1280, 800}));
    EXPECT_EQ(picture.area, (Rect{10, 35, 1260, 755}));
    EXPECT_EQ(picture.windows, std::vector<Rect>{(Rect{10, 35, 600, 755})});

    StripPicture desk;
    desk.screens = {{"A", "A", {0, 0, 1440, 900}, true}, {"B", "B", {1440, 0, 1440, 900}, false}};
    desk.windows = {{1, "a(1)", {-703, 35, 705, 855}, "tiled", false, true}};
    const PictureTransform wide = pictureTransform(desk);
    EXPECT_DOUBLE_EQ(wide.scale, 1552.0 / 3583);
    EXPECT_EQ(wide.map(Point{-703, 0}), (Point{24, 24}));
    EXPECT_DOUBLE_EQ(wide.image.width, 1600);
    desk.screens.pop_back();
    desk.windows.clear();
    EXPECT_DOUBLE_EQ(pictureTransform(desk).scale, 1);  // small ones are not blown up
    EXPECT_EQ(pictureTransform(desk).image, (Size{1488, 948}));
}

}  // namespace
}  // namespace tessarin::test
