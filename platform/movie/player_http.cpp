// The HTTP face of the player. These handlers run on the server's pool threads: they only check,
// queue and stream; everything the program does happens on its UI thread.
#include <httplib.h>
#include <sys/socket.h>

#include <csignal>
#include <stdexcept>

#include "platform/json/json_text.h"
#include "platform/movie/guarded_server.h"
#include "platform/movie/player_core.h"
#include "platform/movie/request_guard.h"
#include "platform/movie/skin_files.h"
#include "platform/sys/run_cancel.h"

namespace platform::movie {

using nlohmann::json;

namespace {

// Connections get threads as they come; the bound only stops a flood from exhausting the process.
constexpr std::size_t kMostConnections = 256;
constexpr std::size_t kKeepAliveRequests = 100000;
constexpr std::size_t kLargestBody = 1 << 20;
// A chunked body carries a size line per chunk besides its bytes.
constexpr std::size_t kChunkFraming = 64 << 10;
// A gone page is only noticed when writing to it fails, so the stream writes at least this often.
constexpr auto kHeartbeat = std::chrono::seconds(1);
// A page that has not taken the last few heartbeats is no longer reading: its stream ends.
constexpr int kMissedHeartbeats = 3;
constexpr auto kIdleTimeoutDefault = std::chrono::milliseconds(30000);
// On stop, how long the pages get to receive the exit event before the connections are cut.
constexpr auto kExitGrace = std::chrono::milliseconds(500);

ConnectionLimits connection_limits() {
    ConnectionLimits limits;
    limits.write_time = kHeartbeat * kMissedHeartbeats;
    limits.body_budget = kLargestBody + kChunkFraming;
    return limits;
}

void answer_json(httplib::Response& response, int status, const json& body) {
    response.status = status;
    response.set_content(platform::json::to_text(body), "application/json");
}

void answer_error(httplib::Response& response, int status, const std::string& message) {
    answer_json(response, status, {{"error", message}});
}

void answer_too_large(httplib::Response& response) {
    answer_error(response, 413, "the request is larger than " + std::to_string(kLargestBody) + " bytes");
}

// What someone sees who opens the program's address without the token (a bookmark, a typed
// address): where to find the right one, instead of an error in JSON.
constexpr const char* kTokenMissingPage = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Tavrin</title>
<style>body{font:16px/1.5 sans-serif;max-width:36em;margin:4em auto;padding:0 1em;color:#222}</style>
</head><body><h1>Tavrin</h1>
<p>This address only opens Tavrin's screens with the key Tavrin made when it started.</p>
<p>Open the address Tavrin printed when it started, the line
<code>Tavrin is running at http://127.0.0.1:&hellip;/?token=&hellip;</code>,
or start Tavrin again if it is no longer running.</p>
</body></html>
)";

void refuse(const httplib::Request& request, httplib::Response& response) {
    // A client that got it wrong once gets no further tries on the same connection.
    if (Connection* connection = Connection::on_this_thread()) connection->close_after_answer();
    if (request.path == "/") {
        response.status = 403;
        response.set_content(kTokenMissingPage, "text/html; charset=utf-8");
        return;
    }
    answer_error(response, 403, "forbidden");
}

TokenPlace token_place_for(const std::string& path) {
    if (path.rfind("/skin/", 0) == 0) return TokenPlace::none;
    // Never /api/file: a machine file shown as a page would find the token in its own address.
    if (path == "/" || path == "/api/events") return TokenPlace::header_or_query;
    return TokenPlace::header;
}

// Page input arrives as JSON; a number or a boolean where text is expected is taken as its text,
// since every value that crosses into a movie is text.
std::optional<std::string> text_field(const json& body, const char* name) {
    auto found = body.find(name);
    if (found == body.end() || found->is_null()) return std::nullopt;
    if (found->is_string()) return found->get<std::string>();
    if (found->is_number() || found->is_boolean()) return found->dump();
    return std::nullopt;
}

// An optional field (absent or null is "") that holds something other than text: a list or an
// object would otherwise pass for an empty value.
bool holds_no_text(const json& body, const char* name) {
    auto found = body.find(name);
    return found != body.end() && !found->is_null() && !text_field(body, name);
}

std::optional<std::uint64_t> number_field(const json& body, const char* name) {
    auto found = body.find(name);
    if (found == body.end()) return std::nullopt;
    if (found->is_number_unsigned()) return found->get<std::uint64_t>();
    if (found->is_number_integer() && found->get<std::int64_t>() >= 0) return found->get<std::uint64_t>();
    if (found->is_string()) {
        const std::string& text = found->get_ref<const std::string&>();
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19) {
            return std::nullopt;
        }
        return std::stoull(text);
    }
    return std::nullopt;
}

// The request's JSON object; answers the request and gives nullopt when there is none. The body
// limit holds for every transfer encoding: the library only checks a declared length.
std::optional<json> read_object(const httplib::Request& request, httplib::Response& response) {
    if (request.body.size() > kLargestBody) {
        answer_too_large(response);
        return std::nullopt;
    }
    json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        answer_error(response, 400, "expected a JSON object");
        return std::nullopt;
    }
    return body;
}

