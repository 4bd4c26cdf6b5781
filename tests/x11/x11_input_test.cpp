// X input: hot keys and the wheel tap against a private Xvfb pressed by xdotool, and the
// translations and swipe decoding from recorded values.
#include <gtest/gtest.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "backends/x11/x11_desktop.hpp"
#include "backends/x11/x11_keys.hpp"
#include "backends/x11/x11_swipe_decoder.hpp"
#include "base/log.hpp"
#include "base/real_loop.hpp"
#include "base/thread_queues.hpp"
#include "core/modifier_mask.hpp"
#include "x11/x_server.hpp"

namespace tessarin::test {
namespace {

namespace keys = x11::keys;
using namespace ModifierMask;

TEST(X11Keys, KeysymsModifiersAndLockVariants) {
    const std::pair<std::uint32_t, std::optional<std::uint32_t>> table[] = {
        {0, 'a'},      {45, 'n'},     {29, '0'},     {24, '='},
        {49, ' '},     {36, 0xFF0D},  {123, 0xFF51}, {124, 0xFF53},
        {122, 0xFFBE}, {111, 0xFFC9}, {92, 0xFFB9},  {130, std::nullopt}};
    for (const auto& [code, keysym] : table)
        EXPECT_EQ(keys::keysymFor(code), keysym) << code;
    EXPECT_EQ(keys::modifiersToX(control | option), keys::controlMask | keys::mod1Mask);
    EXPECT_EQ(keys::modifiersToX(command | shift), keys::mod4Mask | keys::shiftMask);
    const std::uint64_t all = EventFlags::modifierKeys;
    EXPECT_EQ(keys::flagsFromX(keys::flagsToX(all)), all);
    EXPECT_EQ(keys::flagsFromX(keys::lockMask | 0x10 | keys::controlMask), EventFlags::control);
    EXPECT_EQ(keys::lockVariants(keys::controlMask, 0x10),
              (std::vector<std::uint16_t>{4, 4 | 2, 4 | 0x10, 4 | 0x10 | 2}));
    EXPECT_EQ(keys::lockVariants(keys::controlMask, 0).size(), 2u);
}

// A three-finger swipe as the server sends it: begin, two updates, end; then a pinch.
TEST(X11SwipeDecoder, RecordedSwipeBecomesTouches) {
    auto event = [](std::uint16_t type, double dx, double dy) {
        xcb_input_gesture_swipe_begin_event_t e{};
        e.response_type = XCB_GE_GENERIC;
        e.event_type = type;
        e.detail = 3;
        e.root_x = 200 << 16;
        e.root_y = 100 << 16;
        e.delta_x = static_cast<xcb_input_fp1616_t>(dx * 2 * 65536);  // accelerated: ignored
        e.delta_unaccel_x = static_cast<xcb_input_fp1616_t>(dx * 65536);
        e.delta_unaccel_y = static_cast<xcb_input_fp1616_t>(dy * 65536);
        e.mods.effective = keys::controlMask;
        return e;
    };
    const double span = x11::SwipeDecoder::kTrackpadSpan;
    struct Step {
        xcb_input_gesture_swipe_begin_event_t event;
        std::optional<std::vector<Touch>> touches;
    };
    const Step steps[] = {
        {event(XCB_INPUT_GESTURE_SWIPE_BEGIN, 0, 0),
         std::vector<Touch>(3, Touch{{0.5, 0.5}, TouchPhase::began})},
        {event(XCB_INPUT_GESTURE_SWIPE_UPDATE, span / 10, 0),
         std::vector<Touch>(3, Touch{{0.6, 0.5}, TouchPhase::moved})},
        {event(XCB_INPUT_GESTURE_SWIPE_UPDATE, span / 20, span / 50),
         std::vector<Touch>(3, Touch{{0.65, 0.48}, TouchPhase::moved})},
        {event(XCB_INPUT_GESTURE_SWIPE_END, 0, 0), std::vector<Touch>{}},
    };
    x11::SwipeDecoder decoder;
    for (const Step& step : steps) {
        const auto out = decoder.decode(step.event);
        ASSERT_TRUE(out && out->touches);
        EXPECT_EQ(out->type, InputEventType::gesture);
        EXPECT_EQ(out->flags, EventFlags::control);
        EXPECT_EQ(out->location, (Point{200, 100}));
        ASSERT_EQ(out->touches->size(), step.touches->size());
        for (std::size_t i = 0; i < out->touches->size(); ++i) {
            EXPECT_NEAR((*out->touches)[i].normalized.x, (*step.touches)[i].normalized.x, 1e-9);
            EXPECT_NEAR((*out->touches)[i].normalized.y, (*step.touches)[i].normalized.y, 1e-9);
            EXPECT_EQ((*out->touches)[i].phase, (*step.touches)[i].phase);
        }
    }
    EXPECT_FALSE(decoder.decode(event(XCB_INPUT_GESTURE_PINCH_BEGIN, 0, 0)));
}

class X11Input : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.display().empty()) << server_.failure();
        std::string error;
        desktop_ = x11::X11Desktop::open(server_.display(), loop_, error);
        ASSERT_TRUE(desktop_) << error;
        hotKeys().setHandler([this](HotKeyID id) { arrived(id.id); });
    }
    HotKeys& hotKeys() { return platform().hotKeys; }
    Platform platform() { return desktop_->platform(queues_); }

    void arrived(std::uint32_t value) {
        std::lock_guard lock(mutex_);
        seen_.push_back(value);
        if (seen_.size() >= wanted_) loop_.quit();
    }
    // Runs xdotool with `args` and the loop until `count` values arrived (or the deadline);
    // `fresh`: forgetting what arrived before.
    std::vector<std::uint32_t> press(std::vector<std::string> args, std::size_t count,
                                     bool fresh = true) {
        {
            std::lock_guard lock(mutex_);
            if (fresh) seen_.clear();
            wanted_ = count;
        }
        args.insert(args.begin(), "xdotool");
        const pid_t pid = server_.spawn(args);
        // Nothing expected: xdotool's events are in before anything sent after it.
        if (count == 0) {
            XServer::waitFor(pid);
            return {};
        }
        const auto guard = loop_.after(XServer::kDeadline, [this] { loop_.quit(); });
        loop_.run();
        loop_.cancel(guard);
        XServer::waitFor(pid);
        std::lock_guard lock(mutex_);
        return seen_;
    }

    XServer server_{1280, 800, XServer::Manager::none};
    RealLoop loop_;
    ThreadQueueFactory queues_;
    std::unique_ptr<x11::X11Desktop> desktop_;
    std::mutex mutex_;
    std::vector<std::uint32_t> seen_;
    std::size_t wanted_ = 1;
};

