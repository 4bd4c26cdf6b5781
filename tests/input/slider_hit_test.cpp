#include "input/slider_hit_test.hpp"

#include <gtest/gtest.h>

#include "backends/sim/sim_desktop.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"
#include "system/ax.hpp"
#include "system/web_accessibility.hpp"
#include "system/window_mover.hpp"

namespace tessarin {
namespace {

using sim::ElementSetup;

constexpr Rect kVideo{200, 150, 640, 360};
constexpr Point kCentre{520, 330};

ElementSetup element(std::string role, Rect frame, std::vector<ElementSetup> children = {}) {
    ElementSetup setup;
    setup.role = std::move(role);
    setup.frame = frame;
    setup.children = std::move(children);
    return setup;
}

ElementSetup group(Rect frame, std::vector<ElementSetup> children = {}) {
    return element("AXGroup", frame, std::move(children));
}

// One display, this program and a page application, the page's window holding a tree.
struct Desk {
    explicit Desk(std::string pageBundle = "com.example.page") {
        sim.plugDisplay(sim::makeDisplay("MAIN", {0, 0, 1440, 900}));
        own = sim.launch(sim::makeApp("org.tessarin", "Tessarin"));
        page = sim.launch(sim::makeApp(pageBundle, "Page"));
    }
    // The page's window at `layer`, or at 0 behind a window of ours at `layer`.
    void open(const std::vector<ElementSetup>& tree, std::int64_t layer = 0, bool ours = false) {
        auto setup = sim::makeWindow("Page", {100, 100, 1000, 700});
        setup.layer = ours ? 0 : layer;
        const WindowID id = *sim.openWindow(page, setup);
        for (const ElementSetup& element : tree)
            sim.addElement(*sim.element(id), element);
        setup.layer = layer;
        if (ours) sim.openWindow(own, setup);
    }
    SliderHitTest::Services services() {
        return {sim.accessibility(), sim.windowServer(), own, &web};
    }
    std::optional<std::string> classify(Point at = kCentre) {
        return SliderHitTest::classify(services(), at);
    }

