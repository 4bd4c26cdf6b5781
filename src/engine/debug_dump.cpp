#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/log.hpp"
#include "base/replace_file.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

// The snapshot a user sends with a problem report. Its layout is read by people and by the
// scripts that compare reports, so every line keeps its form.

namespace tessarin {

namespace {

std::string decimalRect(const Rect& rect) {
    std::string text = "(";
    text += LogText::decimal(rect.x);
    text += ", ";
    text += LogText::decimal(rect.y);
    text += ", ";
    text += LogText::decimal(rect.width);
    text += ", ";
    text += LogText::decimal(rect.height);
    text += ')';
    return text;
}

std::string utcDate(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d +0000", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

template <typename Items, typename Line>
std::string joined(const Items& items, const char* separator, Line line) {
    std::string text;
    bool first = true;
    for (const auto& item : items) {
        if (!first) text += separator;
        first = false;
        text += line(item);
    }
    return text;
}

}  // namespace

std::string WindowManager::dumpLine(WindowID id) {
    const ManagedWindow* known = run_.find(id);
    if (!known) return std::to_string(id) + " (unknown)";
    Accessibility& ax = platform_.accessibility;
    const AXElement& element = known->window->element;
    std::string line = LogText::windowDescription(
        id, known->window->bundleID, AX::string(ax, element, AXName::title).value_or(""));
    line += " actual=";
    const auto actual = actualFrame(id);
    line += actual ? LogText::wholeFrame(*actual) : "?";
    line += " wanted=";
    line += known->lastApplied ? LogText::wholeFrame(*known->lastApplied) : "-";
    return line;
}

std::string WindowManager::debugDump(std::chrono::system_clock::time_point at) {
    const InputDiagnostics input = hooks_.input->diagnostics();
    std::string text = "Tessarin state " + utcDate(at) + "\n";
    text += "running=" + LogText::boolean(state_.isRunning);
    text += " paused=" + LogText::boolean(state_.isPaused);
    text += " trusted=" + LogText::boolean(platform_.accessibility.isProcessTrusted());
    text += " swipeTap=" + LogText::boolean(hooks_.input->swipeTapInstalled());
    text += " scrollTap=" + LogText::boolean(hooks_.input->scrollTapInstalled());
    text += " swipeFingers=" + std::to_string(prefs_.gestureFingers());
    text += " threeFingerDrag=" + LogText::boolean(input.threeFingerDrag) + "\n";
    text += "swipe events seen=" + std::to_string(input.eventsSeen);
    text += " unreadable=" + std::to_string(input.unreadableEvents);
    text += " maxFingers=" + std::to_string(input.maxFingersSeen);
    text += input.onMainThread ? " mode=main\n" : " mode=thread\n";

    std::vector<std::string> refused = input.refusedShortcuts;
    std::sort(refused.begin(), refused.end());
    text += "shortcuts rejected by the system: ";
    text += refused.empty() ? "none" : joined(refused, " ", [](const auto& s) { return s; });
    text += "\nactiveKey=" + state_.activeKey.value_or("nil");
    const auto focused = systemFocusedWindow();
    text += " systemFocused=" + (focused ? std::to_string(*focused) : std::string("nil"));
    text += "\n\n";

    for (const Display& shown : state_.displays) {
        text += "DISPLAY " + shown.name + " " + shown.uuid + "\n";
        text += "  frame=" + decimalRect(shown.frame);
        text += " visible=" + decimalRect(shown.visibleFrame);
        text += " area=" + decimalRect(shown.visibleFrame.insetBy(prefs_.outerGap())) + "\n";
        auto found = run_.strips.find(shown.uuid);
        if (found == run_.strips.end()) {
            text += "  (no strip)\n";
            continue;
        }
        const Strip& strip = found->second;
        text += "  focusedColumn=" + std::to_string(strip.focusedColumn);
        text += " scroll=" + LogText::decimal(strip.scrollOffset) + "\n";
        for (std::size_t c = 0; c < strip.columns.size(); ++c) {
            const Column& column = strip.columns[c];
            char width[64];
            std::snprintf(width, sizeof width, "%.3f", column.widthFraction);
            text += "  [" + std::to_string(c) + "] width=" + width;
            text += column.isFullWidth() ? " full\n" : "\n";
            for (WindowID id : column.windows)
                text += "      " + dumpLine(id) + "\n";
        }
    }

    text += "\nFLOATING\n";
    text += joined(run_.floating, "\n", [this](WindowID id) { return "  " + dumpLine(id); });
    text += "\nDORMANT\n";
    text += joined(run_.dormant, "\n", [this](const auto& entry) {
        return "  " + dumpLine(entry.first) + " index=" + std::to_string(entry.second.index);
    });
    text += "\nORPHAN STRIPS: ";
    text += joined(run_.detached, ", ", [](const auto& entry) { return entry.first; });
    text += "\n";
    return text;
}

std::optional<std::filesystem::path> WindowManager::writeDebugDump() {
    const auto folder = Log::folder();
    if (!folder) {
        Log::info("debug dump not written: no log folder");
        return std::nullopt;
    }
    const std::filesystem::path location = *folder / "state.txt";
    if (auto failed = replaceFile(location, debugDump(std::chrono::system_clock::now()))) {
        Log::info("debug dump not written to " + location.string() + ": " + *failed + " failed");
    }
    Log::info("wrote debug dump");
    return location;
}

}  // namespace tessarin
