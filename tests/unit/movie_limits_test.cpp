// The movie player under load and hostile input, over real HTTP on 127.0.0.1: clients that hold
// connections without finishing a request, too many event streams, oversized bodies in any
// transfer encoding, and machine files that are links to endless or huge files. The page's own
// requests must still be answered promptly, and nothing may be read into memory without bound.
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "platform/movie/event_log.h"
#include "platform/movie/movie_player.h"
#include "tests/unit/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::movie::MoviePlayer;
using tavrin_test::TempFolder;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous for two busy cores: a starved server answers in seconds or not at all.
constexpr auto kPrompt = 1500ms;

// A raw client connection, for what no well-behaved HTTP client does.
class RawConnection {
public:
    explicit RawConnection(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawConnection() { ::close(fd_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    // The status code of the answer, or 0 when none came within the time.
    int status(std::chrono::milliseconds within) {
        const auto until = Clock::now() + within;
        std::string head;
        char buffer[4096];
        while (head.find("\r\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            pollfd watched{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0) return 0;
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) return 0;
            head.append(buffer, static_cast<std::size_t>(got));
        }
        // "HTTP/1.1 403 Forbidden"
        const auto blank = head.find(' ');
        return blank == std::string::npos ? 0 : std::atoi(head.c_str() + blank + 1);
    }
    bool send(const std::string& text) { return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) >= 0; }
    // True once the server has closed the connection (what it sent before is skipped).
    bool closed_by_server(std::chrono::milliseconds within) {
        const auto until = Clock::now() + within;
        char buffer[4096];
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            pollfd watched{fd_, POLLIN, 0};
            // Past the time, what has already arrived is still read: the end may be behind it.
            if (::poll(&watched, 1, static_cast<int>(std::max<std::int64_t>(0, left.count()))) <= 0) return false;
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) return true;
        }
    }

private:
    int fd_;
    bool connected_ = false;
};

class MovieLimitsTest : public ::testing::Test {
protected:
    MovieLimitsTest() {
        skin.write("index.html", "<html>host page</html>");
        platform::movie::Options options;
        options.skin_folder = skin.path();
        // C:\NAME is the file NAME of the machine folder.
        options.resolve_file = [this](const std::string& windows_path) -> std::optional<fs::path> {
            if (windows_path.rfind("C:\\", 0) != 0) return std::nullopt;
            return machine.path() / windows_path.substr(3);
        };
        player = std::make_unique<MoviePlayer>(options);
        player->start();
        page = std::make_unique<httplib::Client>("127.0.0.1", player->port());
        page->set_read_timeout(10, 0);
        ui = std::thread([this] { player->run(); });
    }
    ~MovieLimitsTest() override {
        player->quit();
        ui.join();
    }

    httplib::Headers auth() const { return {{"X-Tavrin-Token", player->token()}}; }
    std::string host_line() const { return "Host: 127.0.0.1:" + std::to_string(player->port()) + "\r\n"; }

    // How long the page waits for the movie's variables, or nullopt when it got no answer.
    std::optional<Clock::duration> page_request_time() {
        const auto started = Clock::now();
        auto answer = page->Get("/api/vars?movie=main", auth());
        if (!answer || answer->status != 200) return std::nullopt;
        return Clock::now() - started;
    }
    void expect_page_answered_promptly() {
        for (int i = 0; i < 3; ++i) {
            auto took = page_request_time();
            ASSERT_TRUE(took) << "the page's request got no answer";
            EXPECT_LT(*took, kPrompt);
        }
    }
    // A setvar whose value is `size` letters, sent in chunks as they are made (never held whole).
    httplib::Result post_chunked(const std::string& name, std::size_t size) {
        const std::string head = R"({"movie":"main","name":")" + name + R"(","value":")";
        const std::string tail = R"("})";
        const std::size_t total = head.size() + size + tail.size();
        return page->Post("/api/setvar", auth(),
                          [=](std::size_t offset, httplib::DataSink& sink) {
                              if (offset == total) {
                                  sink.done();
                                  return true;
                              }
                              std::string chunk = offset == 0 ? head : "";
                              const std::size_t letters = std::min<std::size_t>(64 << 10, total - tail.size() - offset - chunk.size());
                              chunk.append(letters, 'x');
                              if (offset + chunk.size() + tail.size() == total) chunk += tail;
                              return sink.write(chunk.data(), chunk.size());
                          },
                          "application/json");
    }

    TempFolder skin;
    TempFolder machine;
    std::unique_ptr<MoviePlayer> player;
    std::unique_ptr<httplib::Client> page;
    std::thread ui;
};

