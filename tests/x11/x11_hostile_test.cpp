// What other programs may put in their windows' properties, and windows that vanish between
// an event and a request: answered with an error code or a clean value, never a crash.
#include <gtest/gtest.h>

#include <cmath>

#include "backends/x11/x11_desktop.hpp"
#include "base/real_loop.hpp"
#include "base/stepped_executor.hpp"
#include "x11/x_server.hpp"

namespace tessarin::x11 {
namespace {

using test::XServer;

class Hostile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.display().empty()) << server_.failure();
        std::string error;
        desktop_ = X11Desktop::open(server_.display(), loop_, error);
        ASSERT_TRUE(desktop_) << error;
        client_ = xcb_connect(server_.display().c_str(), nullptr);
    }
    void TearDown() override {
        desktop_.reset();
        if (client_) xcb_disconnect(client_);
    }

    // A mapped top-level with the given properties, already known to the backend.
    xcb_window_t open(
        const std::vector<std::pair<const char*, std::string>>& texts,
        const std::vector<std::pair<const char*, std::vector<std::uint32_t>>>& numbers) {
        const xcb_window_t window = xcb_generate_id(client_);
        xcb_create_window(client_, XCB_COPY_FROM_PARENT, window,
                          xcb_setup_roots_iterator(xcb_get_setup(client_)).data->root, 10, 10, 300,
                          200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const std::uint32_t pid = 4242;
        xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window,
                            test::internAtom(client_, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                            &pid);
        for (const auto& [name, text] : texts) {
            xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window,
                                test::internAtom(client_, name), XCB_ATOM_STRING, 8, text.size(),
                                text.data());
        }
        for (const auto& [name, items] : numbers) {
            xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window,
                                test::internAtom(client_, name), XCB_ATOM_CARDINAL, 32,
                                items.size(), items.data());
        }
        xcb_map_window(client_, window);
        settle();
        return window;
    }
    void settle() {
        test::roundTrip(client_);
        desktop_->connection().sync();
        loop_.post([this] {
            desktop_->pump();
            loop_.quit();
        });
        loop_.run();
    }
    Platform platform() { return desktop_->platform(queues_); }

    XServer server_{1280, 800, XServer::Manager::none};
    RealLoop loop_;
    SteppedExecutor queues_;
    std::unique_ptr<X11Desktop> desktop_;
    xcb_connection_t* client_ = nullptr;
};

TEST_F(Hostile, HugeAndBrokenTitlesAreCutAndCleaned) {
    const std::string huge(10 * 1024 * 1024, 'x');
    const xcb_window_t big = open({{"_NET_WM_NAME", huge}}, {});
    const xcb_window_t broken = open({{"WM_NAME", "caf\xE9 \xFF\xFE\x01ok"}}, {});
    Accessibility& ax = platform().accessibility;
    AXValue title;
    ASSERT_EQ(ax.copyAttribute({4242, big}, "AXTitle", title), AXError::success);
    EXPECT_EQ(std::get<std::string>(title), std::string(4096, 'x'));
    ASSERT_EQ(ax.copyAttribute({4242, broken}, "AXTitle", title), AXError::success);
    // WM_NAME of type STRING is Latin-1: é is kept, the control character is blanked.
    EXPECT_EQ(std::get<std::string>(title), "caf\xC3\xA9 \xC3\xBF\xC3\xBE ok");
}

TEST_F(Hostile, AbsurdSizesAreRefusedAndStrutsStayInsideTheScreen) {
    const xcb_window_t window =
        open({}, {{"_NET_WM_STRUT_PARTIAL",
                   {0xFFFFFFFF, 5, 0x7FFFFFFF, 0, 0, 0xFFFFFFFF, 0, 799, 0, 0xFFFFFFFF, 0, 0}}});
    Accessibility& ax = platform().accessibility;
    for (Size size : {Size{-10, 100}, Size{100, 0}, Size{NAN, 100}, Size{1e300, 1e300}}) {
        const AXError error = ax.setAttribute({4242, window}, "AXSize", size);
        EXPECT_TRUE(error == AXError::illegalArgument || error == AXError::success) << size.width;
    }
    settle();
    desktop_->pump();
    for (const ScreenInfo& screen : platform().screens.screens()) {
        EXPECT_GT(screen.visibleFrame.width, 0);
        EXPECT_GT(screen.visibleFrame.height, 0);
        EXPECT_GE(screen.visibleFrame.minX(), screen.frame.minX());
        EXPECT_LE(screen.visibleFrame.maxX(), screen.frame.maxX());
    }
}

// The backend has not heard of the destruction yet: the server's BadWindow answers instead.
TEST_F(Hostile, AWindowGoneBeforeItsEventArrivesIsAnInvalidElement) {
    const xcb_window_t window = open({}, {});
    xcb_destroy_window(client_, window);
    test::roundTrip(client_);
    Accessibility& ax = platform().accessibility;
    AXValue value;
    EXPECT_EQ(ax.copyAttribute({4242, window}, "AXPosition", value), AXError::invalidUIElement);
    EXPECT_EQ(ax.setAttribute({4242, window}, "AXPosition", Point{5, 5}),
              AXError::invalidUIElement);
    EXPECT_EQ(ax.setAttribute({4242, window}, "AXSize", Size{50, 50}), AXError::invalidUIElement);
    EXPECT_EQ(ax.performAction({4242, window}, "AXRaise"), AXError::invalidUIElement);
}

}  // namespace
}  // namespace tessarin::x11
