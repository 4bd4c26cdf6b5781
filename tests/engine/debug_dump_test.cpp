#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine_harness.hpp"

namespace tessarin::test {

namespace fs = std::filesystem;

class DebugDump : public EngineHarness {
  protected:
    fs::path folder = fs::temp_directory_path() / ("tessarin-dump-" + std::to_string(::getpid()));

    void SetUp() override {
        fs::remove_all(folder);
        Log::Options options;
        options.systemLog = false;
        options.folder = folder;
        Log::configure(options);
    }
    void TearDown() override {
        // The log's own thread may still be writing its file in the folder.
        Log::flush();
        Log::Options quiet;
        quiet.systemLog = false;
        Log::configure(quiet);
        fs::remove_all(folder);
        EngineHarness::TearDown();
    }
    std::string stateFile() const {
        std::ifstream in(folder / "state.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(DebugDump, ReplacesStateTxtBesideTheLogAndIsNeverStoppedByAFailedWrite) {
    plugPrimary();
    const Pid editor = launch("com.example.editor");
    const WindowID first = open(editor, "First");
    startEngine();
    settle();
    EXPECT_EQ(engine->writeDebugDump(), folder / "state.txt");
    std::string text = stateFile();
    EXPECT_EQ(text.rfind("Tessarin state ", 0), 0u);
    EXPECT_NE(text.find(std::to_string(first) + " com.example.editor \u201CFirst\u201D"),
              std::string::npos);

    const WindowID second = open(editor, "Second");
    settle();
    engine->writeDebugDump();
    text = stateFile();
    EXPECT_EQ(text.find("Tessarin state ", 1), std::string::npos) << "appended, not replaced";
    EXPECT_NE(text.find(std::to_string(second) + " "), std::string::npos);

    // A folder in the file's place cannot be replaced by a file.
    fs::remove(folder / "state.txt");
    fs::create_directories(folder / "state.txt" / "inside");
    takeLog();
    EXPECT_EQ(engine->writeDebugDump(), folder / "state.txt");
    EXPECT_TRUE(logged("wrote debug dump"));
    EXPECT_EQ(countLogged("debug dump not written to "), 1);
}

}  // namespace tessarin::test
