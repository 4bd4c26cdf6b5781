#include "scenario/scenario_runner.hpp"

#include <chrono>
#include <sstream>

#include "core/action.hpp"
#include "scenario/preference_text.hpp"
#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_report.hpp"

namespace tessarin {

namespace {

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

ActivationPolicy policyNamed(const std::string& name) {
    if (name == "accessory") return ActivationPolicy::accessory;
    if (name == "prohibited") return ActivationPolicy::prohibited;
    return ActivationPolicy::regular;
}

// The primary mouse button, as the pointer reports pressed buttons.
constexpr std::uint32_t kLeftButton = 1;

}  // namespace

ScenarioRunner::ScenarioRunner(SimSession& session, std::ostream& out, PictureWriter* pictures)
    : session_(session), out_(out), pictures_(pictures), logPrinted_(session.logSize()) {}

std::optional<ScenarioError> ScenarioRunner::run(const std::vector<ScenarioStep>& steps) {
    for (const ScenarioStep& step : steps) {
        if (auto error = run(step)) return error;
    }
    return std::nullopt;
}

std::optional<ScenarioError> ScenarioRunner::run(const ScenarioStep& step) {
    if (Result error = runStep(step)) return ScenarioError{step.line, step.verb + ": " + *error};
    // What the step set off runs now; only `advance` moves the clock.
    session_.runPending();
    return std::nullopt;
}

ScenarioRunner::Outcome ScenarioRunner::runText(std::string_view text) {
    Outcome outcome;
    ScenarioScript script = ScenarioParser::parse(text);
    if (script.error) {
        outcome.error = script.error;
        return outcome;
    }
    std::ostringstream out;
    {
        SimSession session;
        ScenarioRunner runner(session, out);
        outcome.error = runner.run(script.steps);
    }
    outcome.output = out.str();
    return outcome;
}

std::optional<WindowID> ScenarioRunner::window(const std::string& label) const {
    auto found = windows_.find(label);
    if (found == windows_.end()) return std::nullopt;
    return found->second;
}

std::optional<Pid> ScenarioRunner::application(const std::string& label) const {
    auto found = apps_.find(label);
    if (found == apps_.end()) return std::nullopt;
    return found->second;
}

ScenarioRunner::Result ScenarioRunner::resolveWindow(const std::string& label, WindowID& id) const {
    auto found = windows_.find(label);
    if (found == windows_.end()) {
        if (apps_.count(label)) return inQuotes(label) + " is an application, not a window";
        return "unknown window " + inQuotes(label);
    }
    if (!session_.desktop().window(found->second))
        return "window " + inQuotes(label) + " is closed";
    id = found->second;
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::resolveApplication(const std::string& label,
                                                          Pid& pid) const {
    auto found = apps_.find(label);
    if (found == apps_.end()) {
        if (windows_.count(label)) return inQuotes(label) + " is a window, not an application";
        return "unknown application " + inQuotes(label);
    }
    auto app = session_.desktop().workspace().application(found->second);
    if (!app || app->terminated) return "application " + inQuotes(label) + " has quit";
    pid = found->second;
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::runStep(const ScenarioStep& step) {
    const std::string& verb = step.verb;
    if (verb == "plug" || verb == "unplug") return display(step);
    if (verb == "launch" || verb == "quit" || verb == "activate" || verb == "hide" ||
        verb == "unhide" || verb == "slow" || verb == "hang" || verb == "recover")
        return application(step);
    if (verb == "open") return open(step);
    if (verb == "drag" || verb == "resize") return userFrameChange(step);
    if (verb == "app-move") return applicationFrameChange(step);
    if (verb == "close" || verb == "minimize" || verb == "unminimize" || verb == "fullscreen" ||
        verb == "exit-fullscreen" || verb == "retitle" || verb == "focus" || verb == "to-workspace")
        return windowStep(step);
    if (verb == "print" || verb == "echo" || verb == "dump") return print(step);
    if (verb == "key" || verb == "swipe" || verb == "wheel" || verb == "three-finger-drag" ||
        verb == "element")
        return inputStep(step);
    return engineStep(step);
}

namespace {

void moveSetup(sim::DisplaySetup& setup, Point by) {
    setup.frame.x += by.x, setup.frame.y += by.y;
    if (setup.visibleFrame) setup.visibleFrame->x += by.x, setup.visibleFrame->y += by.y;
}

}  // namespace

ScenarioRunner::Result ScenarioRunner::display(const ScenarioStep& step) {
    sim::SimDesktop& desktop = session_.desktop();
    const std::string& uuid = step.text(0);
    if (step.verb == "unplug") {
        auto found = plugged_.find(uuid);
        if (found == plugged_.end()) return "display " + inQuotes(uuid) + " is not plugged in";
        const auto screens = desktop.screens().screens();
        displaySetups_[uuid].primary = !screens.empty() && screens.front().uuid == uuid;
        desktop.unplugDisplay(found->second);
        plugged_.erase(found);
        return std::nullopt;
    }
    if (plugged_.count(uuid)) return "display " + inQuotes(uuid) + " is already plugged in";
    auto remembered = displaySetups_.find(uuid);
    if (remembered == displaySetups_.end() && !step.hasOption("frame"))
        return "frame= is needed the first time " + inQuotes(uuid) + " is plugged in";
    sim::DisplaySetup setup =
        remembered != displaySetups_.end() ? remembered->second : sim::makeDisplay(uuid, {}, uuid);
    // Remembered frames are kept where they were when the desktop began; the global space has
    // moved since if a primary display came or went. A display comes back in its old
    // arrangement, as primary again if it was.
    const Point shift = desktop.spaceShift();
    moveSetup(setup, shift);
    if (auto frame = step.rectOption("frame")) {
        setup.frame = *frame;
        setup.visibleFrame.reset();
        setup.primary = false;
    }
    if (auto visible = step.rectOption("visible")) setup.visibleFrame = *visible;
    if (auto name = step.textOption("name")) setup.name = *name;
    if (auto refresh = step.numberOption("refresh")) setup.refreshRate = static_cast<int>(*refresh);
    setup.primary = setup.primary || step.has("primary");
    if (setup.visibleFrame && !setup.frame.encloses(*setup.visibleFrame))
        return "visible= must lie within the display's frame";
    for (const auto& [other, number] : plugged_) {
        auto frame = desktop.displayFrame(number);
        if (frame && frame->intersects(setup.frame))
            return "display " + inQuotes(uuid) + " would overlap display " + inQuotes(other);
    }
    plugged_[uuid] = desktop.plugDisplay(setup);
    // Kept in the coordinates the desktop began with, so later moves of the space apply.
    setup.primary = false;
    moveSetup(setup, {-shift.x, -shift.y});
    displaySetups_[uuid] = setup;
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::application(const ScenarioStep& step) {
    sim::SimDesktop& desktop = session_.desktop();
    const std::string& label = step.text(0);
    if (step.verb == "launch") {
        if (apps_.count(label) || windows_.count(label))
            return "label " + inQuotes(label) + " is already in use";
        sim::AppSetup setup =
            sim::makeApp(step.textOption("bundle"), step.textOption("name").value_or(label),
                         !step.has("background"));
        setup.policy = policyNamed(step.textOption("policy").value_or("regular"));
        apps_[label] = desktop.launch(setup);
        return std::nullopt;
    }
    Pid pid = 0;
    if (step.verb == "hide" || step.verb == "unhide") {
        // A window stands for its application: applications hide, windows do not.
        WindowID id = 0;
        if (!apps_.count(label) && windows_.count(label)) {
            if (Result error = resolveWindow(label, id)) return error;
            pid = session_.desktop().window(id)->pid;
        } else if (Result error = resolveApplication(label, pid)) {
            return error;
        }
        step.verb == "hide" ? desktop.hide(pid) : desktop.unhide(pid);
        return std::nullopt;
    }
    if (Result error = resolveApplication(label, pid)) return error;
    if (step.verb == "quit") desktop.quit(pid);
    if (step.verb == "activate") desktop.activate(pid);
    if (step.verb == "slow") desktop.setWriteLatency(pid, step.number(1));
    if (step.verb == "hang") desktop.setHung(pid, sim::HangMode::timeOutAtOnce);
    if (step.verb == "recover") desktop.setHung(pid, sim::HangMode::none);
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::open(const ScenarioStep& step) {
    const std::string& label = step.text(0);
    if (apps_.count(label) || windows_.count(label))
        return "label " + inQuotes(label) + " is already in use";
    Pid pid = 0;
    if (Result error = resolveApplication(*step.textOption("app"), pid)) return error;
    const Point at = step.pointOption("at").value_or(Point{100, 100});
    const Size size = step.sizeOption("size").value_or(Size{800, 600});
    sim::WindowSetup setup = sim::makeWindow(step.textOption("title").value_or(label),
                                             {at.x, at.y, size.width, size.height});
    if (auto min = step.sizeOption("min")) setup.minimumSize = *min;
    if (auto workspace = step.numberOption("workspace"))
        setup.workspace = static_cast<int>(*workspace);
    if (auto role = step.textOption("role")) setup.role = *role;
    if (auto subrole = step.textOption("subrole")) setup.subrole = *subrole;
    setup.fixedSize = step.has("fixed");
    setup.minimized = step.has("minimized");
    setup.fullScreen = step.has("fullscreen");
    setup.focus = !step.has("background");
    auto id = session_.desktop().openWindow(pid, setup);
    if (!id) return "the application of " + inQuotes(label) + " refused to open it";
    windows_[label] = *id;
    windowNames_[*id] = label;
    openingOrder_.push_back(*id);
    if (setup.focus && !setup.minimized) session_.desktop().activate(pid);
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::windowStep(const ScenarioStep& step) {
    WindowID id = 0;
    if (Result error = resolveWindow(step.text(0), id)) return error;
    sim::SimDesktop& desktop = session_.desktop();
    const std::string& verb = step.verb;
    if (verb == "close") desktop.closeWindow(id);
    if (verb == "minimize") desktop.setMinimized(id, true);
    if (verb == "unminimize") desktop.setMinimized(id, false);
    if (verb == "fullscreen") desktop.setFullScreen(id, true);
    if (verb == "exit-fullscreen") desktop.setFullScreen(id, false);
    if (verb == "retitle") desktop.setTitle(id, step.text(1));
    if (verb == "focus") desktop.focusWindow(id);
    if (verb == "to-workspace") desktop.moveToWorkspace(id, static_cast<int>(step.number(1)));
    return std::nullopt;
}

// The user grabs the window (the title bar to move it, the bottom-right corner to resize it),
// the window follows the mouse, and the button comes up. The desktop's notifications are
// delivered while the button is still down, as they are when a real drag is under way.
ScenarioRunner::Result ScenarioRunner::userFrameChange(const ScenarioStep& step) {
    WindowID id = 0;
    if (Result error = resolveWindow(step.text(0), id)) return error;
    sim::SimDesktop& desktop = session_.desktop();
    const Rect from = desktop.window(id)->frame;
    Rect to = from;
    Point grip{from.midX(), from.minY() + 10};
    if (step.verb == "drag") {
        to.x = step.pointOption("to")->x;
        to.y = step.pointOption("to")->y;
    } else {
        to.width = step.sizeOption("size")->width;
        to.height = step.sizeOption("size")->height;
        grip = {from.maxX() - 1, from.maxY() - 1};
    }
    desktop.setPointer(grip);
    desktop.setPressedButtons(kLeftButton);
    session_.runPending();
    desktop.moveWindow(id, to);
    desktop.setPointer({grip.x + (to.maxX() - from.maxX()), grip.y + (to.minY() - from.minY())});
    session_.runPending();
    desktop.setPressedButtons(0);
    return std::nullopt;
}

// The application moves or resizes its own window; `quiet` loses the desktop's notifications.
ScenarioRunner::Result ScenarioRunner::applicationFrameChange(const ScenarioStep& step) {
    WindowID id = 0;
    if (Result error = resolveWindow(step.text(0), id)) return error;
    auto to = step.pointOption("to");
    auto size = step.sizeOption("size");
    if (!to && !size) return std::string("app-move needs to= or size=");
    sim::SimDesktop& desktop = session_.desktop();
    Rect frame = desktop.window(id)->frame;
    if (to) frame.x = to->x, frame.y = to->y;
    if (size) frame.width = size->width, frame.height = size->height;
    desktop.moveWindow(id, frame, !step.has("quiet"));
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::engineStep(const ScenarioStep& step) {
    const std::string& verb = step.verb;
    if (verb == "start") {
        session_.engine().start();
    } else if (verb == "stop") {
        if (!session_.hasEngine()) return std::string("the engine was never started");
        session_.engine().stop(step.has("paused"));
    } else if (verb == "scroll") {
        session_.engine().inputScroll(step.number(0));
    } else if (verb == "scroll-end") {
        session_.engine().inputScrollEnded(step.number(0));
    } else if (verb == "restart") {
        session_.restartEngine();
    } else if (verb == "permission") {
        session_.desktop().setTrusted(step.text(0) == "grant");
    } else if (verb == "perform") {
        session_.engine().perform(*actionNamed(step.text(0)));
    } else if (verb == "set") {
        PreferenceText::parse(step.text(0), step.text(1)).change(session_.preferences());
    } else if (verb == "advance") {
        session_.advance(step.number(0));
    } else if (verb == "workspace") {
        session_.desktop().switchWorkspace(static_cast<int>(step.number(0)));
    } else if (verb == "pointer") {
        const StepValue& value = step.args.at(0);
        session_.desktop().setPointer(std::get<Point>(value));
    } else {
        return "unknown step";
    }
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::print(const ScenarioStep& step) {
    if (step.verb == "echo") {
        for (std::size_t i = 0; i < step.args.size(); ++i)
            out_ << (i ? " " : "") << step.text(i);
        out_ << "\n";
        return std::nullopt;
    }
    if (step.verb == "dump") {
        if (!session_.hasEngine()) return std::string("the engine was never started");
        // Dated by the simulated clock, counted from 1970, so the text is the same every run.
        const auto at = std::chrono::system_clock::time_point(
            std::chrono::duration_cast<std::chrono::system_clock::duration>(
                std::chrono::duration<double>(session_.now())));
        out_ << session_.engine().debugDump(at);
        return std::nullopt;
    }
    ScenarioReport report(session_, windowNames_);
    for (std::size_t i = 0; i < step.args.size(); ++i) {
        const std::string& what = step.text(i);
        if (what == "frames") report.frames(out_, openingOrder_);
        if (what == "strips") report.strips(out_);
        if (what == "log") {
            report.log(out_, logPrinted_);
            logPrinted_ = session_.logSize();
        }
        if (what == "picture") {
            // The parser makes sure a file follows.
            const std::string& path = step.text(++i);
            if (!pictures_) return std::string("this program cannot draw pictures");
            if (auto error =
                    pictures_->write(describePicture(session_, openingOrder_, windowNames_), path))
                return "cannot write " + inQuotes(path) + ": " + *error;
        }
    }
    return std::nullopt;
}

}  // namespace tessarin
