#include <gtest/gtest.h>

#include <sstream>

#include "scenario/scenario_parser.hpp"
#include "scenario/scenario_runner.hpp"

namespace tessarin::test {
namespace {

// Keeps what it was asked to draw.
struct RecordingWriter : PictureWriter {
    std::vector<std::pair<StripPicture, std::string>> written;
    std::optional<std::string> fail;
    std::optional<std::string> write(const StripPicture& picture,
                                     const std::string& path) override {
        written.emplace_back(picture, path);
        return fail;
    }
};

std::string parseError(std::string_view line) {
    auto script = ScenarioParser::parse(line);
    return script.error ? script.error->describe() : "";
}

TEST(PictureStep, TheFileFollowsPictureAndMustBeThere) {
    const auto script = ScenarioParser::parse("print picture frames frames picture a.png");
    ASSERT_FALSE(script.error);
    EXPECT_EQ(script.steps[0].args.size(), 5u);
    EXPECT_EQ(parseError("print frames picture"),
              "line 1: print: picture wants a file to write, such as strip.png");
    EXPECT_EQ(parseError("print picture a.png picture"),
              "line 1: print: picture wants a file to write, such as strip.png");
    EXPECT_EQ(parseError("print picture a.png a.png"),
              "line 1: print: what wants frames, strips, log or picture, not \"a.png\"");
}

TEST(PictureStep, TheRunnerDescribesTheDesktopToItsWriter) {
    const char* text =
        "plug MAIN name=Main frame=0,0,1440x900\nplug SIDE frame=1440,0,800x600\n"
        "launch ed bundle=com.example.editor\nstart\n"
        "open a app=ed\nadvance 1\nopen b app=ed\nadvance 1\nopen c app=ed\nadvance 1\n"
        "open d app=ed\nadvance 1\nminimize b\nadvance 1\nprint picture out.png\n";
    {
        SimSession session;
        std::ostringstream out;
        ScenarioRunner runner(session, out);
        auto error = runner.run(ScenarioParser::parse(text).steps);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->describe(), "line 15: print: this program cannot draw pictures");
    }
    SimSession session;
    std::ostringstream out;
    RecordingWriter writer;
    ScenarioRunner runner(session, out, &writer);
    ASSERT_FALSE(runner.run(ScenarioParser::parse(text).steps));
    ASSERT_EQ(writer.written.size(), 1u);
    const auto& [picture, path] = writer.written[0];
    EXPECT_EQ(path, "out.png");
    ASSERT_EQ(picture.screens.size(), 2u);
    EXPECT_EQ(picture.screens[0], (StripPicture::Screen{"MAIN", "Main", {0, 0, 1440, 900}, true}));
    EXPECT_FALSE(picture.screens[1].active);
    std::string seen;
    for (const auto& window : picture.windows) {
        seen += window.label + (window.parked ? " parked" : "") +
                (window.focused ? " focused" : "") + " " + window.role + "; ";
    }
    EXPECT_EQ(seen, "a(101) parked tiled; c(103) tiled; d(104) focused tiled; ");
    EXPECT_EQ(picture.bounds(), (Rect{-703, 0, 2943, 900}));

    writer.fail = "disk full";
    auto error = runner.run(ScenarioParser::parse("print picture x.png").steps);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message, "print: cannot write \"x.png\": disk full");
}

}  // namespace
}  // namespace tessarin::test