TEST_F(X11Input, HotKeysFireUnderLocksAndStopWhenUnregistered) {
    const auto j = hotKeys().registerHotKey(38, control | option, {1, 1});
    const auto left = hotKeys().registerHotKey(123, control | option | shift, {1, 2});
    ASSERT_TRUE(j && left);
    EXPECT_FALSE(hotKeys().registerHotKey(38, control | option, {1, 9})) << "held by the first";
    EXPECT_EQ(press({"key", "ctrl+alt+j"}, 1), std::vector<std::uint32_t>{1});
    EXPECT_EQ(press({"key", "ctrl+alt+shift+Left"}, 1), std::vector<std::uint32_t>{2});
    EXPECT_EQ(
        press({"key", "Caps_Lock", "ctrl+alt+j", "Caps_Lock", "Num_Lock", "ctrl+alt+j", "Num_Lock"},
              2),
        (std::vector<std::uint32_t>{1, 1}))
        << "with Caps Lock, then with Num Lock";
    hotKeys().unregisterHotKey(*j);
    EXPECT_EQ(press({"key", "ctrl+alt+j", "ctrl+alt+shift+Left"}, 1),
              std::vector<std::uint32_t>{2});
    EXPECT_FALSE(hotKeys().registerHotKey(130, control, {1, 3})) << "no such key";
}

// A new keymap moves keys: the grab follows the keysym to its new key, and the labels follow
// the group the keyboard is on.
TEST_F(X11Input, NewKeymapMovesGrabsAndLabels) {
    const KeyboardLayout& layout = desktop_->keyboardLayout();
    EXPECT_EQ(layout.character(0), "a");
    EXPECT_EQ(layout.character(36), std::nullopt) << "Return types no label";
    ASSERT_TRUE(hotKeys().registerHotKey(6, control | option, {1, 7}));  // z
    ASSERT_EQ(server_.run({"setxkbmap", "-layout", "ru,de"}), 0);
    desktop_->connection().sync();
    desktop_->pump();
    EXPECT_EQ(layout.character(0), "ф") << "the key carrying a, in the Russian group";
    EXPECT_EQ(press({"key", "--clearmodifiers", "ctrl+alt+z"}, 1), std::vector<std::uint32_t>{7});
    // German types '=' with shift+0: the 0 key is not the '=' key.
    ASSERT_EQ(server_.run({"setxkbmap", "-layout", "de"}), 0);
    desktop_->connection().sync();
    desktop_->pump();
    EXPECT_FALSE(hotKeys().registerHotKey(24, control | option, {1, 8}));
    EXPECT_TRUE(hotKeys().registerHotKey(29, control | option, {1, 9}));
}