// The files handed out are small: pages, scripts, the day's log, the help.
constexpr std::size_t kLargestFile = 32 << 20;

// Gives the file's bytes, or answers why not; `name` is how the requester named it.
std::optional<std::string> read_for(const std::filesystem::path& file, const std::string& name,
                                    httplib::Response& response) {
    using Refusal = FileRead::Refusal;
    FileRead read = read_regular_file(file, kLargestFile);
    switch (read.refusal) {
    case Refusal::none:
        return std::move(read.content);
    case Refusal::unreadable:
        answer_error(response, 404, "cannot open " + name);
        break;
    case Refusal::not_a_regular_file:
        answer_error(response, 403, name + " is not a regular file");
        break;
    case Refusal::too_large:
        answer_error(response, 413, name + " is larger than " + std::to_string(kLargestFile >> 20) + " MB");
        break;
    }
    return std::nullopt;
}

void serve_skin_file(const std::filesystem::path& file, const std::string& name, httplib::Response& response) {
    if (auto content = read_for(file, name, response)) response.set_content(std::move(*content), content_type_of(file));
}

// A machine file even opened as a page of its own gets no script and an origin of nobody's, so
// it can neither read our address nor send a request we would take for our page's.
void serve_machine_file(const std::filesystem::path& file, const std::string& name, httplib::Response& response) {
    auto content = read_for(file, name, response);
    if (!content) return;
    const MachineFileType type = machine_file_type(file);
    response.set_header("Content-Security-Policy", "sandbox");
    if (type.attachment) response.set_header("Content-Disposition", "attachment");
    response.set_content(std::move(*content), type.content_type);
}

// A movie or variable name must be plain, non-empty text.
bool valid_name(const std::optional<std::string>& name) {
    return name && !name->empty();
}

}  // namespace

// Here, where the server's type is complete.
MoviePlayer::Impl::Impl(Options player_options)
    : options(std::move(player_options)), exit_pipe([this] { end_loops(); }) {}

MoviePlayer::Impl::~Impl() = default;

