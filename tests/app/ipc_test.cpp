#include "app/ipc.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "app/engine_reading.hpp"
#include "base/real_loop.hpp"
#include "scenario/sim_session.hpp"
#include "support/temp_folder.hpp"

namespace tessarin::test {
namespace {

// The server on a loop of its own thread; requests come from the test's thread.
class Ipc : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        server_ = IpcServer::listen(
            folder_.path() / "t.sock", loop_,
            [](const std::string& line) { return "echo " + line; }, error);
        ASSERT_TRUE(server_) << error;
        thread_ = std::thread([this] { loop_.run(); });
    }
    void TearDown() override {
        loop_.quit();
        if (thread_.joinable()) thread_.join();
    }
    std::optional<std::string> send(const std::string& line) {
        bool notRunning = false;
        std::string error;
        return ipcRequest(folder_.path() / "t.sock", line, notRunning, error);
    }

    TempFolder folder_;
    RealLoop loop_;
    std::unique_ptr<IpcServer> server_;
    std::thread thread_;
};

TEST_F(Ipc, OneLineInOneLineOutAndOversizedRequestsAreRefused) {
    struct stat info {};
    ASSERT_EQ(stat((folder_.path() / "t.sock").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(send("hello"), "echo hello");
    EXPECT_EQ(send(std::string(70 * 1024, 'x')),
              IpcServer::errorReply("request larger than 64 KiB"));
    EXPECT_EQ(send("again"), "echo again") << "still serving";
    bool notRunning = false;
    std::string error;
    EXPECT_FALSE(ipcRequest(folder_.path() / "none.sock", "x", notRunning, error));
    EXPECT_TRUE(notRunning);
}

TEST(CommandReply, MalformedRequestsGetErrorsAndActionsRun) {
    SimSession session;
    session.desktop().plugDisplay(sim::makeDisplay("P", {0, 0, 1440, 900}, "Built-in"));
    session.engine().start();
    auto commandReply = [&](WindowManager* engine, const std::string& request) {
        return tessarin::commandReply(engine, session.desktop().accessibility(),
                                      session.preferences(), request);
    };
    const std::pair<const char*, const char*> refused[] = {
        {"", "malformed request"},
        {"\xff\xfe{", "malformed request"},
        {"[1,2]", "malformed request"},
        {R"({"command":7})", "malformed request"},
        {R"({"command":"explode"})", "unknown command"},
        {R"({"command":"action"})", "unknown action"},
        {R"({"command":"action","name":"focusleft"})", "unknown action"},
    };
    for (const auto& [request, error] : refused)
        EXPECT_EQ(commandReply(&session.engine(), request), IpcServer::errorReply(error))
            << request;
    EXPECT_EQ(commandReply(nullptr, R"({"command":"state"})"),
              IpcServer::errorReply("not running"));
    EXPECT_EQ(commandReply(&session.engine(), R"({"command":"action","name":"focusLeft"})"),
              R"({"ok":true})");
    const auto state =
        nlohmann::json::parse(commandReply(&session.engine(), R"({"command":"state"})"));
    EXPECT_EQ(state["state"]["displays"][0]["uuid"], "P");
}

TEST(DisplayKey, NamesDisplaysAsFiles) {
    EXPECT_EQ(displayKey(":1"), ":1");
    EXPECT_EQ(displayKey(":1.0"), ":1");
    EXPECT_EQ(displayKey("host/unix:10.2"), "host_unix:10");
    EXPECT_EQ(displayKey(""), "default");
}

}  // namespace
}  // namespace tessarin::test