TEST_F(MovieLimitsTest, ClientsThatTrickleHeadersOrSayNothingDoNotHoldUpThePageAndAreCut) {
    std::vector<std::unique_ptr<RawConnection>> tricklers, silent;
    for (int i = 0; i < 80; ++i) {
        tricklers.push_back(std::make_unique<RawConnection>(player->port()));
        ASSERT_TRUE(tricklers.back()->connected());
        tricklers.back()->send("GET / HTTP/1.1\r\n" + host_line());
    }
    for (int i = 0; i < 40; ++i) silent.push_back(std::make_unique<RawConnection>(player->port()));
    std::atomic<bool> trickling{true};
    std::thread trickle([&] {
        while (trickling) {
            for (auto& connection : tricklers) connection->send("X");
            std::this_thread::sleep_for(200ms);
        }
    });

    expect_page_answered_promptly();
    // Neither kind gets to keep its connection: a request head has a few seconds to arrive.
    EXPECT_TRUE(tricklers.front()->closed_by_server(8s));
    EXPECT_TRUE(tricklers.back()->closed_by_server(2s));
    EXPECT_TRUE(silent.front()->closed_by_server(2s));
    trickling = false;
    trickle.join();
}

TEST_F(MovieLimitsTest, RefusedRequestsEndTheirConnection) {
    RawConnection stranger(player->port());
    stranger.send("GET /api/vars?movie=main HTTP/1.1\r\n" + host_line() + "\r\n");
    EXPECT_TRUE(stranger.closed_by_server(3s));
}

TEST_F(MovieLimitsTest, ManyEventStreamsKeepOnlyTheNewestOpenAndThePageIsStillServed) {
    const std::string request = "GET /api/events?token=" + player->token() + " HTTP/1.1\r\n" + host_line() + "\r\n";
    std::vector<std::unique_ptr<RawConnection>> streams;
    for (int i = 0; i < 300; ++i) {
        streams.push_back(std::make_unique<RawConnection>(player->port()));
        ASSERT_TRUE(streams.back()->connected());
        streams.back()->send(request);
    }
    expect_page_answered_promptly();
    // Which ones stay is up to the order the server took them in; how many is not. The server
    // closes the older ones as it takes in newer ones, so the count falls for a while.
    const auto open_now = [&] {
        std::size_t open = 0;
        for (auto& stream : streams) open += stream->closed_by_server(0ms) ? 0 : 1;
        return open;
    };
    std::size_t still_open = open_now();
    for (const auto until = Clock::now() + 10s; still_open > platform::movie::EventLog::kMostStreams && Clock::now() < until;)
        still_open = open_now();
    EXPECT_GE(still_open, 1u);
    EXPECT_LE(still_open, platform::movie::EventLog::kMostStreams);
}

TEST_F(MovieLimitsTest, AStreamWhosePageStoppedReadingIsClosedAndHoldsNothingUp) {
    RawConnection stalled(player->port());
    stalled.send("GET /api/events?token=" + player->token() + " HTTP/1.1\r\n" + host_line() + "\r\n");
    // More than the connection's buffers take: the stream's writes block until it gives up.
    const std::string screenful(1 << 20, 'x');
    for (int i = 0; i < 32; ++i) player->set_variable("log", "_root.LogFile", screenful + std::to_string(i));
    const auto started = Clock::now();
    auto idle = page->Get("/api/idle?timeout_ms=20000", auth());
    ASSERT_TRUE(idle);
    EXPECT_EQ(idle->status, 200) << "a page that reads nothing kept the program from ever being idle";
    EXPECT_LT(Clock::now() - started, 10s);
    expect_page_answered_promptly();
}

TEST_F(MovieLimitsTest, TheBodyLimitHoldsForChunkedBodiesToo) {
    auto accepted = post_chunked("_root.Small", 10);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 202);

    // Just over the limit, and far over it: refused either way (or cut off), and nothing is stored.
    for (std::size_t size : {(1u << 20) + 100, 400u << 20}) {
        auto refused = post_chunked("_root.Big", size);
        if (refused) {
            EXPECT_EQ(refused->status, 413) << size;
        }
    }
    // The accepted variable shows the refused ones were not merely queued behind it.
    ASSERT_EQ(page->Get("/api/idle", auth())->status, 200);
    EXPECT_EQ(player->get_variable("main", "_root.Small"), std::string(10, 'x'));
    EXPECT_TRUE(player->get_variable("main", "_root.Big").empty());
    // The same limit as for a body with a declared length.
    auto declared = page->Post("/api/setvar", auth(), std::string((1 << 20) + 100, ' '), "application/json");
    ASSERT_TRUE(declared);
    EXPECT_EQ(declared->status, 413);
    expect_page_answered_promptly();
}

