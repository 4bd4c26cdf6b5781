#include "shell/migration.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"
#include "shell/put_file.hpp"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::putFile;
using test::readText;

// Counts writes, so a launch after the migration can be shown to write nothing.
class CountingStore : public MemoryStore {
  public:
    void set(const std::string& key, nlohmann::json value) override {
        ++writes;
        MemoryStore::set(key, std::move(value));
    }
    int writes = 0;
};

class MigrationTest : public ::testing::Test {
  protected:
    test::TempFolder home;
    fs::path formerFile = home.path() / ".config/tessarin/app.quillon.mac.json";
    fs::path current = home.path() / ".local/share/Tessarin";
    fs::path former = home.path() / ".local/share/Quillon";
    CountingStore store;
    std::vector<std::string> lines;

    MigrationTest() {
        Log::setObserver([this](std::string_view line) { lines.emplace_back(line); });
    }
    ~MigrationTest() override { Log::setObserver(nullptr); }

    void run() {
        Migration::fromQuillon({store,
                                [this] {
                                    return std::make_unique<FileStore>(formerFile.parent_path(),
                                                                       "app.quillon.mac",
                                                                       FileStore::Access::readOnly);
                                },
                                current});
    }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(current.parent_path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(MigrationTest, WithoutTheFormerProductOnlyTheMarkerIsSet) {
    Migration::fromQuillon([this](const std::string& name) {
        return name == "HOME" ? std::optional<std::string>(home.path()) : std::nullopt;
    });
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(readText(home.path() / ".config/tessarin/com.tessarin.json"),
              "{\n  \"migratedFromQuillon\": true\n}\n");
    EXPECT_FALSE(fs::exists(current));
}

TEST_F(MigrationTest, FormerSettingsFillOnlyKeysWithoutAValueAndAllAreCounted) {
    const std::string text = R"({"gap": 4, "animate": false, "placement": "end"})";
    putFile(formerFile, text);
    store.set("gap", 20);
    store.registerDefaults({{"animate", true}});
    run();
    EXPECT_EQ(store.integer("gap"), 20);
    EXPECT_FALSE(store.boolean("animate"));
    EXPECT_EQ(store.string("placement"), "end");
    EXPECT_EQ(lines, std::vector<std::string>{"carried over 3 settings from Quillon"});
    EXPECT_EQ(readText(formerFile), text);
}

TEST_F(MigrationTest, TheFormerFolderIsCopiedOnlyWhereThereIsNoneYet) {
    putFile(former / "layouts/one.json", "[1]");
    fs::create_symlink("/etc/hostname", former / "link");
    run();
    EXPECT_EQ(readText(current / "layouts/one.json"), "[1]");
    EXPECT_EQ(fs::read_symlink(current / "link"), "/etc/hostname");
    EXPECT_EQ(readText(former / "layouts/one.json"), "[1]");
    EXPECT_EQ(leftovers(), (std::vector<std::string>{"Quillon", "Tessarin"}));

    fs::remove_all(current);
    putFile(current / "mine", "x");
    store.set("migratedFromQuillon", false);
    run();
    EXPECT_FALSE(fs::exists(current / "layouts"));
}

TEST_F(MigrationTest, ALaunchAfterTheMigrationReadsAndWritesNothing) {
    putFile(former / "a", "a");
    store.set("migratedFromQuillon", true);
    store.writes = 0;
    bool opened = false;
    Migration::fromQuillon({store,
                            [&] {
                                opened = true;
                                return std::unique_ptr<KeyValueStore>();
                            },
                            current});
    EXPECT_FALSE(opened);
    EXPECT_EQ(store.writes, 0);
    EXPECT_FALSE(fs::exists(current));
}

TEST_F(MigrationTest, AFailedCopyLeavesNoFolderAndStillSetsTheMarker) {
    putFile(former / "a", "a");
    // A pipe cannot be copied.
    ASSERT_EQ(::mkfifo((former / "pipe").c_str(), 0600), 0);
    putFile(current.parent_path() / ".Tessarin.migrating-x/half", "left by a crash");
    run();
    EXPECT_TRUE(store.boolean("migratedFromQuillon"));
    EXPECT_FALSE(fs::exists(current));
    EXPECT_EQ(leftovers(), std::vector<std::string>{"Quillon"});
    EXPECT_TRUE(fs::exists(former / "a"));
}

}  // namespace
}  // namespace tessarin
