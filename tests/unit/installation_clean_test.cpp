// A Windows XP installation cleaned from the command line, end to end. The user's hive is one
// Windows wrote, with traces of Windows, Internet Explorer (beside its own index files), Office
// and a plug-in added by hivexregedit; the system's hives are made from it. What the preview lists
// is what the clean removes; three readers that are not ours find every changed hive whole, with
// only the removed entries gone and no byte of them left; the registry cleaner's backup puts an
// entry back; nothing else in the installation changes; and one that Windows hibernated, or whose
// hive it did not finish writing, refuses every change and is still previewed.
#include <gtest/gtest.h>

#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/commands.h"
#include "app/cli/machine_info.h"
#include "app/cli/message_texts.h"
#include "engine/regcleaner/reg_cleaner.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/command_output.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/folder_snapshot.h"
#include "tests/unit/support/regf_template.h"
#include "tests/unit/support/scoped_env.h"
#include "tests/unit/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
namespace type = platform::registry::type;
using tavrin_test::regf_string;

constexpr const char* kSid = "S-1-5-21-7-8-9-1003";
const fs::path kConfig = "WINDOWS/system32/config";
const fs::path kNtuser = "Documents and Settings/Alice/NTUSER.DAT";

// Traces beside those Windows left in the hive (typed addresses, the Run dialog's and the recent
// documents' lists), and the folders Internet Explorer keeps its index files in, as on XP.
// Every key is named before its subkeys, each on its own: hivexregedit adds no parents.
constexpr const char* kUserTraces = R"(Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"History"="C:\\Documents and Settings\\Alice\\Local Settings\\History"
"Cache"="C:\\Documents and Settings\\Alice\\Local Settings\\Temporary Internet Files"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\TypedPaths]
"url1"="C:\\Photos of the clinic visit"

[HKEY_CURRENT_USER\Software\Microsoft\Office]

[HKEY_CURRENT_USER\Software\Microsoft\Office\11.0]

[HKEY_CURRENT_USER\Software\Microsoft\Office\11.0\Excel]

[HKEY_CURRENT_USER\Software\Microsoft\Office\11.0\Excel\Recent Files]
"File1"="C:\\Documents and Settings\\Alice\\My Documents\\salary-negotiation.xls"

[HKEY_CURRENT_USER\Software\Microsoft\Office\16.0]

[HKEY_CURRENT_USER\Software\Microsoft\Office\16.0\Word]

[HKEY_CURRENT_USER\Software\Microsoft\Office\16.0\Word\File MRU]
"Item 1"="[F00000000][T01D3A6F1][O00000000]*C:\\Documents and Settings\\Alice\\letter-to-the-lawyer.docx"

[HKEY_CURRENT_USER\Software\Quiet Diary]

[HKEY_CURRENT_USER\Software\Quiet Diary\Recent]
"Entry1"="C:\\Diary\\the-secret-entry.txt"
)";

constexpr const char* kPluginRules =
    "[Quiet Diary]\r\nLangSecRef=3024\r\nDetectFile=%ProgramFiles%\\Quiet Diary\r\n"
    "FileKey1=%ProgramFiles%\\Quiet Diary|*.log\r\nRegKey1=HKCU\\Software\\Quiet Diary\\Recent\r\n";

const std::vector<std::string> kItems = {
    "windows.run-dialog", "windows.recent-documents", "windows.explorer-typed-paths", "ie.typed-urls", "ie.history",
    "ie.cache",           "office.excel-mru",         "office.word-mru",              "plugins.Quiet Diary"};

struct Result {
    int status = 0;
    std::string out, err;
};

