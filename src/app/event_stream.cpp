#include "app/event_stream.hpp"

namespace tessarin {

namespace {

nlohmann::json orNull(const auto& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::string line(const nlohmann::json& event) {
    return event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A window's state as the event that reports reaching it.
const char* windowEvent(const std::string& state) {
    if (state == "tiled") return "windowTiled";
    if (state == "floating") return "windowFloated";
    if (state == "dormant") return "windowDormant";
    if (state == "detached") return "windowDetached";
    return nullptr;
}

}  // namespace

std::vector<nlohmann::json> eventsBetween(const EventSnapshot& before, const EventSnapshot& after) {
    std::vector<nlohmann::json> events;
    for (const auto& [uuid, layout] : before.displays) {
        if (!after.displays.count(uuid))
            events.push_back({{"event", "displayRemoved"}, {"display", uuid}});
    }
    for (const auto& [uuid, layout] : after.displays) {
        if (!before.displays.count(uuid)) {
            events.push_back(
                {{"event", "displayConnected"}, {"display", uuid}, {"name", layout.name}});
        }
    }
    for (const auto& [id, window] : before.windows) {
        if (!after.windows.count(id)) events.push_back({{"event", "windowClosed"}, {"window", id}});
    }
    for (const auto& [id, window] : after.windows) {
        auto old = before.windows.find(id);
        if (old != before.windows.end() && old->second == window) continue;
        if (const char* name = windowEvent(window.state)) {
            events.push_back(
                {{"event", name}, {"window", id}, {"display", orNull(window.display)}});
        }
    }
    for (const auto& [uuid, layout] : after.displays) {
        auto old = before.displays.find(uuid);
        const bool same = old != before.displays.end() &&
                          old->second.scrollOffset == layout.scrollOffset &&
                          old->second.focusedColumn == layout.focusedColumn &&
                          old->second.columns == layout.columns;
        if (same) continue;
        events.push_back({{"event", "layout"},
                          {"display", uuid},
                          {"scrollOffset", layout.scrollOffset},
                          {"focusedColumn", layout.focusedColumn},
                          {"columns", layout.columns}});
    }
    if (before.focused != after.focused || before.activeDisplay != after.activeDisplay) {
        events.push_back({{"event", "focus"},
                          {"window", orNull(after.focused)},
                          {"display", orNull(after.activeDisplay)}});
    }
    return events;
}

EventFeed::EventFeed(MainLoop& loop, Engine engine, Publish publish, Listeners listeners)
    : loop_(loop),
      engine_(std::move(engine)),
      publish_(std::move(publish)),
      listeners_(std::move(listeners)) {}

void EventFeed::changed() {
    if (listeners_() == 0) {
        last_.reset();
        return;
    }
    if (posted_) return;
    posted_ = true;
    // Compared once the turn's work is done: the engine may be half-way through a change now.
    loop_.post([this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired()) return;
        posted_ = false;
        compare();
    });
}

void EventFeed::compare() {
    if (listeners_() == 0) {
        last_.reset();
        return;
    }
    EventSnapshot now = current();
    if (last_) {
        for (const nlohmann::json& event : eventsBetween(*last_, now))
            publish_(line(event));
    }
    last_ = std::move(now);
}

std::string EventFeed::subscribe() {
    compare();
    if (!last_) last_ = current();
    std::string opening;
    for (const nlohmann::json& event : eventsBetween(EventSnapshot{}, *last_)) {
        if (!opening.empty()) opening += '\n';
        opening += line(event);
    }
    return opening;
}

EventSnapshot EventFeed::current() const {
    const WindowManager* engine = engine_();
    return engine ? eventSnapshot(engine->view()) : EventSnapshot{};
}

}  // namespace tessarin
