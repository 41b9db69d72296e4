// The movie player over real HTTP on 127.0.0.1: the test thread plays the page (requests and an
// event stream), a second thread is the program's UI thread running the player's loop.
#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/movie/event_log.h"
#include "platform/movie/movie_player.h"
#include "tests/unit/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::movie::Command;
using platform::movie::MoviePlayer;
using tavrin_test::TempFolder;
using namespace std::chrono_literals;

constexpr auto kWait = 5s;

// A page's event stream, parsed into JSON events as they arrive.
class EventListener {
public:
    EventListener(int port, const std::string& token) : client_("127.0.0.1", port) {
        client_.set_read_timeout(10, 0);
        reader_ = std::thread([this, token] {
            httplib::Headers headers{{"Accept-Encoding", "gzip, deflate, br"}};
            client_.Get("/api/events?token=" + token, headers, [this](const char* data, size_t length) {
                receive(std::string(data, length));
                return !closing_;
            });
        });
        // Connected means the snapshot is here: what happens after it arrives as events.
        wait_for([](const std::vector<json>& events) { return !events.empty(); });
    }
    ~EventListener() { close(); }

    void close() {
        closing_ = true;
        client_.stop();
        if (reader_.joinable()) reader_.join();
    }

    // Waits until `done(events)` holds; the events received so far either way.
    std::vector<json> wait_for(const std::function<bool(const std::vector<json>&)>& done) {
        std::unique_lock held(lock_);
        arrived_.wait_for(held, kWait, [&] { return done(events_); });
        return events_;
    }
    json first_of_type(const std::string& type) {
        auto events = wait_for([&](const std::vector<json>& got) { return find(got, type) != nullptr; });
        const json* found = find(events, type);
        return found ? *found : json();
    }
    std::vector<json> of_type(const std::string& type) {
        std::lock_guard held(lock_);
        std::vector<json> matching;
        for (const json& event : events_) {
            if (event["type"] == type) matching.push_back(event);
        }
        return matching;
    }

private:
    static const json* find(const std::vector<json>& events, const std::string& type) {
        for (const json& event : events) {
            if (event["type"] == type) return &event;
        }
        return nullptr;
    }
    void receive(const std::string& chunk) {
        std::lock_guard held(lock_);
        buffer_ += chunk;
        for (std::size_t end; (end = buffer_.find("\n\n")) != std::string::npos;) {
            std::string message = buffer_.substr(0, end);
            buffer_.erase(0, end + 2);
            if (message.rfind("data: ", 0) == 0) events_.push_back(json::parse(message.substr(6)));
        }
        arrived_.notify_all();
    }

    httplib::Client client_;
    std::thread reader_;
    std::atomic<bool> closing_{false};
    std::mutex lock_;
    std::condition_variable arrived_;
    std::string buffer_;
    std::vector<json> events_;
};

std::unique_ptr<MoviePlayer> start_player(const TempFolder& skin) {
    skin.write("index.html", "<html>host page</html>");
    skin.write("js/player.js", "// player");
    platform::movie::Options options;
    options.skin_folder = skin.path();
    options.resolve_file = [log = skin.path() / "today.txt"](const std::string& windows_path) -> std::optional<fs::path> {
        if (windows_path == "C:\\Logs\\today.txt") return log;
        return std::nullopt;
    };
    options.list_folder = [](const std::string& windows_path)
        -> std::optional<std::vector<platform::movie::FolderEntry>> {
        if (windows_path.empty()) return std::vector<platform::movie::FolderEntry>{{"C:\\", true, 0}};
        if (windows_path == "C:\\") {
            return std::vector<platform::movie::FolderEntry>{{"WINDOWS", true, 0}, {"boot.ini", false, 211}};
        }
        return std::nullopt;
    };
    auto player = std::make_unique<MoviePlayer>(options);
    player->start();
    return player;
}

class MoviePlayerTest : public ::testing::Test {
protected:
    MoviePlayerTest() { page.set_read_timeout(10, 0); }
    ~MoviePlayerTest() override {
        player->quit();
        if (ui.joinable()) ui.join();
    }

