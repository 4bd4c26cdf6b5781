// tessarin: tiles the windows of an X session on scrolling strips. `tessarin msg` drives a
// running copy from scripts and hot-key daemons.
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include <QApplication>

#include "app/engine_reading.hpp"
#include "app/event_stream.hpp"
#include "app/ipc.hpp"
#include "app/msg_command.hpp"
#include "app/qt_loop.hpp"
#include "app/setup_command.hpp"
#include "app/usage.hpp"
#include "app/x_overlays.hpp"
#include "backends/x11/x11_connection.hpp"
#include "backends/x11/x11_desktop.hpp"
#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/thread_queues.hpp"
#include "core/action.hpp"
#include "engine/engine_owner.hpp"
#include "input/engine_input.hpp"
#include "input/hot_key_center.hpp"
#include "settings/preferences.hpp"
#include "shell/app_delegate.hpp"
#include "shell/desktop_entry.hpp"
#include "shell/desktop_files.hpp"
#include "shell/login_item.hpp"
#include "shell/migration.hpp"
#include "ui/gap_preview.hpp"
#include "ui/onboarding_view.hpp"
#include "ui/status_bar.hpp"
#include "ui/strip_overview.hpp"
#include "ui/ui_windows.hpp"

namespace tessarin {
namespace {

constexpr const char* kVersion = "0.1.0";

void fail(const std::string& message) {
    std::fprintf(stderr, "tessarin: %s\n", message.c_str());
}

std::string display() {
    const char* value = std::getenv("DISPLAY");
    return value ? value : "";
}

// --- the program

// The operating system's name and version for the launch line.
std::string systemName() {
    std::ifstream release("/etc/os-release");
    for (std::string line; std::getline(release, line);) {
        if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
        std::string value = line.substr(12);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (!value.empty()) return value;
    }
    utsname names{};
    if (uname(&names) == 0) return std::string(names.sysname) + " " + names.release;
    return "unknown system";
}

int run(int argc, char** argv, const std::optional<std::string>& url) {
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
    if (signalFd < 0) {
        fail("cannot watch for signals");
        return 1;
    }

    Log::configure(Log::defaults());
    std::string error;
    auto folder = runtimeFolder(error);
    if (!folder) {
        fail(error);
        return 1;
    }
    const std::filesystem::path lockPath = *folder / (displayKey(name) + ".lock");
    std::unique_ptr<InstanceLock> lock;
    bool lockFailed = false;
    const bool first = AppDelegate::preflight(
        Preflight{.migrate = [] { Migration::fromQuillon(Paths::systemEnvironment()); },
                  .otherCopy = [&]() -> std::optional<std::string> {
                      bool busy = false;
                      lock = InstanceLock::acquire(lockPath, busy);
                      if (lock || !busy) {
                          lockFailed = !lock;
                          return std::nullopt;
                      }
                      const std::string holder = InstanceLock::holder(lockPath);
                      return holder.empty() ? "?" : holder;
                  }});
    if (!first) {
        // Nothing of this copy needs a clean stop: Ctrl-C may end its hand-over.
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
        Log::flush(2.0);
        if (url) return forwardURL(*url);
        std::fprintf(stderr, "tessarin: another copy already runs for display %s\n", name.c_str());
        return 0;
    }
    if (lockFailed) {
        fail("cannot lock " + lockPath.string());
        return 1;
    }
    lock->describeHolder(runningExecutable().value_or("").string());

    // The toolkit aborts on a display it cannot open: it is tried first, to fail with a line.
    xcb_window_t root = 0;
    if (xcb_connection_t* probe = x11::connectToScreen(name, root, error)) {
        xcb_disconnect(probe);
    } else {
        fail(error);
        return 1;
    }
    // The engine's frames are the server's pixels, and the overlays are placed with them: the
    // toolkit must not scale its coordinates (fonts still follow the screen's resolution).
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    // A toolkit application without a main window: its loop is the one everything runs on.
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QtLoop loop;
    std::unique_ptr<x11::X11Desktop> desktop = x11::X11Desktop::open(name, loop, error);
    if (!desktop) {
        fail(error);
        return 1;
    }
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
    // The overview and the focus outline the engine draws through: made before it and ended
    // after it, since stopping the engine hides them.
    auto compositing = [&desktop] { return desktop && compositorRunning(*desktop); };
    std::function<WindowManager*()> engineNow;
    OverviewPanel overview(
        [&engineNow](std::int64_t index, const std::string& key) {
            if (WindowManager* engine = engineNow()) engine->focusColumn(index, key);
        },
        compositing);
    XFocusOutline border(
        desktop, QApplication::palette().color(QPalette::Active, QPalette::Highlight).rgb());
    // Stops the engine, then lets the queued writes finish, then closes the X connection.
    EngineOwner owner([&] { queues.drain(); },
                      [&] {
                          input.reset();
                          hotKeys.reset();
                          desktop.reset();
                      });
    owner.adopt(WindowManager::create(platform, prefs, EngineHooks{input.get(), &overview, &border},
                                      static_cast<Pid>(getpid())));
    engineNow = [&owner] { return owner.engine(); };

    // The windows the user opens: the status menu, settings, the tour, the gap preview.
    LoginItem loginItem(Paths::systemEnvironment(), runningExecutable().value_or(""));
    auto gapPreview = std::make_unique<GapPreview>(*owner.engine(), compositing);
    UiContext context{.platform = platform,
                      .prefs = prefs,
                      .engine = *owner.engine(),
                      .hotKeys = hotKeys.get(),
                      .loginItem = &loginItem,
                      .version = kVersion};
    context.keyboardLayout = &desktop->keyboardLayout();
    auto windows = std::make_unique<UIWindows>(context);
    auto statusMenu = std::make_unique<StatusBarController>(context);
    context.showSettings = [&](std::optional<SettingsTab> tab) { windows->showSettings(tab); };
    context.showOnboarding = [&] { windows->showOnboarding(); };
    context.quit = [&loop] { loop.quit(); };
    context.showGapPreview = [&](double gap, double outerGap, const std::string& caption) {
        gapPreview->show(gap, outerGap, caption);
    };
    context.hideGapPreview = [&] { gapPreview->hide(); };
    auto delegate =
        std::make_unique<AppDelegate>(AppDelegate::Parts{.platform = platform,
                                                         .prefs = prefs,
                                                         .engine = *owner.engine(),
                                                         .hotKeys = hotKeys.get(),
                                                         .windows = windows.get(),
                                                         .status = statusMenu.get(),
                                                         .ownPid = static_cast<Pid>(getpid())});

    int status = 0;
    // The toolkit ends the process itself when the X server goes (exit(1) from inside its
    // loop), often before the desktop notices: the line and the pending writes are seen to
    // here. The locals it uses live on, as exit does not unwind.
    static std::function<void()> lastWords;
    lastWords = [&] {
        if (status == 0) Log::info("lost the connection to the X server");
        queues.drain();
        fail("lost the connection to the X server");
        Log::flush(2.0);
    };
    std::atexit([] {
        if (lastWords) lastWords();
    });
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
    // The session ending: the layout is kept at once, before the session manager's signal.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, [&owner] {
        if (WindowManager* engine = owner.engine()) engine->saveLayoutNow();
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
                 [&](const std::string& url) { delegate->handleURL(url); },
                 [&] { return events.subscribe(); }},
                line);
        },
        error);
    if (!server) Log::info("no command socket: " + error);

    delegate->finishLaunching(kVersion, systemName());
    if (!hotKeys->failed().empty()) {
        Log::info(std::to_string(hotKeys->failed().size()) +
                  " shortcuts not registered: taken by another program, or no such key");
    }
    if (url) loop.post([&delegate, url] { delegate->handleURL(*url); });
    loop.run();
    lastWords = nullptr;

    delegate->willTerminate();
    owner.engine()->onLayoutChange = nullptr;
    server.reset();
    loop.unwatch(signalWatch);
    delegate.reset();
    // The windows use the engine; the overview and the outline go after it.
    statusMenu.reset();
    windows.reset();
    gapPreview.reset();
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
            std::fputs(tessarin::usageText(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("tessarin %s\n", tessarin::kVersion);
            return 0;
        }
        if (arg == "msg") return tessarin::runMessage(argc - 2, argv + 2);
        if (arg == "--install" && argc == 2) {
            const auto executable = tessarin::runningExecutable();
            if (!executable) {
                std::fputs("tessarin: cannot tell where this program lives\n", stderr);
                return 1;
            }
            return tessarin::installDesktopFiles(tessarin::Paths::systemEnvironment(), *executable,
                                                 std::cout);
        }
        if (arg == "--check" && argc == 2) {
            return tessarin::printSetupCheck("", tessarin::Preferences::shared(), std::cout,
                                             std::cerr);
        }
        if (arg == "--uninstall" && argc == 2)
            return tessarin::uninstallDesktopFiles(tessarin::Paths::systemEnvironment(), std::cout);
        // The desktop starts a scheme's handler with the URL as its argument.
        if (arg.find(':') != std::string::npos && arg[0] != '-' && argc == 2)
            return tessarin::run(argc, argv, arg);
        std::fprintf(stderr, "tessarin: unknown option \"%s\"\n%s", arg.c_str(),
                     tessarin::usageText());
        return 1;
    }
    return tessarin::run(argc, argv, std::nullopt);
}
