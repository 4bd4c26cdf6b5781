// The scenario player on any text that parses: it ends, the engine never writes a position or
// size that is not finite, whatever the settings and sizes in the file, and its bookkeeping holds
// after every step.
#include <cmath>
#include <sstream>

#include "fuzz_check.hpp"
#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_runner.hpp"

using namespace tessarin;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const ScenarioScript script = ScenarioParser::parse(fuzz::text(data, size));
    if (script.error || script.steps.size() > 64) return 0;
    // Long stories only slow the search down; the player's own limit is tested elsewhere.
    double seconds = 0;
    for (const ScenarioStep& step : script.steps)
        if (step.verb == "advance") seconds += step.number(0);
    if (seconds > 120) return 0;

    SimSession session;
    std::ostringstream out;
    ScenarioRunner runner(session, out);
    for (const ScenarioStep& step : script.steps) {
        const bool failed = runner.run(step).has_value();
        for (const sim::AttributeWrite& write : session.desktop().writes()) {
            if (const auto* p = std::get_if<Point>(&write.value))
                fuzz::check(std::isfinite(p->x) && std::isfinite(p->y), "finite positions");
            if (const auto* s = std::get_if<Size>(&write.value))
                fuzz::check(std::isfinite(s->width) && std::isfinite(s->height), "finite sizes");
        }
        session.desktop().clearWrites();
        if (session.hasEngine()) {
            const auto fault = session.engine().view().bookkeepingFault();
            fuzz::check(!fault, "the engine's bookkeeping holds");
        }
        if (failed) break;
    }
    return 0;
}
