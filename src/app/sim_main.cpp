// tessarin-sim: runs the tiling engine on the simulated desktop, driven by a scenario file, and
// prints what the scenario asks to see. The format is described in docs/scenarios.md.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "base/log.hpp"
#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_runner.hpp"
#include "ui/strip_picture.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tessarin-sim [--script FILE | -]\n"
    "Runs a scenario on the simulated desktop and prints its output; - (the default) reads\n"
    "the scenario from standard input.\n";

// Pictures need a toolkit for their text; it starts with the first picture, so scenarios that
// draw none never pay for it. Off screen unless the environment names a platform.
class LazyPictures : public tessarin::PictureWriter {
  public:
    LazyPictures(int& argc, char** argv) : argc_(argc), argv_(argv) {}

    std::optional<std::string> write(const tessarin::StripPicture& picture,
                                     const std::string& path) override {
        if (!app_) {
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
            app_ = std::make_unique<QGuiApplication>(argc_, argv_);
        }
        return writer_.write(picture, path);
    }

  private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QGuiApplication> app_;
    tessarin::QtPictureWriter writer_;
};

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
    LazyPictures pictures(argc, argv);
    {
        tessarin::SimSession session;
        tessarin::ScenarioRunner runner(session, std::cout, &pictures);
        error = runner.run(script.steps);
    }
    std::cout.flush();
    if (error) {
        std::fprintf(stderr, "%s: %s\n", source.c_str(), error->describe().c_str());
        return 1;
    }
    return 0;
}