TEST_F(MovieLimitsTest, MachineFilesAreServedOnlyWhenRegularAndSmall) {
    machine.write("today.txt", "12:00 deleted C:\\temp\\a.tmp\n");
    fs::create_symlink("/dev/zero", machine.path() / "zero.txt");
    fs::create_symlink(machine.path() / "today.txt", machine.path() / "link.txt");
    ASSERT_EQ(::mkfifo((machine.path() / "pipe.txt").c_str(), 0600), 0);
    machine.write("huge.txt", "");
    fs::resize_file(machine.path() / "huge.txt", 1ull << 32);  // sparse: no disk space taken

    auto status_of = [&](const std::string& name) {
        auto answer = page->Get(("/api/file?path=C%3A%5C" + name).c_str(), auth());
        return answer ? answer->status : -1;
    };
    EXPECT_EQ(status_of("today.txt"), 200);
    EXPECT_EQ(status_of("zero.txt"), 403);
    EXPECT_EQ(status_of("link.txt"), 403);  // a link is not followed, wherever it leads
    EXPECT_EQ(status_of("pipe.txt"), 403);
    EXPECT_EQ(status_of("huge.txt"), 413);
    EXPECT_EQ(status_of("missing.txt"), 404);
}

TEST_F(MovieLimitsTest, ThePageWithoutTheTokenSaysWhereToFindTheRightAddress) {
    auto answer = page->Get("/");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 403);
    EXPECT_EQ(answer->get_header_value("Content-Type").rfind("text/html", 0), 0u);
    EXPECT_NE(answer->body.find("Open the address Tavrin printed when it started"), std::string::npos);
    EXPECT_EQ(answer->body.find(player->token()), std::string::npos);
    // Requests of scripts still get a plain refusal.
    EXPECT_EQ(page->Get("/api/vars?movie=main")->get_header_value("Content-Type"), "application/json");
}

// What a browser never sends: a request without a Host at all, in either protocol version.
TEST_F(MovieLimitsTest, ARequestWithoutAHostIsRefusedAndChangesNothing) {
    const std::string body = R"({"movie":"main","name":"_root.Stranger","value":"1"})";
    for (const char* version : {"HTTP/1.1", "HTTP/1.0"}) {
        RawConnection stranger(player->port());
        stranger.send(std::string("POST /api/setvar ") + version + "\r\nX-Tavrin-Token: " + player->token() +
                      "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
                      "\r\n\r\n" + body);
        EXPECT_EQ(stranger.status(3s), 403) << version;
    }
    ASSERT_EQ(page->Get("/api/idle", auth())->status, 200);
    EXPECT_EQ(player->get_variable("main", "_root.Stranger"), "");
}

TEST_F(MovieLimitsTest, ATwoMegabyteBodyIsRefusedWholeAndThePageIsStillServed) {
    const std::string value(2 << 20, 'x');
    auto answer = page->Post("/api/setvar", auth(), R"({"movie":"main","name":"_root.Big","value":")" + value + "\"}",
                             "application/json");
    if (answer) {
        EXPECT_EQ(answer->status, 413);
    }
    ASSERT_EQ(page->Get("/api/idle", auth())->status, 200);
    EXPECT_EQ(player->get_variable("main", "_root.Big"), "");
    expect_page_answered_promptly();
}

// Nesting as deep as the body limit allows must cost neither the stack nor a wrong value: a list
// where text belongs is refused, not taken for an empty value.
TEST_F(MovieLimitsTest, DeeplyNestedJsonIsRefusedWithoutHarm) {
    player->set_variable("main", "_root.Kept", "as it was");
    const std::size_t depth = 400000;
    const std::string nested = std::string(depth, '[') + std::string(depth, ']');
    for (const std::string& body :
         {R"({"movie":"main","name":"_root.Kept","value":)" + nested + "}",
          R"({"movie":"main","command":"IDC_FS_SHREDFILES","args":)" + nested + "}",
          std::string(depth, '{') /* never closed */, nested}) {
        auto answer = page->Post("/api/setvar", auth(), body, "application/json");
        ASSERT_TRUE(answer) << "the server went away on " << body.size() << " bytes of nesting";
        EXPECT_EQ(answer->status, 400);
        auto command = page->Post("/api/fscommand", auth(), body, "application/json");
        ASSERT_TRUE(command);
        EXPECT_EQ(command->status, 400);
    }
    ASSERT_EQ(page->Get("/api/idle", auth())->status, 200);
    EXPECT_EQ(player->get_variable("main", "_root.Kept"), "as it was");
    expect_page_answered_promptly();
}

