#include "platform/movie/movie_player.h"

#include "platform/json/json_text.h"
#include "platform/movie/player_core.h"

namespace platform::movie {

namespace {

// Runs `undo` on every way out of a scope, exceptions from the program's handlers included, so a
// modal window or dialog never stays on the page after its loop is gone.
template <class Undo>
class OnExit {
public:
    explicit OnExit(Undo undo) : undo_(std::move(undo)) {}
    ~OnExit() { undo_(); }
    OnExit(const OnExit&) = delete;
    OnExit& operator=(const OnExit&) = delete;

private:
    Undo undo_;
};

}  // namespace

void MoviePlayer::Impl::emit(const nlohmann::json& event, std::optional<StreamId> not_for) {
    events.append(platform::json::to_text(event), not_for);
    stream_wake.notify_all();
}

void MoviePlayer::Impl::end_loops() {
    std::lock_guard guard_lock(lock);
    ending = true;
    ui_wake.notify_all();
    idle_wake.notify_all();
}

// Reports come before timers, so a burst of ticks can never hold back what the user did.
std::optional<MoviePlayer::Impl::Step> MoviePlayer::Impl::next_step(bool may_wait) {
    std::unique_lock held(lock);
    for (;;) {
        if (ending_locked()) return std::nullopt;
        if (auto report = reports.pop()) return Step{std::move(*report)};
        if (auto tick = timers.take_due(Clock::now())) return Step{std::move(*tick)};
        if (!may_wait) return std::nullopt;
        ui_waiting = true;
        idle_wake.notify_all();
        if (auto due = timers.next_due()) {
            ui_wake.wait_until(held, *due);
        } else {
            ui_wake.wait(held);
        }
        ui_waiting = false;
    }
}

std::optional<TimerSet::DueTick> MoviePlayer::Impl::due_tick() {
    std::lock_guard held(lock);
    if (ending_locked()) return std::nullopt;
    return timers.take_due(Clock::now());
}

void MoviePlayer::Impl::perform(Step& step) {
    if (auto* queued = std::get_if<QueuedReport>(&step)) {
        std::visit([this](auto& report) { handle(report); }, queued->report);
        return;
    }
    auto& tick = std::get<TimerSet::DueTick>(step);
    OnExit finished([&] {
        std::lock_guard held(lock);
        timers.tick_finished(tick.id);
    });
    (*tick.tick)();
}

void MoviePlayer::Impl::handle(Command& command) {
    std::function<void(const Command&)> handler;
    {
        std::lock_guard held(lock);
        auto found = command_handlers.find(command.movie);
        if (found == command_handlers.end()) found = command_handlers.find("");
        if (found != command_handlers.end()) handler = found->second;
    }
    if (handler) handler(command);
}

void MoviePlayer::Impl::handle(PageVariableChange& page_change) {
    std::function<void(const VariableChange&)> handler;
    {
        std::lock_guard held(lock);
        const VariableChange& change = page_change.change;
        emit(screen.set_variable(change.movie, change.name, change.value), page_change.from_stream);
        handler = variable_handler;
    }
    if (handler) handler(page_change.change);
}

// An answer to a dialog that is no longer open (answered in another tab, or given twice) is dropped.
void MoviePlayer::Impl::handle(const DialogAnswer& answer) {
    std::lock_guard held(lock);
    if (auto closed = screen.close_dialog(answer.id)) {
        dialog_answers[answer.id] = answer.result;
        emit(*closed);
    }
}

bool MoviePlayer::Impl::run_nested(const std::function<bool()>& done) {
    for (;;) {
        if (done()) return true;
        auto step = next_step(true);
        if (!step) return false;
        perform(*step);
    }
}

std::optional<std::string> MoviePlayer::Impl::ask(OpenDialog dialog) {
    std::uint64_t id = 0;
    {
        std::lock_guard held(lock);
        id = dialog.id = ++last_dialog_id;
        emit(screen.open_dialog(dialog));
    }
    OnExit close_unanswered([&] {
        std::lock_guard held(lock);
        if (auto closed = screen.close_dialog(id)) emit(*closed);
        dialog_answers.erase(id);
    });
    const bool answered = run_nested([&] {
        std::lock_guard held(lock);
        return dialog_answers.contains(id);
    });
    if (!answered) return std::nullopt;
    std::lock_guard held(lock);
    return dialog_answers[id];
}

// --- MoviePlayer ------------------------------------------------------------------------------

MoviePlayer::MoviePlayer(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

MoviePlayer::~MoviePlayer() {
    stop();
}

void MoviePlayer::start() {
    impl_->listen();
}

void MoviePlayer::stop() {
    {
        std::lock_guard held(impl_->lock);
        if (impl_->stopped) return;
        impl_->stopped = true;
        impl_->emit({{"type", "exit"}});
    }
    impl_->end_loops();
    impl_->shut_down_server();
}

int MoviePlayer::port() const {
    return impl_->port;
}

const std::string& MoviePlayer::token() const {
    return impl_->token;
}

std::string MoviePlayer::url() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) + "/?token=" + impl_->token;
}

