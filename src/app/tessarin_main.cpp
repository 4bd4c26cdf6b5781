// tessarin: tiles the windows of an X session on scrolling strips. `tessarin msg` drives a
// running copy from scripts and hot-key daemons.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "app/engine_reading.hpp"
#include "app/event_stream.hpp"
#include "app/ipc.hpp"
#include "app/msg_command.hpp"
#include "backends/x11/x11_desktop.hpp"
#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/real_loop.hpp"
#include "base/thread_queues.hpp"
#include "core/action.hpp"
#include "engine/engine_owner.hpp"
#include "input/engine_input.hpp"
#include "input/hot_key_center.hpp"
#include "settings/preferences.hpp"

namespace tessarin {
namespace {

constexpr const char* kVersion = "0.1.0";

constexpr const char* kUsage =
    "usage: tessarin [--help] [--version]\n"
    "       tessarin msg ACTION | --json state | dump | --list\n"
    "\n"
    "Tiles the windows of the X session on $DISPLAY on one scrolling strip per monitor. It\n"
    "runs beside the window manager (or alone on a bare X server); stop it with Ctrl-C or\n"
    "SIGTERM. Settings: ~/.config/tessarin, log: ~/.local/state/Tessarin.\n"
    "\n"
    "tessarin msg ACTION      runs one action in the running copy (for example focusRight)\n"
    "tessarin msg --json state  prints displays, strips and windows as JSON (docs/ipc.md)\n"
    "tessarin msg dump        writes state.txt beside the log for a problem report\n"
    "tessarin msg --list      lists the actions\n"
    "Exit status of msg: 0 done, 1 refused or unknown action, 2 no running copy.\n";

void fail(const std::string& message) {
    std::fprintf(stderr, "tessarin: %s\n", message.c_str());
}

std::string display() {
    const char* value = std::getenv("DISPLAY");
    return value ? value : "";
}

// --- the program

int run() {
    const std::string name = display();
    if (name.empty()) {
        fail("no X display: DISPLAY is not set");
        return 1;
    }
    // Signals become readable on a descriptor the loop watches; blocked before any thread
    // starts, so every thread inherits the mask and none is interrupted by them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);

    RealLoop loop;
    std::string error;
    std::unique_ptr<x11::X11Desktop> desktop = x11::X11Desktop::open(name, loop, error);
    if (!desktop) {
        fail(error);
        return 1;
    }
    auto folder = runtimeFolder(error);
    if (!folder) {
        fail(error);
        return 1;
    }
    bool busy = false;
    auto lock = InstanceLock::acquire(*folder / (displayKey(name) + ".lock"), busy);
    if (!lock) {
        fail(busy ? "another copy already runs for display " + name
                  : "cannot lock " + (*folder / (displayKey(name) + ".lock")).string());
        return 1;
    }

    Log::configure(Log::defaults());
    Log::info(std::string("Tessarin ") + kVersion + " on display " + name);
    ThreadQueueFactory queues;
    // The settings file is written and synced off the main loop; the shut-down below drains it.
    auto* settingsFile = dynamic_cast<FileStore*>(&Preferences::shared().store());
    if (settingsFile) settingsFile->writeOn(queues.queue("com.tessarin.settings"));
    Preferences& prefs = Preferences::shared();
    const Platform platform = desktop->platform(queues);
    // The shortcut table as hot keys, and the taps; both outlive the engine and end before
    // the X connection they use.
    auto hotKeys = std::make_unique<HotKeyCenter>(platform.hotKeys);
    auto input = std::make_unique<EngineInput>(platform, prefs, prefs.store(), hotKeys.get(),
                                               &desktop->keyboardLayout());
    // Stops the engine, then lets the queued writes finish, then closes the X connection.
    EngineOwner owner([&] { queues.drain(); },
                      [&] {
                          input.reset();
                          hotKeys.reset();
                          desktop.reset();
                      });
    owner.adopt(WindowManager::create(platform, prefs, EngineHooks{input.get()},
                                      static_cast<Pid>(getpid())));
    hotKeys->onAction = [&owner](Action action) {
        if (WindowManager* engine = owner.engine()) engine->perform(action);
    };
    hotKeys->follow(prefs, loop);
    if (!hotKeys->failed().empty()) {
        Log::info(std::to_string(hotKeys->failed().size()) +
                  " shortcuts not registered: taken by another program, or no such key");
    }

    int status = 0;
    desktop->onConnectionLost = [&] {
        status = 1;
        loop.quit();
    };
    const MainLoop::WatchID signalWatch = loop.watchReadable(signalFd, [&] {
        signalfd_siginfo info{};
        if (read(signalFd, &info, sizeof info) == sizeof info) {
            Log::info("stopping on signal " + std::to_string(info.ssi_signo));
        }
        loop.quit();
    });
    std::unique_ptr<IpcServer> server;
    EventFeed events(
        loop, [&] { return owner.engine(); },
        [&](const std::string& line) { server->publish(line); },
        [&] { return server ? server->subscriberCount() : 0; });
    owner.engine()->onLayoutChange = [&] { events.changed(); };
    server = IpcServer::listen(
        *folder / (displayKey(name) + ".sock"), loop,
        [&](const std::string& line) {
            return commandReply(
                {owner.engine(), desktop->platform(queues).accessibility, Preferences::shared(),
                 nullptr, [&] { return events.subscribe(); }},
                line);
        },
        error);
    if (!server) Log::info("no command socket: " + error);

    owner.engine()->start();
    loop.run();

    owner.engine()->onLayoutChange = nullptr;
    server.reset();
    loop.unwatch(signalWatch);
    owner.shutdown();
    // Drained with the rest; later changes (none are expected) are written at once.
    if (settingsFile) settingsFile->writeOn(nullptr);
    if (status != 0) fail("lost the connection to the X server");
    Log::flush(2.0);
    close(signalFd);
    return status;
}

}  // namespace
}  // namespace tessarin

int main(int argc, char** argv) {
    if (argc >= 2) {
        const std::string arg = argv[1];
        if (arg == "--help" || arg == "-h") {
            std::fputs(tessarin::kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("tessarin %s\n", tessarin::kVersion);
            return 0;
        }
        if (arg == "msg") return tessarin::runMessage(argc - 2, argv + 2);
        std::fprintf(stderr, "tessarin: unknown option \"%s\"\n%s", arg.c_str(), tessarin::kUsage);
        return 1;
    }
    return tessarin::run();
}