    VirtualLoop loop;
    sim::SimDesktop sim{loop};
    SteppedExecutor queues;
    WebAccessibility web{WindowMover::create(sim.accessibility(), queues, loop, sim.clock()),
                         sim.workspace(), [] { return true; }};
    Pid own = 0;
    Pid page = 0;
};

struct Case {
    Case(const char* name, std::vector<ElementSetup> tree, std::optional<std::string> reason,
         Point at = kCentre, std::int64_t layer = 0, bool ours = false)
        : name(name),
          tree(std::move(tree)),
          reason(std::move(reason)),
          at(at),
          layer(layer),
          ours(ours) {}
    const char* name;
    std::vector<ElementSetup> tree;
    std::optional<std::string> reason;
    Point at;
    std::int64_t layer;
    bool ours;
};

// A player marked by one attribute, the point on a small control inside it.
ElementSetup labelled(std::optional<std::string> ElementSetup::*field, std::string value) {
    ElementSetup player = group(kVideo, {group({500, 320, 40, 40})});
    player.*field = std::move(value);
    return player;
}

// The content area over a player, with a slider somewhere in the player.
ElementSetup withBar(Rect bar) {
    return group(kVideo, {group({200, 150, 640, 300}, {element("AXStaticText", {})}),
                          element("AXSlider", bar)});
}

TEST(SliderHitTest, ClassifiesWhatLiesUnderThePoint) {
    ElementSetup classed = labelled(&ElementSetup::title, "Clip");
    classed.domClasses = {{"a", "ytp-chrome"}};
    ElementSetup text = group(kVideo);
    text.characters = 4;
    const Case cases[] = {
        {"native slider", {element("AXSlider", {400, 320, 300, 20})}, "slider (AXSlider)"},
        {"role description",
         {labelled(&ElementSetup::roleDescription, "Video")},
         "known video player"},
        {"label", {labelled(&ElementSetup::description, "Embedded Video")}, "known video player"},
        {"identifier",
         {labelled(&ElementSetup::domIdentifier, "movie_player")},
         "known video player"},
        {"class prefix", {classed}, "known video player"},
        {"empty group", {group(kVideo)}, "video picture"},
        {"too narrow", {group({420, 150, 199, 300})}, std::nullopt},
        {"too tall", {group({420, 150, 200, 501})}, std::nullopt},
        {"tall enough", {group({420, 150, 200, 500})}, "video picture"},
        {"too flat", {group({300, 300, 300, 109})}, std::nullopt},
        {"high enough", {group({300, 300, 300, 110})}, "video picture"},
        {"too wide", {group({200, 300, 561, 200})}, std::nullopt},
        {"wide enough", {group({200, 300, 560, 200})}, "video picture"},
        {"text is no picture", {text}, std::nullopt},
        {"group filling the window", {group({100, 100, 950, 630})}, std::nullopt},
        {"group short of the window's height", {group({100, 100, 950, 559})}, "video picture"},
        {"overlay",
         {group(kVideo, {group(kVideo), group(kVideo, {group({210, 160, 20, 20})})})},
         "video picture behind an overlay"},
        {"seek bar below", {withBar({200, 480, 256, 10})}, "player with a seek bar"},
        {"narrow bar below", {withBar({200, 480, 255, 10})}, std::nullopt},
        {"slider above", {withBar({200, 160, 256, 10})}, std::nullopt},
        {"desktop", {group(kVideo)}, std::nullopt, {1300, 850}},
        {"menu", {group(kVideo)}, std::nullopt, kCentre, 20},
        {"floating panel", {group(kVideo)}, "video picture", kCentre, 19},
        {"own window", {group(kVideo)}, std::nullopt, kCentre, 0, true},
        {"own panel", {group(kVideo)}, "video picture", kCentre, 3, true},
    };
    for (const Case& c : cases) {
        Desk desk;
        desk.open(c.tree, c.layer, c.ours);
        EXPECT_EQ(desk.classify(c.at), c.reason) << c.name;
    }
}

// The probe's bounds: 8 nodes up, 80 nodes down, 12 children per node, queued to depth 2.
TEST(SliderHitTest, StopsAtItsBudgets) {
    for (int depth : {8, 9}) {
        ElementSetup chain = group({470, 280, 100, 100});
        for (int level = 1; level < depth; ++level)
            chain = group({470, 280, 100, 100}, {chain});
        chain.roleDescription = "video";
        Desk desk;
        desk.open({chain});
        EXPECT_EQ(desk.classify().has_value(), depth == 8) << depth;
    }

    const ElementSetup bar = element("AXSlider", {200, 480, 640, 10});
    struct Place {
        std::size_t child;
        std::vector<std::size_t> path;  // below that child
        std::size_t kids;               // of every child
        bool found;
    };
    // Read in order: the 12 children, then 6 below each; the 81st read is one too many.
    for (const Place& place :
         {Place{11, {1}, 6, true}, Place{11, {2}, 6, false}, Place{11, {}, 0, true},
          Place{12, {}, 0, false}, Place{0, {0, 0}, 0, true}, Place{0, {0, 0, 0}, 0, false}}) {
        ElementSetup player = group(kVideo);
        for (std::size_t i = 0; i < 13; ++i) {
            ElementSetup child = group({i ? 860.0 : 470.0, 280, 100, 100});
            child.children.assign(place.kids, group({i ? 860.0 : 600.0, 160, 10, 10}));
            player.children.push_back(child);
        }
        ElementSetup* slot = &player.children[place.child];
        for (std::size_t index : place.path) {
            if (slot->children.empty()) slot->children.push_back(group({600, 160, 10, 10}));
            slot = &slot->children[index];
        }
        *slot = bar;
        Desk desk;
        desk.open({player});
        EXPECT_EQ(desk.classify().has_value(), place.found)
            << place.child << " " << place.path.size();
    }
}

TEST(SliderHitTest, DescribesTheWalkAndAsksBrowsersForTheirPages) {
    Desk desk;
    EXPECT_EQ(SliderHitTest::describe(desk.services(), kCentre), "no element");
    ElementSetup clip = labelled(&ElementSetup::title, "Clip");
    clip.roleDescription = "Video";
    desk.open({clip});
    EXPECT_EQ(SliderHitTest::describe(desk.services(), kCentre),
              "→ known video player\n"
              "  0: AXGroup 500,320 40x40 children=0 chars=0\n"
              "  1: AXGroup 200,150 640x360 children=1 chars=0 desc=video label=clip \n"
              "  2: AXWindow 100,100 1000x700 children=1 chars=0 label=page \n"
              "  3: AXApplication ? children=0 chars=0 label=page ");

    for (const char* bundle : {"com.google.Chrome", "com.example.page"}) {
        Desk browser(bundle);
        browser.open({element("AXWebArea", {100, 100, 1000, 700})});
        EXPECT_EQ(browser.classify(), std::nullopt);
        browser.queues.drainAll();
        Accessibility& ax = browser.sim.accessibility();
        EXPECT_EQ(AX::boolean(ax, ax.application(browser.page), "AXEnhancedUserInterface"),
                  bundle == std::string("com.google.Chrome"))
            << bundle;
    }
}

}  // namespace
}  // namespace tessarin