void MoviePlayer::Impl::listen() {
    if (server) throw std::logic_error("the movie player is already started");
    // A page that goes away mid-write must cost us a failed write, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    server = std::make_unique<GuardedServer>(connection_limits(), kKeepAliveRequests);
    server->new_task_queue = [] { return new GrowingThreadPool(kMostConnections); };
    server->set_tcp_nodelay(true);
    // The library's default also sets SO_REUSEPORT, which would let a second program bind our port
    // and take over part of the connections; only the restart-friendly SO_REUSEADDR is wanted.
    server->set_socket_options([](socket_t socket) {
        int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    server->set_payload_max_length(kLargestBody);
    server->set_default_headers({{"Cache-Control", "no-store"},
                                 {"X-Content-Type-Options", "nosniff"},
                                 {"X-Frame-Options", "DENY"},
                                 // The page's address holds the token; a link it opens must not see it.
                                 {"Referrer-Policy", "no-referrer"}});
    const int bound = options.port == 0 ? server->bind_to_any_port("127.0.0.1")
                                        : (server->bind_to_port("127.0.0.1", options.port) ? options.port : -1);
    if (bound <= 0) {
        server.reset();
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options.port) +
                                 " (is the port in use?)");
    }
    server->widen_backlog();
    port = bound;
    token = make_token();
    guard = std::make_unique<RequestGuard>(port, token);
    install_routes();
    listener = std::thread([this] {
        server->listen_after_bind();
        listener_done = true;
    });
    // The library's stop() does nothing until its loop runs, so a stop() right after start() would
    // leave the server running for good; start() returns only once stopping works.
    while (!server->is_running() && !listener_done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void MoviePlayer::Impl::shut_down_server() {
    if (!server) return;
    {
        std::unique_lock held(lock);
        idle_wake.wait_for(held, kExitGrace, [this] { return events.every_stream_sent(); });
        streams_closing = true;
        stream_wake.notify_all();
        idle_wake.notify_all();
    }
    server->stop();
    if (listener.joinable()) listener.join();
}

std::string MoviePlayer::Impl::snapshot_text(StreamId stream) const {
    json snapshot = screen.snapshot();
    snapshot["client"] = stream;
    snapshot["seq"] = reports.last_seq();
    return "data: " + platform::json::to_text(snapshot) + "\n\n";
}

// Handled means: nothing up to `after` still waits in the queue, the UI thread sleeps waiting for
// input (so nothing picked up is still running, unless it sits in a modal loop, which waits too),
// and every page has been sent what that work changed.
bool MoviePlayer::Impl::idle_locked(std::uint64_t after) const {
    if (ending_locked()) return true;
    return ui_waiting && !reports.holds_up_to(after) && events.every_stream_sent();
}

void MoviePlayer::Impl::install_routes() {
    server->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (guard->allows(request, token_place_for(request.path))) return httplib::Server::HandlerResponse::Unhandled;
        refuse(request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    // A body that outgrew its budget while it was read ends the request before any handler runs.
    server->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
        const Connection* connection = Connection::on_this_thread();
        if (!connection || !connection->body_over_budget()) return httplib::Server::HandlerResponse::Unhandled;
        answer_too_large(response);
        return httplib::Server::HandlerResponse::Handled;
    }));

    auto serve_skin = [this](const std::string& relative, httplib::Response& response) {
        auto file = file_inside(options.skin_folder, relative);
        if (!file) return answer_error(response, 404, "no such skin file: " + relative);
        serve_skin_file(*file, relative, response);
    };
    server->Get("/", [serve_skin](const httplib::Request&, httplib::Response& response) {
        serve_skin("index.html", response);
    });
    server->Get(R"(/skin/(.+))", [serve_skin](const httplib::Request& request, httplib::Response& response) {
        serve_skin(request.matches[1], response);
    });

    server->Post("/api/fscommand", [this](const httplib::Request& request, httplib::Response& response) {
        auto body = read_object(request, response);
        if (!body) return;
        auto movie = text_field(*body, "movie");
        auto command = text_field(*body, "command");
        if (!valid_name(movie) || !command) return answer_error(response, 400, "movie and command are required");
        if (holds_no_text(*body, "args")) return answer_error(response, 400, "args must be text");
        std::lock_guard held(lock);
        const auto seq = reports.push(Command{*movie, *command, text_field(*body, "args").value_or("")});
        ui_wake.notify_all();
        answer_json(response, 202, {{"seq", seq}});
    });

    server->Post("/api/setvar", [this](const httplib::Request& request, httplib::Response& response) {
        auto body = read_object(request, response);
        if (!body) return;
        auto movie = text_field(*body, "movie");
        auto name = text_field(*body, "name");
        if (!valid_name(movie) || !valid_name(name)) return answer_error(response, 400, "movie and name are required");
        if (holds_no_text(*body, "value")) return answer_error(response, 400, "value must be text");
        VariableChange change{*movie, *name, text_field(*body, "value").value_or("")};
        std::lock_guard held(lock);
        const auto seq = reports.push(PageVariableChange{std::move(change), number_field(*body, "client")});
        ui_wake.notify_all();
        answer_json(response, 202, {{"seq", seq}});
    });

    // Not queued: the run it stops holds the UI thread that handles the queue.
    server->Post("/api/cancel", [](const httplib::Request&, httplib::Response& response) {
        request_run_cancel();
        answer_json(response, 202, json::object());
    });

    server->Post("/api/dialog", [this](const httplib::Request& request, httplib::Response& response) {
        auto body = read_object(request, response);
        if (!body) return;
        auto id = number_field(*body, "id");
        if (!id || !body->contains("result")) return answer_error(response, 400, "id and result are required");
        auto result = text_field(*body, "result");
        if (!result && !(*body)["result"].is_null()) return answer_error(response, 400, "result must be text or null");
        std::lock_guard held(lock);
        const auto seq = reports.push(DialogAnswer{*id, result});
        ui_wake.notify_all();
        answer_json(response, 202, {{"seq", seq}});
    });

    server->Get("/api/vars", [this](const httplib::Request& request, httplib::Response& response) {
        if (!request.has_param("movie")) return answer_error(response, 400, "movie is required");
        std::lock_guard held(lock);
        answer_json(response, 200, json(screen.variables(request.get_param_value("movie"))));
    });

    server->Get("/api/idle", [this](const httplib::Request& request, httplib::Response& response) {
        auto timeout = kIdleTimeoutDefault;
        if (request.has_param("timeout_ms")) {
            auto wanted = number_field(json{{"t", request.get_param_value("timeout_ms")}}, "t");
            if (!wanted) return answer_error(response, 400, "timeout_ms must be a number");
            timeout = std::chrono::milliseconds(std::min<std::uint64_t>(*wanted, 600000));
        }
        std::optional<std::uint64_t> after;
        if (request.has_param("after")) {
            after = number_field(json{{"n", request.get_param_value("after")}}, "n");
            if (!after) return answer_error(response, 400, "after must be a number");
        }
        std::unique_lock held(lock);
        const std::uint64_t wanted = after.value_or(reports.last_seq());
        const bool idle =
            idle_wake.wait_for(held, timeout, [&] { return streams_closing || idle_locked(wanted); });
        const std::string front = screen.modal();
        answer_json(response, idle ? 200 : 504,
                    {{"seq", reports.last_seq()},
                     {"modal", front.empty() ? json(nullptr) : json(front)},
                     {"dialog", screen.dialog()}});
    });

    server->Get("/api/file", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string path = request.get_param_value("path");
        auto file = options.resolve_file && !path.empty() ? options.resolve_file(path) : std::nullopt;
        if (!file) return answer_error(response, 404, "cannot open " + path);
        serve_machine_file(*file, path, response);
    });

    server->Get("/api/dir", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string path = request.get_param_value("path");
        auto entries = options.list_folder ? options.list_folder(path) : std::nullopt;
        if (!entries) return answer_error(response, 404, "cannot list " + (path.empty() ? "the drives" : path));
        json listed = json::array();
        for (const FolderEntry& entry : *entries) {
            listed.push_back({{"name", entry.name}, {"folder", entry.folder}, {"size", entry.size}});
        }
        answer_json(response, 200, {{"path", path}, {"entries", listed}});
    });

    server->Get("/api/events", [this](const httplib::Request&, httplib::Response& response) {
        // A stream ends when its page went away or another took its place: its connection with it.
        if (Connection* connection = Connection::on_this_thread()) connection->close_after_answer();
        response.set_header("X-Accel-Buffering", "no");
        response.set_chunked_content_provider("text/event-stream", [this](std::size_t, httplib::DataSink& sink) {
            stream_to(sink);
            sink.done();
            return true;
        });
    });
}