TEST_F(X11Input, CombinationHeldElsewhereIsRefusedAndLeavesNoGrab) {
    xcb_connection_t* other = xcb_connect(server_.display().c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    const std::uint16_t mask = keys::controlMask | keys::mod1Mask;
    // Another program holds only the Caps Lock variant of every ctrl+alt combination.
    xcb_grab_key(other, 1, root, mask | keys::lockMask, XCB_GRAB_ANY, XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    roundTrip(other);
    EXPECT_FALSE(hotKeys().registerHotKey(40, control | option, {1, 1}));
    // The variants that were granted were given back: the plain combination is free (once
    // the server has read the release).
    desktop_->connection().sync();
    auto* error =
        xcb_request_check(other, xcb_grab_key_checked(other, 1, root, mask, XCB_GRAB_ANY,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    EXPECT_EQ(error, nullptr);
    std::free(error);
    xcb_disconnect(other);
}

TEST_F(X11Input, WheelTapSeesOnlyTheWatchedModifiersOnItsThread) {
    auto tap = platform().inputEvents.createTap(
        eventMaskBit(InputEventType::scrollWheel), TapPlacement::ownThread, "Tessarin scroll",
        [this](const InputEvent& e) {
            EXPECT_EQ(e.flags, EventFlags::control | EventFlags::option);
            EXPECT_EQ(e.type, InputEventType::scrollWheel);
            arrived(static_cast<std::uint32_t>(10 * (e.pointDelta1 + 2) + e.pointDelta2 + 2));
            return TapVerdict::swallow;
        });
    ASSERT_TRUE(tap);
    tap->watchModifiers(EventFlags::control | EventFlags::option);
    tap->setEnabled(true);
    // A plain click and a shift click pass; down, then right, with ctrl+alt are caught.
    EXPECT_EQ(press({"click", "5", "keydown", "shift", "click", "4", "keyup", "shift", "keydown",
                     "ctrl+alt", "click", "5", "click", "7", "keyup", "ctrl+alt"},
                    2),
              (std::vector<std::uint32_t>{10 + 2, 20 + 1}));
    bool named = false;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        named = named || name == "Tessarin scroll";
    }
    EXPECT_TRUE(named);
    tap->setEnabled(false);
    press({"keydown", "ctrl+alt", "click", "4", "keyup", "ctrl+alt"}, 0);
    tap->setEnabled(true);
    EXPECT_EQ(press({"keydown", "ctrl+alt", "click", "6", "keyup", "ctrl+alt"}, 1, false),
              std::vector<std::uint32_t>{20 + 3})
        << "the click while disabled was not seen";
}

// On the main loop, Super held: the command key.
TEST_F(X11Input, WheelTapOnTheMainLoop) {
    const auto mainThread = std::this_thread::get_id();
    auto tap = platform().inputEvents.createTap(
        eventMaskBit(InputEventType::scrollWheel), TapPlacement::mainLoop, "unused",
        [&](const InputEvent& e) {
            EXPECT_EQ(std::this_thread::get_id(), mainThread);
            arrived(static_cast<std::uint32_t>(e.flags));
            return TapVerdict::swallow;
        });
    ASSERT_TRUE(tap);
    EXPECT_EQ(&tap->loop(), &loop_);
    tap->watchModifiers(EventFlags::command);
    tap->setEnabled(true);
    EXPECT_EQ(press({"keydown", "super", "click", "4", "keyup", "super"}, 1),
              std::vector<std::uint32_t>{EventFlags::command});
}

// The start of a swipe goes to one client per window: a tap that finds the root's gestures
// taken says so instead of waiting for swipes that never come.
TEST_F(X11Input, SwipesTakenByAnotherProgramAreLogged) {
    xcb_connection_t* other = xcb_connect(server_.display().c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_input_xi_query_version_reply_t* version =
        xcb_input_xi_query_version_reply(other, xcb_input_xi_query_version(other, 2, 4), nullptr);
    const bool gestures = version && version->minor_version >= 4;
    std::free(version);
    struct {
        xcb_input_event_mask_t head{XCB_INPUT_DEVICE_ALL_MASTER, 2};
        std::uint32_t bits[2] = {
            (1u << XCB_INPUT_GESTURE_SWIPE_BEGIN) | (1u << XCB_INPUT_GESTURE_SWIPE_UPDATE),
            1u << (XCB_INPUT_GESTURE_SWIPE_END - 32)};
    } select;
    xcb_generic_error_t* refused =
        gestures ? xcb_request_check(
                       other, xcb_input_xi_select_events_checked(other, root, 1, &select.head))
                 : nullptr;
    std::vector<std::string> lines;
    Log::setObserver([&](std::string_view line) { lines.emplace_back(line); });
    auto tap = platform().inputEvents.createTap(eventMaskBit(InputEventType::gesture),
                                                TapPlacement::mainLoop, "unused",
                                                [](const InputEvent&) { return TapVerdict::pass; });
    Log::setObserver({});
    xcb_disconnect(other);
    const bool othersHeld = refused == nullptr;
    std::free(refused);
    if (!gestures) GTEST_SKIP() << "no XInput 2.4 on this server";
    EXPECT_TRUE(othersHeld) << "the other program's selection";
    EXPECT_EQ(
        std::ranges::count(lines, "swipe: another program takes the touchpad's swipe gestures"), 1);
}

}  // namespace
}  // namespace tessarin::test
