// tessarin-sim: runs the tiling engine on the simulated desktop, driven by a scenario file, and
// prints what the scenario asks to see. The format is described in docs/scenarios.md.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "base/log.hpp"
#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_runner.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tessarin-sim [--script FILE | -]\n"
    "Runs a scenario on the simulated desktop and prints its output; - (the default) reads\n"
    "the scenario from standard input.\n";

}  // namespace

int main(int argc, char** argv) {
    std::string path = "-";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--script" && i + 1 < argc) {
            path = argv[++i];
        } else if (arg == "-" || (!arg.empty() && arg[0] != '-')) {
            path = arg;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }

    std::string text;
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "tessarin-sim: cannot read %s\n", path.c_str());
            return 2;
        }
        text.assign(std::istreambuf_iterator<char>(file), {});
    }
    const std::string source = path == "-" ? "<stdin>" : path;

    // The scenario's log lines are part of its output; keep them out of the user's log.
    tessarin::Log::Options quiet;
    quiet.systemLog = false;
    tessarin::Log::configure(quiet);

    tessarin::ScenarioScript script = tessarin::ScenarioParser::parse(text);
    if (script.error) {
        std::fprintf(stderr, "%s: %s\n", source.c_str(), script.error->describe().c_str());
        return 1;
    }
    std::optional<tessarin::ScenarioError> error;
    {
        tessarin::SimSession session;
        tessarin::ScenarioRunner runner(session, std::cout);
        error = runner.run(script.steps);
    }
    std::cout.flush();
    if (error) {
        std::fprintf(stderr, "%s: %s\n", source.c_str(), error->describe().c_str());
        return 1;
    }
    return 0;
}