    // The program's UI thread: set-up (handlers, timers) runs there before the loop, as in the program.
    void run_ui(std::function<void()> set_up = {}) {
        ui = std::thread([this, set_up = std::move(set_up)] {
            if (set_up) set_up();
            player->run();
        });
    }

    httplib::Headers auth(httplib::Headers extra = {}) const {
        extra.emplace("X-Tavrin-Token", player->token());
        return extra;
    }
    httplib::Result post(const std::string& path, const json& body, httplib::Headers headers) {
        return page.Post(path.c_str(), headers, body.dump(), "application/json");
    }
    httplib::Result post(const std::string& path, const json& body) { return post(path, body, auth()); }
    std::uint64_t command(const std::string& movie, const std::string& name, const std::string& args = "") {
        auto answer = post("/api/fscommand", {{"movie", movie}, {"command", name}, {"args", args}});
        EXPECT_TRUE(answer && answer->status == 202);
        return answer ? json::parse(answer->body)["seq"].get<std::uint64_t>() : 0;
    }
    json idle(std::uint64_t after, const std::string& extra = "") {
        auto answer = page.Get(("/api/idle?after=" + std::to_string(after) + extra).c_str(), auth());
        EXPECT_TRUE(answer);
        if (!answer) return json();
        json body = json::parse(answer->body);
        body["status"] = answer->status;
        return body;
    }
    json vars(const std::string& movie) {
        auto answer = page.Get(("/api/vars?movie=" + movie).c_str(), auth());
        return answer && answer->status == 200 ? json::parse(answer->body) : json();
    }

    TempFolder skin;
    std::unique_ptr<MoviePlayer> player = start_player(skin);
    httplib::Client page{"127.0.0.1", player->port()};
    std::thread ui;
};

TEST_F(MoviePlayerTest, RefusesForeignRequestsAndQueuesNothingFromThem) {
    std::vector<Command> received;
    std::mutex received_lock;
    run_ui([&] {
        player->on_command("", [&](const Command& command) {
            std::lock_guard held(received_lock);
            received.push_back(command);
        });
    });
    const json shred = {{"movie", "main"}, {"command", "IDC_FS_SHREDFILES"}, {"args", ""}};
    const std::string port = std::to_string(player->port());
    const std::vector<httplib::Headers> refused = {
        {},                                                                     // no token
        {{"X-Tavrin-Token", "0123456789abcdef0123456789abcdef"}},               // wrong token
        {{"X-Tavrin-Token", player->token()}, {"Host", "evil.example:80"}},     // DNS rebinding
        {{"X-Tavrin-Token", player->token()}, {"Host", "127.0.0.1.evil.test:" + port}},
        {{"X-Tavrin-Token", player->token()}, {"Host", "127.0.0.1.evil.test"}},
        {{"X-Tavrin-Token", player->token()}, {"Host", "localhost.:" + port}},
        {{"X-Tavrin-Token", player->token()}, {"Host", "127.0.0.1"}},          // no port
        {{"X-Tavrin-Token", player->token()}, {"Origin", "null"}},              // a sandboxed or file: page
        {{"X-Tavrin-Token", player->token()}, {"Origin", "http://evil.example"}},
        {{"X-Tavrin-Token", player->token()}, {"Origin", "http://localhost:1"}},
        {{"X-Tavrin-Token", player->token()}, {"Sec-Fetch-Site", "cross-site"}},
        {{"X-Tavrin-Token", player->token()}, {"Sec-Fetch-Site", "cross-site"}, {"Origin", "null"}},
        {{"X-Tavrin-Token", player->token()}, {"Sec-Fetch-Site", "same-site"}},
    };
    for (const auto& headers : refused) {
        auto answer = post("/api/fscommand", shred, headers);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 403);
        EXPECT_EQ(post("/api/setvar", {{"movie", "main"}, {"name", "_root.x"}, {"value", "1"}}, headers)->status, 403);
    }
    // The token in the query is only for what the browser fetches itself, not for commands.
    EXPECT_EQ(page.Post(("/api/fscommand?token=" + player->token()).c_str(), shred.dump(), "application/json")->status,
              403);
    EXPECT_EQ(page.Get("/api/vars?movie=main")->status, 403);
    EXPECT_EQ(page.Get("/api/idle")->status, 403);
    EXPECT_EQ(page.Get("/api/events")->status, 403);

    // The same request from our own page is obeyed, and is the first thing ever queued; a host
    // name's case does not make it another host.
    auto accepted = post("/api/fscommand", shred,
                         auth({{"Host", "LOCALHOST:" + port}, {"Origin", "http://localhost:" + port},
                               {"Sec-Fetch-Site", "same-origin"}}));
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 202);
    EXPECT_EQ(json::parse(accepted->body)["seq"], 1);
    EXPECT_EQ(idle(1)["status"], 200);
    std::lock_guard held(received_lock);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].command, "IDC_FS_SHREDFILES");
    EXPECT_EQ(player->get_variable("main", "_root.x"), "");
}

