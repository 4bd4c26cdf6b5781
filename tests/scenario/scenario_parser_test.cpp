#include "scenario/scenario_parser.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "scenario/preference_text.hpp"

namespace tessarin::test {
namespace {

ScenarioStep only(std::string_view text) {
    ScenarioScript script = ScenarioParser::parse(text);
    EXPECT_FALSE(script.error) << script.error->describe();
    EXPECT_EQ(script.steps.size(), 1u);
    return script.steps.empty() ? ScenarioStep{} : script.steps[0];
}

std::string errorOf(std::string_view text) {
    ScenarioScript script = ScenarioParser::parse(text);
    EXPECT_TRUE(script.steps.empty()) << "a file with an error runs nothing";
    return script.error ? script.error->describe() : "(no error)";
}

TEST(ScenarioParser, ReadsPositionalsOptionsFlagsAndQuotedText) {
    ScenarioStep step = only(
        R"(open editor app=code title="main \"v2\".cpp" size=800x600 at=-20,40 min=400x300 fixed background)");
    EXPECT_EQ(step.verb, "open");
    EXPECT_EQ(step.text(0), "editor");
    EXPECT_EQ(step.textOption("app"), "code");
    EXPECT_EQ(step.textOption("title"), "main \"v2\".cpp");
    EXPECT_EQ(step.sizeOption("size"), (Size{800, 600}));
    EXPECT_EQ(step.pointOption("at"), (Point{-20, 40}));
    EXPECT_EQ(step.sizeOption("min"), (Size{400, 300}));
    EXPECT_TRUE(step.has("fixed"));
    EXPECT_TRUE(step.has("background"));
    EXPECT_FALSE(step.has("minimized"));
    // Steps that print several things are in every golden scenario; the comma form of a
    // rectangle, the spelling aliases and the flag of stop are not.
    EXPECT_EQ(
        only("plug S frame=-1440,-100,1440x900 visible=-1440,-75,1440,875").rectOption("visible"),
        (Rect{-1440, -75, 1440, 875}));
    EXPECT_EQ(only("minimise editor").verb, "minimize");
    EXPECT_EQ(only("stop paused").flags, (std::set<std::string>{"paused"}));
    // A hash inside text or inside a word is no comment.
    EXPECT_EQ(only("open a app=x title=\"C# # notes\"").textOption("title"), "C# # notes");
    EXPECT_EQ(only("echo bug#12 # gone").args.size(), 1u);
}

TEST(ScenarioParser, KeepsLineNumbersAcrossCommentsBlankLinesAndCarriageReturns) {
    ScenarioScript script = ScenarioParser::parse(
        "# heading\r\n\r\nplug MAIN frame=0,0,1440x900   # the primary\r\n  \r\nadvance 0.5\r\n");
    ASSERT_FALSE(script.error);
    ASSERT_EQ(script.steps.size(), 2u);
    EXPECT_EQ(script.steps[0].line, 3);
    EXPECT_EQ(script.steps[0].rectOption("frame"), (Rect{0, 0, 1440, 900}));
    EXPECT_EQ(script.steps[1].line, 5);
    EXPECT_DOUBLE_EQ(script.steps[1].number(0), 0.5);
}

TEST(ScenarioParser, NamesTheLineOfEachKindOfMistake) {
    EXPECT_EQ(errorOf("plug M frame=0,0,10x10\n\nopne editor app=code"),
              "line 3: unknown step \"opne\"; did you mean open?");
    EXPECT_EQ(errorOf("advance soon"),
              "line 1: advance: seconds wants a number of seconds, 0 or "
              "more, not \"soon\"");
    EXPECT_EQ(errorOf("advance -1"),
              "line 1: advance: seconds wants a number of seconds, 0 or "
              "more, not \"-1\"");
    EXPECT_EQ(errorOf("advance nan"),
              "line 1: advance: seconds wants a number of seconds, 0 or "
              "more, not \"nan\"");
    EXPECT_EQ(errorOf("open editor app=code sise=1x1"), "line 1: open: unknown option \"sise\"");
    EXPECT_EQ(errorOf("open editor title=x"), "line 1: open: missing app=");
    EXPECT_EQ(errorOf("open editor app=code size=0x600"),
              "line 1: open: size wants a size such as 800x600, not \"0x600\"");
    EXPECT_EQ(errorOf("open editor app=code app=other"), "line 1: open: app given twice");
    EXPECT_EQ(errorOf("close"), "line 1: close: missing window");
    EXPECT_EQ(errorOf("close editor shell"), "line 1: close: unexpected \"shell\"");
    EXPECT_EQ(errorOf("close \"my editor\""),
              "line 1: close: window wants a label (letters, digits, _ - .), not \"my editor\"");
    EXPECT_EQ(errorOf("echo \"unfinished"), "line 1: unterminated quote");
    EXPECT_EQ(errorOf("perform focusRightt"),
              "line 1: perform: unknown action \"focusRightt\"; did you mean focusRight?");
    EXPECT_EQ(errorOf("perform focusright"),
              "line 1: perform: unknown action \"focusright\"; did you mean focusRight?");
    EXPECT_EQ(errorOf("perform focusLest"),
              "line 1: perform: unknown action \"focusLest\"; did you mean focusLeft or "
              "focusLast?");
    EXPECT_EQ(errorOf("perform shuffle"), "line 1: perform: unknown action \"shuffle\"");
    EXPECT_EQ(errorOf("advance 3601"),
              "line 1: advance: at most 3600 seconds in one step, not \"3601\"");
    EXPECT_EQ(errorOf("set gapp 12"), "line 1: set: unknown setting \"gapp\"");
    EXPECT_EQ(errorOf("set gap wide"), "line 1: set: gap wants a number, not \"wide\"");
    EXPECT_EQ(errorOf("set placement last"),
              "line 1: set: placement wants afterFocused or end, not \"last\"");
    EXPECT_EQ(errorOf("print everything"),
              "line 1: print: what wants frames, strips, log or picture, not \"everything\"");
    EXPECT_EQ(errorOf("workspace 1.5"),
              "line 1: workspace: workspace wants a whole number from 1, not \"1.5\"");
    EXPECT_EQ(errorOf("key=value"), "line 1: unknown step \"key=value\"");
}

TEST(ScenarioParser, TheFirstErrorStopsTheWholeFile) {
    ScenarioScript script = ScenarioParser::parse("advance 1\nadvance x\nopne y\n");
    ASSERT_TRUE(script.error);
    EXPECT_EQ(script.error->line, 2);
    EXPECT_TRUE(script.steps.empty());
}

TEST(ScenarioParser, EveryVerbAndSettingIsDocumented) {
    std::ifstream file(std::string(TESSARIN_SOURCE_DIR) + "/docs/scenarios.md");
    ASSERT_TRUE(file) << "docs/scenarios.md is missing";
    const std::string doc(std::istreambuf_iterator<char>(file), {});
    for (const std::string& verb : ScenarioParser::verbs())
        EXPECT_NE(doc.find("`" + verb), std::string::npos) << verb << " is not documented";
    for (const std::string& key : PreferenceText::keys())
        EXPECT_NE(doc.find("`" + key + "`"), std::string::npos) << key << " is not documented";
}

}  // namespace
}  // namespace tessarin::test