void MoviePlayer::set_variable(const std::string& movie, const std::string& name, const std::string& value) {
    std::lock_guard held(impl_->lock);
    impl_->emit(impl_->screen.set_variable(movie, name, value));
}

std::string MoviePlayer::get_variable(const std::string& movie, const std::string& name) const {
    std::lock_guard held(impl_->lock);
    return impl_->screen.variable(movie, name).value_or("");
}

std::map<std::string, std::string> MoviePlayer::variables(const std::string& movie) const {
    std::lock_guard held(impl_->lock);
    return impl_->screen.variables(movie);
}

void MoviePlayer::load_movie(const std::string& movie, const std::string& file) {
    std::lock_guard held(impl_->lock);
    impl_->emit(impl_->screen.load_movie(movie, file));
}

void MoviePlayer::goto_frame(const std::string& movie, const std::string& clip, int frame) {
    std::lock_guard held(impl_->lock);
    impl_->emit(impl_->screen.goto_frame(movie, clip, frame));
}

void MoviePlayer::show_window(const std::string& window, bool modal) {
    std::lock_guard held(impl_->lock);
    impl_->emit(impl_->screen.show_window(window, modal));
}

void MoviePlayer::hide_window(const std::string& window) {
    std::lock_guard held(impl_->lock);
    impl_->emit(impl_->screen.hide_window(window));
}

bool MoviePlayer::window_visible(const std::string& window) const {
    std::lock_guard held(impl_->lock);
    return impl_->screen.window_visible(window);
}

void MoviePlayer::set_busy(bool busy) {
    std::lock_guard held(impl_->lock);
    impl_->emit(impl_->screen.set_busy(busy));
}

std::size_t MoviePlayer::open_pages() const {
    std::lock_guard held(impl_->lock);
    return impl_->events.open_streams();
}

bool MoviePlayer::pages_ever_opened() const {
    std::lock_guard held(impl_->lock);
    return impl_->events.any_stream_opened();
}

void MoviePlayer::open_url(const std::string& url) {
    std::lock_guard held(impl_->lock);
    impl_->emit({{"type", "open"}, {"url", url}});
}

void MoviePlayer::on_command(const std::string& movie, std::function<void(const Command&)> handler) {
    std::lock_guard held(impl_->lock);
    impl_->command_handlers[movie] = std::move(handler);
}

void MoviePlayer::on_variable_changed(std::function<void(const VariableChange&)> handler) {
    std::lock_guard held(impl_->lock);
    impl_->variable_handler = std::move(handler);
}

TimerId MoviePlayer::add_timer(std::chrono::milliseconds interval, std::function<void()> tick) {
    std::lock_guard held(impl_->lock);
    TimerId id = impl_->timers.add(interval, std::move(tick), Clock::now());
    impl_->ui_wake.notify_all();  // the loop may be asleep until a later timer
    return id;
}

void MoviePlayer::remove_timer(TimerId id) {
    std::lock_guard held(impl_->lock);
    impl_->timers.remove(id);
}

void MoviePlayer::run() {
    impl_->run_nested([] { return false; });
}

void MoviePlayer::quit() {
    impl_->end_loops();
}

void MoviePlayer::request_exit() noexcept {
    impl_->exit_pipe.raise();
}

bool MoviePlayer::exit_requested() const {
    std::lock_guard held(impl_->lock);
    return impl_->ending_locked();
}

bool MoviePlayer::run_until(const std::function<bool()>& done) {
    return impl_->run_nested(done);
}

void MoviePlayer::process_pending() {
    while (auto tick = impl_->due_tick()) {
        Impl::Step step{std::move(*tick)};
        impl_->perform(step);
    }
}

bool MoviePlayer::show_modal(const std::string& window, const std::function<bool()>& done) {
    show_window(window, true);
    OnExit hide([&] { hide_window(window); });
    return impl_->run_nested(done);
}

std::string MoviePlayer::modal() const {
    std::lock_guard held(impl_->lock);
    return impl_->screen.modal();
}

std::optional<std::string> MoviePlayer::ask_open_file(const std::string& filter, const std::string& prompt) {
    return impl_->ask(OpenDialog{0, "open", prompt, filter, ""});
}

std::optional<std::string> MoviePlayer::ask_folder(const std::string& prompt) {
    return impl_->ask(OpenDialog{0, "folder", prompt, "", ""});
}

std::optional<std::string> MoviePlayer::ask_text(const std::string& prompt, const std::string& default_text) {
    return impl_->ask(OpenDialog{0, "input", prompt, "", default_text});
}

}  // namespace platform::movie