Result run_tool(const std::string& command) {
    const tavrin_test::CommandOutput ran = tavrin_test::command_output(command + " 2>/dev/null");
    return {ran.status, ran.out, ran.status == -1 ? "cannot start " + command : ""};
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string unescaped(const std::string& json_text) {
    std::string text;
    for (size_t i = 0; i < json_text.size(); ++i) text += json_text[i] == '\\' ? json_text[++i] : json_text[i];
    return text;
}

// A hive as hivexregedit exports it: each key's path below the root, with its values as the
// export writes them (name -> "type:data").
using Hive = std::map<std::string, std::map<std::string, std::string>>;

Hive exported(const fs::path& file) {
    const Result export_run = run_tool("hivexregedit --export " + quoted(file) + " '\\'");
    EXPECT_EQ(export_run.status, 0) << "hivexregedit cannot read " << file;
    Hive hive;
    std::string key;
    std::istringstream lines(export_run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("[")) hive[key = line.substr(1, line.size() - 2)];
        if (line.starts_with("@=")) hive[key][""] = line.substr(2);
        if (!line.starts_with("\"")) continue;
        std::string name;
        size_t at = 1;
        for (; at < line.size() && line[at] != '"'; ++at) name += line[at] == '\\' ? line[++at] : line[at];
        hive[key][name] = line.substr(at + 2);
    }
    return hive;
}

