// Shortcut latency on a real X server: on Xvfb 2560×1440 with three xterms, Tessarin alone
// (no window manager, animation off), the time from a key press sent with XTEST (the factory
// move-left/move-right shortcuts, ctrl+alt+shift+h / l, taking turns so every press moves a
// window) until the first ConfigureNotify it causes reaches a separate X connection. That
// covers the server's grab, the program's event pump, the hot key's turn of the main loop, the
// engine and the first frame written. Figures only: nothing passes or fails.
//
//   bench_x11_input [--runs N]          (default 200)
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ipc.hpp"
#include "x11/x_server.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using tessarin::test::makeProgramHome;
using tessarin::test::XServer;
namespace fs = std::filesystem;

// Waits up to `ms` for an event; true when a ConfigureNotify came.
bool configureWithin(xcb_connection_t* c, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool configure = (event->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY;
            std::free(event);
            if (configure) return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        poll(&fd, 1, static_cast<int>(left));
    }
}

// Reads events until none has come for `ms`.
void quiet(xcb_connection_t* c, int ms) {
    while (configureWithin(c, ms)) {
    }
}

xcb_keycode_t keycode(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    std::free(codes);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--runs") runs = std::stoi(argv[i + 1]);
    XServer server(2560, 1440, XServer::Manager::none);
    if (server.display().empty()) {
        std::fprintf(stderr, "%s\n", server.failure().c_str());
        return 1;
    }
    const auto [home, env] = makeProgramHome("tessarin-input-", R"({"animate": false})");
    const fs::path socket =
        home / "run/tessarin" / (tessarin::displayKey(server.display()) + ".sock");
    const pid_t tiler = server.spawn({TESSARIN_BINARY}, env);
    for (int i = 0; i < 2000 && !fs::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    xcb_connection_t* watch = xcb_connect(server.display().c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(watch)).data->root;
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(watch, root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(watch);
    std::vector<pid_t> xterms;
    for (int i = 0; i < 3; ++i) {
        xterms.push_back(server.spawn({"xterm", "-T", "input" + std::to_string(i)}));
        quiet(watch, 300);
    }
    quiet(watch, 500);

    xcb_connection_t* keyboard = xcb_connect(server.display().c_str(), nullptr);
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(keyboard);
    const xcb_keycode_t modifiers[] = {keycode(symbols, 0xFFE3 /* Control_L */),
                                       keycode(symbols, 0xFFE9 /* Alt_L */),
                                       keycode(symbols, 0xFFE1 /* Shift_L */)};
    const xcb_keycode_t keys[] = {keycode(symbols, 'h'), keycode(symbols, 'l')};
    auto fake = [&](std::uint8_t type, xcb_keycode_t code) {
        xcb_test_fake_input(keyboard, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    std::vector<double> samples;
    int unchanged = 0;
    for (int run = 0; run < runs; ++run) {
        for (xcb_keycode_t code : modifiers)
            fake(XCB_KEY_PRESS, code);
        xcb_flush(keyboard);
        quiet(watch, 5);
        const auto start = Clock::now();
        fake(XCB_KEY_PRESS, keys[run % 2]);
        xcb_flush(keyboard);
        if (configureWithin(watch, 500))
            samples.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        else
            ++unchanged;
        fake(XCB_KEY_RELEASE, keys[run % 2]);
        for (xcb_keycode_t code : modifiers)
            fake(XCB_KEY_RELEASE, code);
        xcb_flush(keyboard);
        quiet(watch, 60);
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        std::printf(
            "key press → first ConfigureNotify, %zu presses (%d without a frame): "
            "median %.0f µs, p99 %.0f µs\n",
            samples.size(), unchanged, samples[samples.size() / 2],
            samples[std::min(samples.size() - 1, samples.size() * 99 / 100)]);
    } else {
        std::printf("no press produced a frame (%d presses)\n", unchanged);
    }
    xcb_key_symbols_free(symbols);
    xcb_disconnect(keyboard);
    xcb_disconnect(watch);
    for (pid_t pid : xterms)
        XServer::end(pid);
    XServer::end(tiler);
    fs::remove_all(home);
    return 0;
}