TEST_F(MoviePlayerTest, ServesThePageWithTheTokenAndSkinFilesWithoutIt) {
    EXPECT_EQ(page.Get("/")->status, 403);
    auto index = page.Get(("/?token=" + player->token()).c_str());
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_EQ(index->body, "<html>host page</html>");
    EXPECT_EQ(index->get_header_value("Referrer-Policy"), "no-referrer");

    auto script = page.Get("/skin/js/player.js");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->status, 200);
    EXPECT_EQ(script->get_header_value("Content-Type").rfind("text/javascript", 0), 0u);
    EXPECT_EQ(page.Get("/skin/js/player.js", {{"Host", "evil.example"}})->status, 403);

    // Nothing outside the skin folder, neither by ".." nor through a link.
    TempFolder outside;
    outside.write("secret.txt", "secret");
    fs::create_symlink(outside.path() / "secret.txt", skin.path() / "link.txt");
    EXPECT_EQ(page.Get("/skin/link.txt")->status, 404);
    EXPECT_EQ(page.Get("/skin/..%2F..%2Fetc%2Fpasswd")->status, 404);
    EXPECT_EQ(page.Get("/skin/missing.css")->status, 404);
}

TEST_F(MoviePlayerTest, StreamStartsWithSnapshotThenSendsEveryChangeInCallOrder) {
    player->set_variable("main", "_root.RamValue", "41");
    player->show_window("main");
    player->load_movie("main", "main.html");
    player->goto_frame("msgbox", "sign", 3);
    EventListener listener(player->port(), player->token());
    json snapshot = listener.first_of_type("snapshot");
    EXPECT_EQ(snapshot["movies"]["main"]["_root.RamValue"], "41");
    EXPECT_EQ(snapshot["windows"]["main"]["visible"], true);
    EXPECT_EQ(snapshot["loaded"]["main"], "main.html");
    EXPECT_EQ(snapshot["frames"]["msgbox"]["sign"], 3);
    EXPECT_TRUE(snapshot["modal"].is_null());

    for (int i = 0; i < 200; ++i) player->set_variable("log", "_root.LogFile", "line " + std::to_string(i));
    player->set_busy(true);
    player->open_url("https://example.org/help");
    listener.wait_for([](const std::vector<json>& events) { return events.back()["type"] == "open"; });
    auto sets = listener.of_type("set");
    ASSERT_EQ(sets.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(sets[i]["value"], "line " + std::to_string(i));
    EXPECT_EQ(listener.of_type("cursor").at(0)["busy"], true);
    EXPECT_EQ(player->get_variable("log", "_root.LogFile"), "line 199");
    EXPECT_EQ(vars("log")["_root.LogFile"], "line 199");

    // Text that is not UTF-8 (a file name from a machine) still reaches the page.
    player->set_variable("main", "_root.PathValue", std::string("C:\\caf\xe9"));
    auto events = listener.wait_for([](const std::vector<json>& got) { return got.back()["type"] == "set"; });
    EXPECT_EQ(events.back()["value"], "C:\\caf\xef\xbf\xbd");
}

TEST_F(MoviePlayerTest, PageVariableChangesReachTheProgramAndOtherPagesButAreNotEchoed) {
    std::vector<std::string> heard;
    run_ui([&] {
        player->on_variable_changed([&](const platform::movie::VariableChange& change) {
            heard.push_back(change.name + "=" + change.value + " stored " + player->get_variable(change.movie, change.name));
        });
    });
    EventListener typing(player->port(), player->token());
    EventListener other(player->port(), player->token());
    const auto client = typing.first_of_type("snapshot")["client"];
    auto answer = post("/api/setvar", {{"movie", "main"}, {"name", "_root.IE_TU"}, {"value", true}, {"client", client}});
    ASSERT_TRUE(answer);
    const auto seq = json::parse(answer->body)["seq"].get<std::uint64_t>();
    EXPECT_EQ(idle(seq)["status"], 200);

    EXPECT_EQ(other.first_of_type("set")["value"], "true");
    EXPECT_TRUE(typing.of_type("set").empty());
    EXPECT_EQ(player->get_variable("main", "_root.IE_TU"), "true");
    ASSERT_EQ(heard.size(), 1u);  // idle: the handler has run
    EXPECT_EQ(heard[0], "_root.IE_TU=true stored true");

    EXPECT_EQ(post("/api/setvar", {{"movie", "main"}, {"value", "1"}})->status, 400);
    EXPECT_EQ(post("/api/fscommand", {{"command", "IDC_FS_CLOSE"}})->status, 400);
    EXPECT_EQ(page.Post("/api/fscommand", auth(), "not json", "application/json")->status, 400);
}

TEST_F(MoviePlayerTest, IdleWaitsForTheHandlerAndForThePagesToHaveItsChanges) {
    run_ui([&] {
        player->on_command("main", [&](const Command& command) {
            std::this_thread::sleep_for(300ms);
            player->set_variable("main", "_root.Done", command.args);
        });
    });
    EventListener listener(player->port(), player->token());
    command("main", "IDC_FS_ONE", "a");
    const auto last = command("main", "IDC_FS_TWO", "b");
    json answer = idle(last);
    EXPECT_EQ(answer["status"], 200);
    EXPECT_EQ(answer["seq"], last);
    EXPECT_TRUE(answer["modal"].is_null());
    EXPECT_EQ(vars("main")["_root.Done"], "b");
    // Idle promises the page has been sent the change already, not merely that it was made.
    EXPECT_EQ(listener.of_type("set").size(), 2u);

    command("main", "IDC_FS_SLOW", "c");
    json busy = idle(last + 1, "&timeout_ms=50");
    EXPECT_EQ(busy["status"], 504);
    EXPECT_EQ(idle(last + 1)["status"], 200);
    EXPECT_EQ(player->get_variable("main", "_root.Done"), "c");
}

// The program's message box: shown modal, answered by the msgbox movie's command (title + label),
// while the memory gauge keeps ticking and the main movie's commands still reach their handler.
TEST_F(MoviePlayerTest, ModalMessageBoxRunsNestedLoopWithTimersTicking) {
    std::atomic<int> ticks{0};
    std::atomic<int> ticks_while_modal{0};
    std::atomic<bool> modal_returned{false};
    std::string answer;
    std::vector<std::string> main_commands_during_box;
    run_ui([&] {
        player->add_timer(20ms, [&] {
            ++ticks;
            if (player->modal() == "msgbox") ++ticks_while_modal;
        });
        player->on_command("msgbox", [&](const Command& command) { answer = command.command + "|" + command.args; });
        player->on_command("main", [&](const Command& command) {
            if (command.command != "IDC_FS_CLOSE") {
                main_commands_during_box.push_back(command.command + " modal=" + player->modal());
                return;
            }
            player->set_variable("msgbox", "_root.title1", "Exit");
            player->goto_frame("msgbox", "NumberOfButtons", 1);
            modal_returned = player->show_modal("msgbox", [&] { return !answer.empty(); });
            player->set_variable("main", "_root.Answer", answer);
        });
    });
    EventListener listener(player->port(), player->token());
    const auto asked = command("main", "IDC_FS_CLOSE");
    json waiting = idle(asked);
    EXPECT_EQ(waiting["status"], 200);
    EXPECT_EQ(waiting["modal"], "msgbox");
    json shown = listener.first_of_type("window");
    EXPECT_EQ(shown["window"], "msgbox");
    EXPECT_EQ(shown["modal"], true);

    const int before = ticks_while_modal;
    for (int i = 0; i < 500 && ticks_while_modal - before <= 3; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_GT(ticks_while_modal - before, 3) << "the timer stopped while the box was up";
    command("main", "IDC_FS_LANGUAGE", "Deutsch");

    const auto pressed = command("msgbox", "Exit", "Yes");
    json after = idle(pressed);
    EXPECT_TRUE(after["modal"].is_null());
    EXPECT_TRUE(modal_returned);
    EXPECT_EQ(player->get_variable("main", "_root.Answer"), "Exit|Yes");
    EXPECT_FALSE(player->window_visible("msgbox"));
    ASSERT_EQ(main_commands_during_box.size(), 1u);
    EXPECT_EQ(main_commands_during_box[0], "IDC_FS_LANGUAGE modal=msgbox");
    auto windows = listener.wait_for([](const std::vector<json>& events) {
        return std::count_if(events.begin(), events.end(), [](const json& e) { return e["type"] == "window"; }) == 2;
    });
    EXPECT_EQ(listener.of_type("window").back()["visible"], false);
}

TEST_F(MoviePlayerTest, TimerTickIsNotDeliveredAgainWhileItsPreviousTickIsStillRunning) {
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> ticks{0};
    std::atomic<bool> release{false};
    run_ui([&] {
        player->add_timer(5ms, [&] {
            if (++running > 1) ++overlaps;
            if (++ticks == 1) player->run_until([&] { return release.load(); });
            --running;
        });
        // A second timer proves the nested loop is alive while the first tick waits.
        player->add_timer(5ms, [&] {
            if (running == 1) release = true;
        });
    });
    for (int i = 0; i < 200 && ticks < 5; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_GE(ticks, 5);
    EXPECT_EQ(overlaps, 0);
}

// A long operation keeps the timers going, but a command queued meanwhile runs after it, never
// inside it: nested, twelve memory-freeing runs and the exit behind them each waited for the next.
TEST_F(MoviePlayerTest, ProcessPendingTicksTimersAndLeavesQueuedCommandsForAfterTheWork) {
    std::atomic<bool> working{false}, second_queued{false};
    std::atomic<int> ticks_during_work{0};
    std::vector<std::string> order;
    run_ui([&] {
        player->add_timer(5ms, [&] {
            if (working) ++ticks_during_work;
        });
        player->on_command("main", [&](const Command& command) {
            order.push_back(command.command + " begins");
            working = command.command == "LONG";
            // Serves as it goes until twenty rounds after the next command was queued.
            for (int rounds_after = 0; working && rounds_after < 20; rounds_after += second_queued ? 1 : 0) {
                player->process_pending();
                std::this_thread::sleep_for(5ms);
            }
            working = false;
            order.push_back(command.command + " ends");
        });
    });
    command("main", "LONG");
    for (int i = 0; i < 500 && !working; ++i) std::this_thread::sleep_for(2ms);
    const auto queued = command("main", "NEXT");
    second_queued = true;
    EXPECT_EQ(idle(queued)["status"], 200);
    EXPECT_EQ(order, (std::vector<std::string>{"LONG begins", "LONG ends", "NEXT begins", "NEXT ends"}));
    EXPECT_GT(ticks_during_work, 0);
}

TEST_F(MoviePlayerTest, DialogsRoundTripAndCancel) {
    std::vector<std::optional<std::string>> results;
    run_ui([&] {
        player->on_command("main", [&](const Command& command) {
            if (command.command == "IDC_FS_ADDFILETOSHRED") results.push_back(player->ask_open_file("All Files|*.*"));
            if (command.command == "IDC_FS_ADDFOLDERSTOSHRED") results.push_back(player->ask_folder("Pick a folder"));
            if (command.command == "NAME") results.push_back(player->ask_text("Profile name", "Default"));
        });
    });
    EventListener listener(player->port(), player->token());

    const auto opened = command("main", "IDC_FS_ADDFILETOSHRED");
    json waiting = idle(opened);
    EXPECT_EQ(waiting["modal"], "dialog");
    EXPECT_EQ(waiting["dialog"]["kind"], "open");
    EXPECT_EQ(waiting["dialog"]["filter"], "All Files|*.*");
    json dialog = listener.first_of_type("dialog");
    EXPECT_EQ(dialog["id"], waiting["dialog"]["id"]);
    const auto id = dialog["id"].get<std::uint64_t>();
    // An answer to some other dialog does not close this one.
    idle(json::parse(post("/api/dialog", {{"id", id + 7}, {"result", "C:\\wrong.txt"}})->body)["seq"]);
    EXPECT_EQ(player->modal(), "dialog");
    const auto answered = json::parse(post("/api/dialog", {{"id", id}, {"result", "C:\\secret.doc"}})->body)["seq"];
    EXPECT_TRUE(idle(answered)["modal"].is_null());

    idle(command("main", "IDC_FS_ADDFOLDERSTOSHRED"));
    auto folder = listener.wait_for([](const std::vector<json>& events) { return events.back().value("kind", "") == "folder"; });
    EXPECT_EQ(folder.back()["prompt"], "Pick a folder");
    idle(json::parse(post("/api/dialog", {{"id", folder.back()["id"]}, {"result", nullptr}})->body)["seq"]);

    idle(command("main", "NAME"));
    json input = idle(0)["dialog"];
    EXPECT_EQ(input["kind"], "input");
    EXPECT_EQ(input["default"], "Default");
    idle(json::parse(post("/api/dialog", {{"id", input["id"]}, {"result", "Evening"}})->body)["seq"]);

    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], "C:\\secret.doc");
    EXPECT_EQ(results[1], std::nullopt);
    EXPECT_EQ(results[2], "Evening");
    EXPECT_EQ(listener.wait_for([](const std::vector<json>& events) {
                          return std::count_if(events.begin(), events.end(),
                                               [](const json& e) { return e.value("closed", false); }) == 3;
                      }).size() > 0,
              true);
    EXPECT_EQ(post("/api/dialog", {{"id", id}})->status, 400);
}

TEST_F(MoviePlayerTest, PageOpenedDuringAModalQuestionIsShownTheQuestionAgain) {
    std::string answer;
    run_ui([&] {
        player->on_command("main", [&](const Command&) {
            player->set_variable("msgbox", "_root.message", "Save the current profile?");
            player->set_variable("msgbox", "_root.Left", "Yes");
            player->goto_frame("msgbox", "sign", 3);
            player->show_modal("msgbox", [&] { return !answer.empty(); });
            player->set_variable("main", "_root.Name", player->ask_text("Profile name").value_or("(none)"));
        });
        player->on_command("msgbox", [&](const Command& command) { answer = command.args; });
    });
    {
        EventListener closed_tab(player->port(), player->token());
        idle(command("main", "IDC_FS_CLOSE"));
    }
    EventListener reopened(player->port(), player->token());
    json snapshot = reopened.first_of_type("snapshot");
    EXPECT_EQ(snapshot["modal"], "msgbox");
    EXPECT_EQ(snapshot["windows"]["msgbox"]["visible"], true);
    EXPECT_EQ(snapshot["windows"]["msgbox"]["modal"], true);
    EXPECT_EQ(snapshot["movies"]["msgbox"]["_root.message"], "Save the current profile?");
    EXPECT_EQ(snapshot["frames"]["msgbox"]["sign"], 3);
    reopened.close();

    idle(command("msgbox", "Exit", "Yes"));
    EventListener again(player->port(), player->token());
    json with_dialog = again.first_of_type("snapshot");
    EXPECT_EQ(with_dialog["modal"], "dialog");
    EXPECT_EQ(with_dialog["dialog"]["kind"], "input");
    EXPECT_EQ(with_dialog["dialog"]["prompt"], "Profile name");
    EXPECT_EQ(with_dialog["windows"]["msgbox"]["visible"], false);
    idle(json::parse(post("/api/dialog", {{"id", with_dialog["dialog"]["id"]}, {"result", "Night"}})->body)["seq"]);
    EXPECT_EQ(player->get_variable("main", "_root.Name"), "Night");
}

TEST_F(MoviePlayerTest, ExitRequestEndsNestedLoopsDialogsAndRun) {
    std::atomic<bool> modal_result{true};
    std::optional<std::string> dialog_result = "untouched";
    std::atomic<bool> run_returned{false};
    player->on_command("main", [&](const Command&) {
        modal_result = player->show_modal("msgbox", [&] {
            dialog_result = player->ask_folder();
            return true;
        });
    });
    ui = std::thread([&] {
        player->run();
        run_returned = true;
    });
    EventListener listener(player->port(), player->token());
    EXPECT_EQ(idle(command("main", "IDC_FS_CLOSE"))["modal"], "dialog");
    player->request_exit();  // what the program's SIGTERM handler calls
    ui.join();
    EXPECT_TRUE(run_returned);
    EXPECT_TRUE(player->exit_requested());
    EXPECT_EQ(dialog_result, std::nullopt);
    EXPECT_FALSE(player->window_visible("msgbox"));

    player->stop();
    auto events = listener.wait_for([](const std::vector<json>& got) { return got.back()["type"] == "exit"; });
    EXPECT_EQ(events.back()["type"], "exit");
}

TEST_F(MoviePlayerTest, MachineFilesAndFolderListingsComeFromTheProgramsCallbacks) {
    skin.write("today.txt", "12:00 deleted C:\\temp\\a.tmp\n");
    const std::string address = "/api/file?path=" + httplib::detail::encode_query_param("C:\\Logs\\today.txt");
    auto log = page.Get(address.c_str(), auth());
    ASSERT_TRUE(log);
    EXPECT_EQ(log->status, 200);
    EXPECT_EQ(log->body, "12:00 deleted C:\\temp\\a.tmp\n");
    EXPECT_EQ(page.Get("/api/file?path=C%3A%5Cother.txt", auth())->status, 404);
    EXPECT_EQ(page.Get("/api/file?path=C%3A%5CLogs%5Ctoday.txt")->status, 403);
    // A file opened as a page of its own must not find the token in its address: the query grants nothing.
    EXPECT_EQ(page.Get((address + "&token=" + player->token()).c_str())->status, 403);

    auto drives = page.Get("/api/dir", auth());
    ASSERT_TRUE(drives);
    EXPECT_EQ(json::parse(drives->body)["entries"][0]["name"], "C:\\");
    auto root = json::parse(page.Get("/api/dir?path=C%3A%5C", auth())->body);
    EXPECT_EQ(root["path"], "C:\\");
    EXPECT_EQ(root["entries"][1], (json{{"name", "boot.ini"}, {"folder", false}, {"size", 211}}));
    EXPECT_EQ(page.Get("/api/dir?path=Q%3A%5C", auth())->status, 404);
}

// A page that stops reading for long must get a fresh snapshot, never a silent gap in the events.
TEST(MovieEventLog, StreamThatFellBehindWhatIsKeptIsToldToStartAfresh) {
    platform::movie::EventLog log;
    const auto reading = log.open_stream();
    const auto stalled = log.open_stream();
    log.snapshot_sent(reading);
    log.snapshot_sent(stalled);
    EXPECT_TRUE(log.every_stream_sent());
    for (int i = 0; i < 70000; ++i) {
        log.append("{\"n\":" + std::to_string(i) + "}");
        if (i % 1000 == 500) log.mark_sent(reading, log.pending(reading).next);
    }
    auto caught_up = log.pending(reading);
    EXPECT_FALSE(caught_up.lost);
    EXPECT_EQ(caught_up.text.find("data: {\"n\":69501}\n\n"), 0u);
    EXPECT_EQ(caught_up.text.rfind("data: {\"n\":69999}\n\n"), caught_up.text.size() - 19);
    EXPECT_TRUE(log.pending(stalled).lost);
    EXPECT_FALSE(log.every_stream_sent());
    log.mark_sent(reading, caught_up.next);
    log.restart(stalled);
    EXPECT_FALSE(log.every_stream_sent());  // its new snapshot is not written yet
    log.snapshot_sent(stalled);
    EXPECT_TRUE(log.every_stream_sent());
}

TEST(MoviePlayerPort, SecondPlayerOnTheSamePortIsRefusedWithAReason) {
    MoviePlayer first(platform::movie::Options{});
    first.start();
    platform::movie::Options same;
    same.port = first.port();
    MoviePlayer second(same);
    EXPECT_THROW(second.start(), std::runtime_error);
    MoviePlayer third(platform::movie::Options{});
    third.start();
    EXPECT_NE(third.token(), first.token());
    EXPECT_EQ(third.url(), "http://127.0.0.1:" + std::to_string(third.port()) + "/?token=" + third.token());
}

}  // namespace