bool below(const std::string& path, const std::string& key) {
    return path.size() >= key.size() && strcasecmp(path.substr(0, key.size()).c_str(), key.c_str()) == 0 &&
           (path.size() == key.size() || path[key.size()] == '\\');
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The printable runs of text in the data of an exported value, in UTF-16LE and in ASCII.
std::vector<std::string> texts_in(const std::string& data) {
    std::string bytes;
    const size_t colon = data.find(':');
    if (data.starts_with("dword:")) return {};
    if (data.starts_with("\"")) bytes = data.substr(1, data.size() - 2);
    else
        for (size_t at = colon + 1; at + 1 < data.size(); at += 3) bytes += static_cast<char>(std::stoi(data.substr(at, 2), nullptr, 16));
    std::vector<std::string> runs;
    for (const size_t step : {size_t{2}, size_t{1}}) {
        std::string run;
        for (size_t at = 0; at + step <= bytes.size(); at += step) {
            const bool printable = bytes[at] >= 0x20 && bytes[at] < 0x7F && (step == 1 || bytes[at + 1] == 0);
            if (printable) run += bytes[at];
            if (!printable || at + 2 * step > bytes.size()) {
                if (run.size() >= 6) runs.push_back(run);
                run.clear();
            }
        }
    }
    return runs;
}

std::string utf16(const std::string& ascii) {
    std::string wide;
    for (const char c : ascii) wide += {c, '\0'};
    return wide;
}

struct Removal {
    std::string item, kind, path;
};

std::vector<Removal> removals(const std::string& json) {
    static const std::regex removal(R"re(\{"item": "((?:[^"\\]|\\.)*)", "kind": "([^"]*)", "path": "((?:[^"\\]|\\.)*)", "size": \d+\})re");
    std::vector<Removal> found;
    for (std::sregex_iterator it(json.begin(), json.end(), removal), end; it != end; ++it)
        found.push_back({unescaped((*it)[1]), (*it)[2], unescaped((*it)[3])});
    return found;
}

class InstallationCleanTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto hive = tavrin_test::corpus_file("windows/regf/NTUSER.DAT");
        const auto cache = tavrin_test::corpus_file("windows/msiecf/Content.IE5/index.dat");
        const auto history = tavrin_test::corpus_file("windows/msiecf/History.IE5/index.dat");
        if (!hive || !cache || !history) GTEST_SKIP() << "no hive or index files Windows wrote in ../shared/corpora/windows";
        if (run_tool("command -v hivexregedit reglookup regfexport").status != 0)
            GTEST_SKIP() << "hivexregedit, reglookup or regfexport is not installed";
        fs::create_directories(dir() / kConfig);
        const std::string current_version = "Microsoft\\Windows\\CurrentVersion";
        ASSERT_TRUE(tavrin_test::make_regf_hive(
            *hive, dir() / kConfig / "SOFTWARE",
            {{"Microsoft\\Windows NT\\CurrentVersion",
              {{"SystemRoot", type::Sz, regf_string("C:\\WINDOWS")}, {"CurrentVersion", type::Sz, regf_string("5.1")}}},
             {"Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + std::string(kSid),
              {{"ProfileImagePath", type::ExpandSz, regf_string("%SystemDrive%\\Documents and Settings\\Alice")}}},
             {current_version, {{"ProgramFilesDir", type::Sz, regf_string("C:\\Program Files")}}},
             {current_version + "\\SharedDlls", {{"C:\\Program Files\\Gone\\gone.dll", type::Dword, {2, 0, 0, 0}}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(*hive, dir() / kConfig / "SYSTEM", {{"Select", {{"Current", type::Dword, {1, 0, 0, 0}}}}}));
        ASSERT_TRUE(tavrin_test::make_regf_hive(*hive, dir() / kConfig / "DEFAULT", {{"Control Panel", {}}}));
        const fs::path profile = dir() / kNtuser.parent_path();
        fs::create_directories(profile);
        fs::copy_file(*hive, profile / "NTUSER.DAT");
        std::ofstream(folder_.path() / "traces.reg") << kUserTraces;
        ASSERT_EQ(run_tool("hivexregedit --merge --prefix HKEY_CURRENT_USER " + quoted(profile / "NTUSER.DAT") + " " +
                           quoted(folder_.path() / "traces.reg"))
                      .status,
                  0);
        fs::create_directories(profile / "Local Settings/Temporary Internet Files/Content.IE5");
        fs::create_directories(profile / "Local Settings/History/History.IE5");
        fs::copy_file(*cache, profile / "Local Settings/Temporary Internet Files/Content.IE5/index.dat");
        fs::copy_file(*history, profile / "Local Settings/History/History.IE5/index.dat");
        fs::create_directories(dir() / "Program Files/Quiet Diary");
        std::ofstream(dir() / "Program Files/Quiet Diary/diary.log") << "what happened today";
        // Copied from a read-only corpus; on the disk of an installation they may be written.
        for (const auto& entry : fs::recursive_directory_iterator(dir()))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
        std::ofstream(folder_.path() / "rules.ini") << kPluginRules;
        const Result imported = command({"plugins", "import", (folder_.path() / "rules.ini").string()});
        ASSERT_EQ(imported.status, 0) << imported.err;
    }

    Result command(std::vector<std::string> args) {
        args.insert(args.end(), {"--machine", dir().string()});
        Result result;
        std::ostringstream out, err;
        result.status = app::cli::run_command(args, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    Result clean_or_preview(const std::string& command_name) {
        std::vector<std::string> args = {command_name};
        args.insert(args.end(), kItems.begin(), kItems.end());
        args.push_back("--json");
        return command(args);
    }

    // --info, in the language the command line speaks on the installation.
    void print_info(std::ostream& out) {
        auto machine = platform::Machine::open(dir());
        const platform::CurrentMachineScope current(*machine);
        app::cli::print_machine_info(*machine, app::cli::message_texts(), out);
    }

    fs::path dir() const { return folder_.path() / "win"; }

    tavrin_test::TempFolder folder_;
    tavrin_test::ScopedEnv data_home_{"XDG_DATA_HOME", (folder_.path() / "data").string()};
};

}  // namespace

TEST_F(InstallationCleanTest, TheCleanRemovesWhatThePreviewListsAndTheReadersFindNothingElseChanged) {
    const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
    const Hive user_before = exported(dir() / kNtuser);
    {
        std::ostringstream info;
        print_info(info);
        EXPECT_NE(info.str().find("Kind: Windows installation, the profile of Alice"), std::string::npos) << info.str();
    }
    const Result list = command({"list"});
    EXPECT_NE(list.out.find("  plugins.Quiet Diary "), std::string::npos) << list.out << list.err;
    const Result preview = clean_or_preview("preview");
    ASSERT_EQ(preview.status, 0) << preview.out;
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "") << "--info, list or preview changed it";

    const Result clean = clean_or_preview("clean");
    ASSERT_EQ(clean.status, 0) << clean.out;
    const std::vector<Removal> removed = removals(clean.out);
    EXPECT_EQ(clean.out.substr(clean.out.find("\"removals\"")), preview.out.substr(preview.out.find("\"removals\"")));
    std::set<std::string> items;
    for (const Removal& one : removed) items.insert(one.item);
    EXPECT_EQ(items, std::set<std::string>(kItems.begin(), kItems.end()));

    // The files that changed are the user's hive, the two index files whose records went, and
    // the plug-in's log; its program folder and everything else the program keeps lie outside.
    const std::string profile = kNtuser.parent_path().string();
    EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())),
              "changed: " + profile + "/Local Settings/History/History.IE5/index.dat\n"
              "changed: " + profile + "/Local Settings/Temporary Internet Files/Content.IE5/index.dat\n"
              "changed: " + profile + "/NTUSER.DAT\n"
              "gone: Program Files/Quiet Diary/diary.log\n");

    // The export after is the one before without the removed keys and values, with the settings
    // the clean lists as changed.
    Hive expected = user_before;
    for (const Removal& one : removed) {
        if (!one.path.starts_with("HKEY_CURRENT_USER\\")) continue;
        const std::string path = one.path.substr(one.path.find('\\'));
        if (one.kind == "key") std::erase_if(expected, [&](const auto& key) { return below(key.first, path); });
        else if (one.kind == "value") expected[path.substr(0, path.rfind('\\'))].erase(path.substr(path.rfind('\\') + 1));
    }
    static const std::regex change(R"re(\{"item": "[^"]*", "path": "HKEY_CURRENT_USER((?:[^"\\]|\\.)*)", "before": "[^"]*", "after": "([^"]*)"\})re");
    for (std::sregex_iterator it(clean.out.begin(), clean.out.end(), change), end; it != end; ++it) {
        const std::string path = unescaped((*it)[1]);
        std::string data = "hex(1):";
        for (const char c : utf16((*it)[2].str() + '\0')) data += (data.size() > 7 ? "," : "") + std::string(1, "0123456789abcdef"[(c >> 4) & 15]) + "0123456789abcdef"[c & 15];
        expected[path.substr(0, path.rfind('\\'))][path.substr(path.rfind('\\') + 1)] = data;
    }
    const Hive user_after = exported(dir() / kNtuser);
    EXPECT_TRUE(user_after == expected) << "the export differs from the one before by more than the clean removed";

    // The other two readers see the same keys and values.
    size_t values = 0;
    std::set<std::string> keys;
    for (const auto& [key, key_values] : user_after) {
        values += key_values.size();
        keys.insert(lower(key));
    }
    const Result lookup = run_tool("reglookup -H " + quoted(dir() / kNtuser));
    EXPECT_EQ(lookup.status, 0);
    const size_t lookup_lines = std::count(lookup.out.begin(), lookup.out.end(), '\n');
    size_t lookup_keys = 0;
    for (size_t at = 0; (at = lookup.out.find(",KEY,", at)) != std::string::npos; ++at) ++lookup_keys;
    EXPECT_EQ(lookup_keys, keys.size());
    EXPECT_EQ(lookup_lines - lookup_keys, values);
    const Result regf = run_tool("regfexport " + quoted(dir() / kNtuser));
    EXPECT_EQ(regf.status, 0);
    std::set<std::string> regf_keys;
    std::istringstream regf_lines(regf.out);
    for (std::string line; std::getline(regf_lines, line);) {
        if (!line.starts_with("Key path: ")) continue;
        const size_t below_root = line.find('\\');
        regf_keys.insert(below_root == std::string::npos ? "\\" : lower(line.substr(below_root)));
    }
    keys.insert("\\");
    EXPECT_TRUE(regf_keys == keys) << regf_keys.size() << " keys for regfexport, " << keys.size() << " for hivexregedit";

    // No name or text of what went is left in the hive's bytes (those that stay in other keys aside).
    std::set<std::string> kept;
    for (const auto& [key, key_values] : user_after) {
        kept.insert(key);
        for (const auto& [name, data] : key_values) {
            kept.insert(name);
            for (const std::string& text : texts_in(data)) kept.insert(text);
        }
    }
    const auto stays = [&](const std::string& text) {
        return std::any_of(kept.begin(), kept.end(), [&](const std::string& one) { return one.find(text) != std::string::npos; });
    };
    std::set<std::string> gone;
    for (const auto& [key, key_values] : user_before) {
        const auto after = user_after.find(key);
        if (after == user_after.end()) gone.insert(key.substr(key.rfind('\\') + 1));
        for (const auto& [name, data] : key_values) {
            if (after != user_after.end() && after->second.contains(name) && after->second.at(name) == data) continue;
            gone.insert(name);
            for (const std::string& text : texts_in(data)) gone.insert(text);
        }
    }
    const std::string bytes = read_bytes(dir() / kNtuser);
    std::string left;
    size_t checked = 0;
    for (const std::string& text : gone) {
        if (text.size() < 5 || stays(text)) continue;
        ++checked;
        if (bytes.find(text) != std::string::npos || bytes.find(utf16(text)) != std::string::npos) left += "\n  " + text;
    }
    EXPECT_GT(checked, 15u);
    EXPECT_EQ(left, "") << "left in the hive's bytes:";
}

