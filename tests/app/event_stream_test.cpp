#include "app/event_stream.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "scenario/sim_session.hpp"

namespace tessarin::test {
namespace {

// The feed over the engine on the simulated desktop, with one listener collecting the lines.
TEST(EventFeed, ReportsWhatTheUserAndTheDesktopChange) {
    SimSession session;
    sim::SimDesktop& desktop = session.desktop();
    desktop.plugDisplay(sim::makeDisplay("P", {0, 0, 1440, 900}, "Built-in"));
    const Pid app = desktop.launch(sim::makeApp("com.example.editor", "Editor"));
    std::size_t listeners = 0;
    std::vector<nlohmann::json> events;
    EventFeed feed(
        session.loop(), [&] { return &session.engine(); },
        [&](const std::string& line) { events.push_back(nlohmann::json::parse(line)); },
        [&] { return listeners; });
    session.engine().onLayoutChange = [&] { feed.changed(); };
    session.engine().start();
    std::vector<WindowID> ids;
    for (const char* title : {"a", "b", "c"}) {
        ids.push_back(*desktop.openWindow(app, sim::makeWindow(title, {100, 100, 800, 600})));
        session.advance(2);
    }

    // A newcomer starts from the present state.
    std::vector<std::string> opening;
    std::istringstream lines(feed.subscribe());
    listeners = 1;
    for (std::string line; std::getline(lines, line);)
        opening.push_back(nlohmann::json::parse(line)["event"]);
    EXPECT_EQ(opening, (std::vector<std::string>{"displayConnected", "windowTiled", "windowTiled",
                                                 "windowTiled", "layout", "focus"}));
    EXPECT_TRUE(events.empty());

    const auto perform = [&](Action action) {
        return [&session, action] { session.engine().perform(action); };
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        nlohmann::json expected;  // one of the events that follow, field by field
    };
    const Step steps[] = {
        {"focus moves left",
         perform(Action::focusLeft),
         {{"event", "focus"}, {"window", ids[1]}, {"display", "P"}}},
        {"the strip follows", nullptr, {{"event", "layout"}, {"focusedColumn", 1}, {"columns", 3}}},
        {"a window floats",
         perform(Action::toggleFloat),
         {{"event", "windowFloated"}, {"window", ids[1]}}},
        {"a window closes",
         [&] { desktop.closeWindow(ids[1]); },
         {{"event", "windowClosed"}, {"window", ids[1]}}},
        {"a display comes",
         [&] {
             desktop.plugDisplay(sim::makeDisplay("Q", {1440, 0, 1920, 1080}, "Side"));
         },
         {{"event", "displayConnected"}, {"display", "Q"}, {"name", "Side"}}},
        {"a display goes",
         [&] { desktop.unplugDisplay(*desktop.displayNumber("Q")); },
         {{"event", "displayRemoved"}, {"display", "Q"}}},
    };
    for (const Step& step : steps) {
        const std::size_t from = events.size();
        if (step.act) step.act();
        session.advance(2);
        // An event that holds every expected field is left as it is by taking them in.
        bool seen = false;
        for (std::size_t i = step.act ? from : 0; i < events.size(); ++i) {
            nlohmann::json merged = events[i];
            merged.update(step.expected);
            seen = seen || merged == events[i];
        }
        EXPECT_TRUE(seen) << step.what << "\n" << nlohmann::json(events).dump();
    }

    session.engine().onLayoutChange = nullptr;
}

}  // namespace
}  // namespace tessarin::test
