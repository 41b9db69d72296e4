#pragma once
// The movie player: the screens are HTML pages in the user's browser, and this is the program's
// side of them. It serves the skin on 127.0.0.1, keeps every movie's variables, streams every change
// to the pages as Server-Sent Events and hands what the pages report (commands, variable changes,
// dialog answers) to the program on one UI thread, one at a time, like a window message queue.
//
// HTTP protocol (every /api request needs the token, see "Who may talk to us" below):
//   GET  /                      skin/index.html (token in the query: GET /?token=T)
//   GET  /skin/FILE             a file of the skin folder (no token needed, Host still checked)
//   GET  /api/events?token=T    event stream: first a snapshot, then every change in order
//   POST /api/fscommand  {"movie","command","args"}          -> 202 {"seq":N}
//   POST /api/setvar     {"movie","name","value","client"?}  -> 202 {"seq":N}
//   POST /api/dialog     {"id","result"}  (result null = cancelled)  -> 202 {"seq":N}
//   POST /api/cancel     {}   the user's Cancel of the long run in progress, heard at once
//                              (not queued: platform/sys/run_cancel.h)              -> 202 {}
//   GET  /api/vars?movie=M      the movie's variables as one JSON object of strings
//   GET  /api/idle?after=N[&timeout_ms=T]
//        waits until every queued request up to N is handled, the UI thread waits for input (in
//        its main loop, a modal window or a dialog) and every open event stream has sent what was
//        emitted so far; answers 200 {"seq":LAST,"modal":null|"WINDOW"|"dialog","dialog":null|{...}}.
//        Without `after` it waits for every request queued so far. After timeout_ms (default 30000)
//        it answers 504 with the same body, so a stuck program fails a test instead of hanging it.
//   GET  /api/file?path=WINPATH a machine file (the day's log), found through Options::resolve_file;
//        only a regular file that is not a symbolic link (403 otherwise) of at most 32 MB (413);
//        token in the header only. Served with "Content-Security-Policy: sandbox"; only plain text
//        and pictures keep their type, anything else (a page, an SVG, a script) comes as
//        text/plain with "Content-Disposition: attachment", so it can never run at our address
//   GET  /api/dir?path=WINPATH  a folder listing for the file and folder dialogs, from
//        Options::list_folder: {"path":WINPATH,"entries":[{"name","folder":bool,"size":N},...]};
//        path "" (or absent) asks for the top level (the drives, "C:\" ...). 404 {"error"} when the
//        folder cannot be listed.
//
// Event shapes (the `data:` of each event; lines starting with ':' are heartbeats, about 1/s):
//   {"type":"snapshot","client":ID,"seq":N,"movies":{M:{name:value}},
//    "windows":{W:{"visible":b,"modal":b}},"loaded":{M:file},"frames":{M:{clip:frame}},
//    "busy":b,"modal":null|"WINDOW"|"dialog","dialog":null|{"id","kind","prompt","filter","default"}}
//   {"type":"set","movie","name","value"}
//   {"type":"window","window","visible","modal"}
//   {"type":"load","movie","file"}
//   {"type":"goto","movie","clip","frame"}
//   {"type":"dialog","id","kind":"open"|"folder"|"input","prompt","filter","default"}
//   {"type":"dialog","id","closed":true}       the dialog was answered (perhaps in another tab)
//   {"type":"cursor","busy"}
//   {"type":"open","url"}
//   {"type":"exit"}
// A page that reconnects (a closed tab opened again) gets everything it needs to draw the current
// state, an open question included, from the snapshot alone. The snapshot's "client" id may be sent
// back as "client" in /api/setvar: that page then does not get its own change echoed back, which
// would otherwise overwrite what the user kept typing meanwhile; every other page does get it.
// A page too slow to keep up with the stream gets a fresh snapshot instead of a gap.
//
// Who may talk to us: a web page from anywhere else in the same browser must never be able to shred
// a file. A request needs a Host of "127.0.0.1:PORT" or "localhost:PORT"; an Origin, when sent, of
// "http://" + Host; a Sec-Fetch-Site, when sent, of "same-origin" or "none"; and, for / and /api/,
// the token in the X-Tavrin-Token header (or the `token` query on / and /api/events). Host and
// Origin are compared without regard to case; "localhost." and other spellings are refused.
// Anything else is answered 403 and changes nothing (GET / with a short page that says to open the
// address the program printed) and ends its connection.
//
// Limits, so that no client can hold the server up: a request head must arrive within 3 s, a kept
// connection may idle 5 s between requests, a request body may have 1 MB whatever its transfer
// encoding (413 beyond), a write the client does not take within 3 s ends the connection, and at
// most 16 event streams are open at once (a new one closes the oldest).
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::movie {

// One FSCommand of a movie, as the page reported it.
struct Command {
    std::string movie;
    std::string command;
    std::string args;
};

// A variable the user changed in a page (a tick, a text field). The store already holds the value
// when the program hears of it.
struct VariableChange {
    std::string movie;
    std::string name;
    std::string value;
};

// One entry of a folder listing for the dialogs.
struct FolderEntry {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
};

struct Options {
    int port = 0;  // 0: any free port
    std::filesystem::path skin_folder;  // served at /skin/, its index.html at /
    // Both callbacks run on the server's threads, not on the UI thread, and may run at the same time.
    // Windows path -> host file for GET /api/file; nullopt: 404.
    std::function<std::optional<std::filesystem::path>(const std::string& windows_path)> resolve_file;
    // Windows folder ("" = the top level, the drives) -> its entries for GET /api/dir; nullopt: 404.
    std::function<std::optional<std::vector<FolderEntry>>(const std::string& windows_path)> list_folder;
};

using TimerId = std::uint64_t;

// Thread rules: run(), run_until(), show_modal(), the ask_* dialogs and process_pending() belong to
// the UI thread (the thread that calls them; handlers and timers run there too). Everything else may
// be called from any thread; request_exit() even from a signal handler.
class MoviePlayer {
public:
    explicit MoviePlayer(Options options);
    ~MoviePlayer();  // stop()
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // Binds 127.0.0.1:port and starts serving; a fresh random token per start. Prints nothing.
    // Throws std::runtime_error when the port cannot be bound.
    void start();
    // Sends {"type":"exit"} to the pages, ends every loop and shuts the server down. Idempotent.
    void stop();
    int port() const;
    const std::string& token() const;
    std::string url() const;  // "http://127.0.0.1:PORT/?token=TOKEN"

    // --- Movies -------------------------------------------------------------------------------
    // Movies are named "profiles", "main", "log" and "msgbox"; names and values are plain text.
    void set_variable(const std::string& movie, const std::string& name, const std::string& value);
    std::string get_variable(const std::string& movie, const std::string& name) const;  // "" if unset
    std::map<std::string, std::string> variables(const std::string& movie) const;
    void load_movie(const std::string& movie, const std::string& file);
    void goto_frame(const std::string& movie, const std::string& clip, int frame);

    // --- Windows and the desktop --------------------------------------------------------------
    // Windows are named like the movie they show ("profiles", "main", "log", "msgbox").
    void show_window(const std::string& window, bool modal = false);
    void hide_window(const std::string& window);
    bool window_visible(const std::string& window) const;
    void set_busy(bool busy);                // the hourglass over the whole page
    // The pages listening now (an open tab; a reloading one is gone for a moment), and whether any
    // page ever connected since start().
    std::size_t open_pages() const;
    bool pages_ever_opened() const;
    void open_url(const std::string& url);   // the page opens it in a new tab

    // --- What the pages report ----------------------------------------------------------------
    // Commands of `movie` go to its handler; commands of a movie without one go to the handler
    // registered for "" (if any). Handlers run on the UI thread, also inside nested loops: while a
    // modal window or dialog is open, commands of other movies still arrive, and the program decides
    // whether to act on them (modal() says what is open).
    void on_command(const std::string& movie, std::function<void(const Command&)> handler);
    void on_variable_changed(std::function<void(const VariableChange&)> handler);

    // A repeating timer ticking on the UI thread, in run() and in every nested loop. A tick is never
    // delivered while the same timer's previous tick is still running (e.g. sits in a message box).
    TimerId add_timer(std::chrono::milliseconds interval, std::function<void()> tick);
    void remove_timer(TimerId id);

    // --- The loop -----------------------------------------------------------------------------
    // Handles queued reports and timer ticks one at a time until quit() or request_exit().
    void run();
    // Ends run() and every nested loop (they return false, the dialogs nullopt).
    void quit();
    // The same as quit(), but safe in a signal handler: only an atomic store and a write() to a pipe.
    void request_exit() noexcept;
    bool exit_requested() const;
    // A nested loop over the same queue until `done()` holds (checked before waiting and after
    // every handled item). Returns false when the program is ending instead.
    bool run_until(const std::function<bool()>& done);
    // Runs the timer ticks that are due and returns without waiting: for long operations that
    // keep the timers going (the pages are served by their own threads all along). Queued
    // requests wait for the operation to end: a command handled inside another one's work would
    // run in the middle of it, and an exit would wait for every operation it interrupted.
    void process_pending();

    // Shows `window` modal, runs a nested loop until `done()` holds, then hides it again.
    // The message box: set its variables, then show_modal("msgbox", [&] { return answered; }).
    bool show_modal(const std::string& window, const std::function<bool()>& done);
    // What the user faces: the top modal window's name, "dialog" while a dialog is open, or "".
    std::string modal() const;

    // --- Dialogs served to the page; each runs a nested loop until answered ---------------------
    // nullopt when cancelled or when the program is ending.
    // `filter` as the file dialog's: "All Files|*.*" (description|pattern pairs).
    std::optional<std::string> ask_open_file(const std::string& filter, const std::string& prompt = "");
    std::optional<std::string> ask_folder(const std::string& prompt = "");
    std::optional<std::string> ask_text(const std::string& prompt, const std::string& default_text = "");

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::movie