TEST_F(InstallationCleanTest, TheRegistryCleanersBackupOfAnEntryRemovedOfflinePutsItBack) {
    const fs::path software = dir() / kConfig / "SOFTWARE";
    const Hive before = exported(software);
    const tavrin_test::FolderSnapshot files_before = tavrin_test::snapshot(dir());
    auto machine = platform::Machine::open(dir());
    const platform::CurrentMachineScope current(*machine);
    engine::Reg_Cleaner cleaner;
    std::vector<std::string> found;
    cleaner.FoundError.subscribe([&](std::string& entry) { found.push_back(entry); });
    cleaner.ScanRegistry();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0].find("gone.dll"), std::string::npos) << found[0];
    cleaner.CleanRegistry(found[0]);
    machine->flush();
    Hive without = before;
    without["\\Microsoft\\Windows\\CurrentVersion\\SharedDlls"].erase("C:\\Program Files\\Gone\\gone.dll");
    EXPECT_TRUE(exported(software) == without);
    EXPECT_EQ(tavrin_test::changes(files_before, tavrin_test::snapshot(dir())), "changed: WINDOWS/system32/config/SOFTWARE\n")
        << "the backup lies in the installation";

    cleaner.RestoreReg(found[0]);
    machine->flush();
    EXPECT_TRUE(exported(software) == before);
}

