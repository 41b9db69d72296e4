#pragma once
// The inside of MoviePlayer, shared by the UI-thread side (movie_player.cpp) and the HTTP side
// (player_http.cpp). One lock guards all of it: the screen state and the event log must change
// together, and /api/idle must see the queue and the UI thread's waiting in one consistent moment.
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>

#include <nlohmann/json.hpp>

#include "platform/movie/event_log.h"
#include "platform/movie/exit_pipe.h"
#include "platform/movie/movie_player.h"
#include "platform/movie/report_queue.h"
#include "platform/movie/screen_state.h"
#include "platform/movie/timer_set.h"

namespace httplib {
class DataSink;
}

namespace platform::movie {

class GuardedServer;
class RequestGuard;

struct MoviePlayer::Impl {
    explicit Impl(Options options);
    ~Impl();

    // --- UI thread side (movie_player.cpp) ---
    using Step = std::variant<QueuedReport, TimerSet::DueTick>;
    std::optional<Step> next_step(bool may_wait);
    // A timer tick that is due now, never a queued request.
    std::optional<TimerSet::DueTick> due_tick();
    void perform(Step& step);
    void handle(Command& command);
    void handle(PageVariableChange& change);
    void handle(const DialogAnswer& answer);
    bool run_nested(const std::function<bool()>& done);
    std::optional<std::string> ask(OpenDialog dialog);
    void end_loops();

    // Both need `lock` held.
    void emit(const nlohmann::json& event, std::optional<StreamId> not_for = std::nullopt);
    bool ending_locked() const { return ending || exit_pipe.raised(); }

    // --- HTTP side (player_http.cpp) ---
    void listen();  // binds, then serves on `listener`
    void install_routes();
    void stream_to(httplib::DataSink& sink);
    void shut_down_server();
    std::string snapshot_text(StreamId stream) const;  // needs `lock` held
    bool idle_locked(std::uint64_t after) const;

    Options options;
    std::string token;
    int port = 0;

    mutable std::mutex lock;
    std::condition_variable ui_wake;      // the UI thread: a report, a timer, the end
    std::condition_variable stream_wake;  // event streams: new events, the end
    std::condition_variable idle_wake;    // /api/idle: the UI thread waits, a stream caught up

    ScreenState screen;
    EventLog events;
    ReportQueue reports;
    TimerSet timers;
    std::map<std::string, std::function<void(const Command&)>> command_handlers;
    std::function<void(const VariableChange&)> variable_handler;
    std::map<std::uint64_t, std::optional<std::string>> dialog_answers;
    std::uint64_t last_dialog_id = 0;
    bool ui_waiting = false;
    bool ending = false;
    bool streams_closing = false;
    bool stopped = false;

    std::unique_ptr<GuardedServer> server;
    std::unique_ptr<RequestGuard> guard;
    std::thread listener;
    std::atomic<bool> listener_done{false};
    ExitPipe exit_pipe;
};

}  // namespace platform::movie
