#pragma once
// A real Wine prefix in a temporary folder, made by wineboot, with `wine reg` as a reader and
// writer from outside the program. Its wineserver is ended before the program may open it and
// again when the prefix goes. Wine sees a stand-in home folder beside the prefix, never the real one.
#include <filesystem>
#include <memory>
#include <string>

namespace tavrin_test {

class WinePrefix {
public:
    // Whether wine, wineboot and wineserver can be started here.
    static bool available();

    WinePrefix();  // runs wineboot; throws std::runtime_error when it fails
    // A new prefix, or nullptr with the reason a test skips for where Wine is missing or cannot
    // set one up here.
    static std::unique_ptr<WinePrefix> make(std::string& why_not);
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // The stand-in home folder: wineboot links the prefix's Desktop, Documents, Templates and more
    // to it (to the home itself when it has no folder of that name).
    const std::filesystem::path& home() const { return home_; }

    // `wine reg add KEY /v NAME /d DATA /f`; true when it succeeded.
    bool reg_add(const std::string& key, const std::string& name, const std::string& data);
    // `wine reg query KEY [/v NAME]`: the exit status is 0 when it exists; its output when asked.
    bool reg_query(const std::string& key, const std::string& name = "", std::string* output = nullptr);
    // Starts the prefix's wineserver and keeps it running (as a long-lived Windows program
    // would) until stop_server; true when it started.
    bool start_server();
    // Ends the prefix's wineserver and waits for it, so that the registry files are written and
    // nothing holds them.
    void stop_server();
    // A shell command line run for this prefix (Wine's environment set, the stand-in home);
    // its exit status, and what it printed when asked.
    int run(const std::string& command, std::string* output = nullptr);

private:

    std::filesystem::path dir_;
    std::filesystem::path home_;  // the stand-in for the home folder Wine links into the prefix
};

}  // namespace tavrin_test