TEST_F(InstallationCleanTest, AHibernatedInstallationOrAnUnfinishedHiveRefusesEveryChangeAndIsStillPreviewed) {
    const Result preview = clean_or_preview("preview");
    const fs::path software = dir() / kConfig / "SOFTWARE";
    // The first sequence number one ahead of the second, and the header's checksum changed with it.
    const auto bump_sequence = [&software] {
        std::fstream hive(software, std::ios::in | std::ios::out | std::ios::binary);
        for (const std::streamoff at : {4, 508}) {
            hive.seekg(at);
            const char byte = static_cast<char>(hive.get());
            hive.seekp(at).put(static_cast<char>(byte ^ 1));
        }
    };
    bump_sequence();
    tavrin_test::ScopedEnv german("LANG", "de_DE.UTF-8");
    for (const bool hibernated : {false, true}) {
        if (hibernated) {
            bump_sequence();
            std::ofstream(dir() / "hiberfil.sys", std::ios::binary) << "HIBR" << std::string(4092, '\0');
        }
        const std::string reason = hibernated ? "Windows auf " + dir().string() + " ist im Ruhezustand"
                                              : software.string() + ": Windows hat diese Registrierungsdatei nicht fertig geschrieben";
        const tavrin_test::FolderSnapshot before = tavrin_test::snapshot(dir());
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"clean", "windows.run-dialog"}, {"shred", "C:\\Program Files\\Quiet Diary\\diary.log"},
                 {"wipe-free-space", "c"}, {"plugins", "import", (folder_.path() / "rules.ini").string()}}) {
            const Result refused = command(args);
            EXPECT_NE(refused.status, 0) << args[0];
            EXPECT_NE(refused.err.find(reason), std::string::npos) << args[0] << ": " << refused.err;
        }
        EXPECT_EQ(clean_or_preview("preview").out, preview.out);
        std::ostringstream info;
        print_info(info);
        EXPECT_NE(info.str().find("\nNur lesen: " + reason), std::string::npos) << info.str();
        EXPECT_EQ(tavrin_test::changes(before, tavrin_test::snapshot(dir())), "");
    }
}
