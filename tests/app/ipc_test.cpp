#include "app/ipc.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <thread>

#include "app/engine_reading.hpp"
#include "base/real_loop.hpp"
#include "scenario/sim_session.hpp"
#include "support/temp_folder.hpp"

namespace tessarin::test {
namespace {

sockaddr_un addressOf(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    return address;
}

// The server on a loop of its own thread; requests come from the test's thread.
class Ipc : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        server_ = IpcServer::listen(
            folder_.path() / "t.sock", loop_,
            [](const std::string& line) -> IpcServer::Reply {
                if (line == "subscribe") return {"hello", true};
                return "echo " + std::to_string(line.size()) + " " + line.substr(0, 8);
            },
            error);
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
    // Runs `work` on the loop's thread, where the server lives, and returns its result.
    template <class Work>
    auto onLoop(Work work) {
        std::promise<decltype(work())> done;
        loop_.post([&] { done.set_value(work()); });
        return done.get_future().get();
    }
    // A raw connection that has asked to subscribe.
    int subscribe() {
        const sockaddr_un address = addressOf(folder_.path() / "t.sock");
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::send(fd, "subscribe\n", 10, MSG_NOSIGNAL), 10);
        return fd;
    }
    // What arrives within 5 s, up to `size` bytes.
    static std::string receive(int fd, std::size_t size) {
        std::string text;
        char chunk[256];
        pollfd wait{fd, POLLIN, 0};
        while (text.size() < size && poll(&wait, 1, 5000) == 1) {
            const ssize_t n = recv(fd, chunk, std::min(sizeof chunk, size - text.size()), 0);
            if (n <= 0) break;
            text.append(chunk, static_cast<std::size_t>(n));
        }
        return text;
    }
    std::size_t subscribers() {
        return onLoop([&] { return server_->subscriberCount(); });
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
    EXPECT_EQ(send("hello"), "echo 5 hello");
    // Hostile lines reach the handler whole or are refused; the server goes on either way.
    const std::pair<std::string, std::string> requests[] = {
        {"", "echo 0 "},
        {std::string("a\0b\xff\xfe", 5), std::string("echo 5 a\0b\xff\xfe", 12)},
        {std::string(70 * 1024, 'x'), IpcServer::errorReply("request larger than 64 KiB")},
        {std::string(1024 * 1024, 'y'), IpcServer::errorReply("request larger than 64 KiB")},
    };
    for (const auto& [request, reply] : requests) {
        EXPECT_EQ(send(request), reply) << request.size();
        EXPECT_EQ(send("again"), "echo 5 again") << "still serving";
    }
    bool notRunning = false;
    std::string error;
    EXPECT_FALSE(ipcRequest(folder_.path() / "none.sock", "x", notRunning, error));
    EXPECT_TRUE(notRunning);
}

// Lines reach subscribers as published; one that left is forgotten, and the stream ends when
// the server goes.
TEST_F(Ipc, SubscribersGetPublishedLinesUntilEitherSideCloses) {
    const int left = subscribe();
    const int quiet = subscribe();
    EXPECT_EQ(receive(left, 6), "hello\n");
    EXPECT_EQ(receive(quiet, 6), "hello\n");
    close(left);
    shutdown(quiet, SHUT_WR);  // done talking, still listening
    for (int turn = 0; turn < 100; ++turn)
        subscribers();
    EXPECT_EQ(subscribers(), 1u) << "the closed subscriber is forgotten, the quiet one kept";
    onLoop([&] { return server_->publish("still"), 0; });
    EXPECT_EQ(receive(quiet, 6), "still\n");
    close(quiet);
    onLoop([&] { return server_->publish("gone"), 0; });
    EXPECT_EQ(subscribers(), 0u);

    std::vector<std::string> lines;
    bool notRunning = false;
    std::string error;
    EXPECT_TRUE(ipcFollow(
        folder_.path() / "t.sock", "subscribe",
        [&](const std::string& line) {
            lines.push_back(line);
            if (lines.size() == 1) {
                onLoop([&] {
                    server_->publish("one");
                    server_.reset();
                    return 0;
                });
            }
            return true;
        },
        notRunning, error));
    EXPECT_EQ(lines, (std::vector<std::string>{"hello", "one"}));
}

// A subscriber that never reads costs its bounded backlog, then its place; publishing never
// waits for it.
TEST_F(Ipc, ASubscriberThatNeverReadsIsDroppedOnceItsBacklogIsFull) {
    const int reader = subscribe();
    const int sleeper = subscribe();
    EXPECT_EQ(receive(reader, 6), "hello\n");
    for (int turn = 0; turn < 100 && subscribers() < 2; ++turn) {
    }
    const std::string line(1000, 'z');
    std::size_t published = 0;
    std::string received;
    // Rounds larger than the socket holds: the reader needs its backlog written when there is room.
    while (published < 2000 && subscribers() == 2) {
        published += onLoop([&] {
            for (int i = 0; i < 300; ++i)
                server_->publish(line);
            return 300;
        });
        received += receive(reader, 300 * 1001);
    }
    EXPECT_EQ(subscribers(), 1u);
    EXPECT_GT(published * 1001, IpcServer::kMaxBacklog) << "dropped no earlier than its backlog";
    EXPECT_EQ(received.size(), published * 1001) << "the reader missed nothing";
    EXPECT_LT(receive(sleeper, 1 << 30).size(), published * 1001) << "cut off, then closed";
    close(reader);
    close(sleeper);
}

TEST(RuntimeFolder, RefusesAFolderOthersCanEnterOrOfAnotherUser) {
    TempFolder base;
    setenv("XDG_RUNTIME_DIR", base.path().c_str(), 1);
    std::string error;
    const auto folder = runtimeFolder(error);
    ASSERT_EQ(folder, base.path() / "tessarin") << error;
    chmod(folder->c_str(), 0711);
    EXPECT_EQ(runtimeFolder(error), std::nullopt);
    chmod(folder->c_str(), 0700);
    const bool root = geteuid() == 0;
    ASSERT_EQ(root ? chown(folder->c_str(), 4242, 4242) : 0, 0);  // only root can give it away
    EXPECT_EQ(runtimeFolder(error).has_value(), !root) << error;
    unsetenv("XDG_RUNTIME_DIR");
}

// A copy that crashed left its socket: nothing listens, and the next copy takes the name.
TEST_F(Ipc, AStaleSocketIsReplaced) {
    const auto path = folder_.path() / "stale.sock";
    const sockaddr_un address = addressOf(path);
    const int dead = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(dead, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(dead);
    std::string error;
    // The loop takes watches from any thread.
    auto fresh = IpcServer::listen(
        path, loop_, [](const std::string&) { return "fresh"; }, error);
    ASSERT_TRUE(fresh) << error;
    bool notRunning = false;
    EXPECT_EQ(ipcRequest(path, "x", notRunning, error), "fresh");
}

TEST(CommandReply, MalformedRequestsGetErrorsAndActionsRun) {
    SimSession session;
    session.desktop().plugDisplay(sim::makeDisplay("P", {0, 0, 1440, 900}, "Built-in"));
    session.engine().start();
    std::vector<std::string> urls;
    std::function<void(const std::string&)> openUrl;
    auto commandReply = [&](WindowManager* engine, const std::string& request) {
        return tessarin::commandReply({engine, session.desktop().accessibility(),
                                       session.preferences(), openUrl, nullptr},
                                      request)
            .line;
    };
    const std::pair<std::string, const char*> refused[] = {
        {"", "malformed request"},
        {"\xff\xfe{", "malformed request"},
        {"[1,2]", "malformed request"},
        {R"({"command":7})", "malformed request"},
        {R"({"command":"explode"})", "unknown command"},
        {R"({"command":"action"})", "unknown action"},
        {R"({"command":"action","name":"focusleft"})", "unknown action"},
        {R"({"command":"url","url":"tessarin://x"})", "unknown command"},
        {R"({"command":"subscribe"})", "unknown command"},
        {std::string(R"({"command":"state"})"
                     "\0x",
                     21),
         "malformed request"},
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
    for (const std::string part : {"windows", "displays"}) {
        const auto reply = commandReply(&session.engine(), R"({"command":")" + part + "\"}");
        EXPECT_EQ(nlohmann::json::parse(reply),
                  (nlohmann::json{{"ok", true}, {part, state["state"][part]}}));
    }

    // URLs go to whoever handles them, running or not.
    openUrl = [&](const std::string& url) { urls.push_back(url); };
    EXPECT_EQ(commandReply(nullptr, R"({"command":"url","url":"tessarin://focus?x=\u00e9"})"),
              R"({"ok":true})");
    EXPECT_EQ(urls, std::vector<std::string>{"tessarin://focus?x=\xc3\xa9"});
}

TEST(DisplayKey, NamesDisplaysAsFiles) {
    EXPECT_EQ(displayKey(":1"), ":1");
    EXPECT_EQ(displayKey(":1.0"), ":1");
    EXPECT_EQ(displayKey("host/unix:10.2"), "host_unix:10");
    EXPECT_EQ(displayKey(""), "default");
}

}  // namespace
}  // namespace tessarin::test