// Connections that open and then say nothing, as a port scanner or a stuck browser leaves them,
// must not starve the page: its commands are still answered within a second.
TEST_F(MovieLimitsTest, TwoHundredIdleConnectionsDoNotSlowThePagesCommands) {
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 200; ++i) {
        idle.push_back(std::make_unique<RawConnection>(player->port()));
        ASSERT_TRUE(idle.back()->connected());
    }
    for (int i = 0; i < 5; ++i) {
        const auto started = Clock::now();
        const std::string name = "_root.Tick" + std::to_string(i);
        auto sent = page->Post("/api/setvar", auth(),
                               json{{"movie", "main"}, {"name", name}, {"value", "on"}}.dump(), "application/json");
        ASSERT_TRUE(sent);
        EXPECT_EQ(sent->status, 202);
        auto handled = page->Get("/api/idle?timeout_ms=5000", auth());
        ASSERT_TRUE(handled);
        EXPECT_EQ(handled->status, 200);
        EXPECT_LT(Clock::now() - started, 1s) << "command " << i << " waited behind the idle connections";
        EXPECT_EQ(player->get_variable("main", name), "on");
    }
    // Still held open by their clients, which only the head timeout ends.
    std::size_t still_open = 0;
    for (auto& connection : idle) still_open += connection->closed_by_server(1ms) ? 0 : 1;
    EXPECT_GT(still_open, 150u) << "the test did not hold the connections it meant to";
}

// Anybody's file may be in the machine: a cached page or a picture from a mail. Whatever it is,
// it is handed out so that a browser runs nothing of it, and only for the token in a header.
TEST_F(MovieLimitsTest, MachineFilesThatCouldRunScriptComeAsInertText) {
    const std::string script = "<script>fetch('/api/fscommand')</script>";
    machine.write("page.html", "<html>" + script + "</html>");
    machine.write("picture.svg", "<svg xmlns='http://www.w3.org/2000/svg'>" + script + "</svg>");
    for (const char* name : {"page.html", "page.HTM", "picture.svg", "feed.xml", "page.xhtml", "tool.js",
                             "data.json", "style.css", "noextension", "today.log", "photo.png"}) {
        if (!fs::exists(machine.path() / name)) machine.write(name, script);
    }
    auto fetched = [&](const std::string& name) {
        auto answer = page->Get(("/api/file?path=C%3A%5C" + name).c_str(), auth());
        EXPECT_TRUE(answer) << name;
        EXPECT_EQ(answer->status, 200) << name;
        EXPECT_EQ(answer->get_header_value("Content-Security-Policy"), "sandbox") << name;
        EXPECT_EQ(answer->get_header_value("X-Content-Type-Options"), "nosniff") << name;
        return answer;
    };
    for (const char* active : {"page.html", "page.HTM", "picture.svg", "feed.xml", "page.xhtml", "tool.js",
                               "data.json", "style.css", "noextension"}) {
        auto answer = fetched(active);
        EXPECT_EQ(answer->get_header_value("Content-Type"), "text/plain; charset=utf-8") << active;
        EXPECT_EQ(answer->get_header_value("Content-Disposition"), "attachment") << active;
        EXPECT_NE(answer->body.find(script), std::string::npos) << "the file itself, unchanged: " << active;
    }
    auto log = fetched("today.log");
    EXPECT_EQ(log->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_FALSE(log->has_header("Content-Disposition"));
    EXPECT_EQ(fetched("photo.png")->get_header_value("Content-Type"), "image/png");

    // The token never travels in a machine file's address, where the file could read it.
    auto by_query = page->Get(("/api/file?path=C%3A%5Cpage.html&token=" + player->token()).c_str());
    ASSERT_TRUE(by_query);
    EXPECT_EQ(by_query->status, 403);
    EXPECT_EQ(by_query->body.find(script), std::string::npos);
}

}  // namespace