// One page's event stream, for as long as the page listens: a snapshot, then every event in order,
// batched when several are waiting, and a heartbeat comment when there is nothing to say.
void MoviePlayer::Impl::stream_to(httplib::DataSink& sink) {
    std::unique_lock held(lock);
    const StreamId stream = events.open_stream();
    stream_wake.notify_all();  // the stream it replaced, if any, ends
    std::string text = snapshot_text(stream);
    bool snapshot_pending = true;
    std::uint64_t position = events.end();
    for (;;) {
        held.unlock();
        const bool written = sink.write(text.data(), text.size());
        held.lock();
        if (!written) break;
        if (snapshot_pending) events.snapshot_sent(stream);
        snapshot_pending = false;
        events.mark_sent(stream, position);
        idle_wake.notify_all();
        if (streams_closing || events.closed_for_newer(stream)) break;

        stream_wake.wait_for(held, kHeartbeat, [&] { return streams_closing || events.has_pending(stream); });
        if (events.closed_for_newer(stream)) break;
        EventLog::Batch batch = events.pending(stream);
        if (batch.lost) {
            events.restart(stream);
            text = snapshot_text(stream);
            snapshot_pending = true;
            position = events.end();
        } else {
            text = batch.text.empty() ? ": heartbeat\n\n" : std::move(batch.text);
            position = batch.next;
        }
    }
    events.close_stream(stream);
    idle_wake.notify_all();
}

}  // namespace platform::movie
