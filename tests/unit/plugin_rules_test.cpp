// Plug-ins of the rule form: its keys, its variables on both folder layouts, a clean with masks,
// recursion, wildcards, exclusions and REMOVESELF (and its preview), and the import of a rule file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/foundation/cregistry.h"
#include "engine/foundation/message_text.h"
#include "engine/plugins/plugins.h"
#include "engine/plugins/rule_folders.h"
#include "engine/plugins/rule_import.h"
#include "engine/plugins/rule_keys.h"
#include "engine/plugins/rule_variables.h"
#include "platform/fs/fs.h"
#include "platform/machine/machine.h"
#include "tests/unit/support/corpora.h"
#include "tests/unit/support/engine_registry.h"
#include "tests/unit/support/temp_machine.h"

namespace {

namespace fs = std::filesystem;
using engine::HKEY_CURRENT_USER;
using engine::HKEY_LOCAL_MACHINE;
using engine::KeyFault;
using engine::Plugin;
using engine::Plugins;

using tavrin_test::key_exists;
using tavrin_test::set_value;

std::vector<std::string> sorted_paths(const std::vector<platform::Removed>& removed) {
    std::vector<std::string> paths;
    for (const auto& one : removed) paths.push_back(std::string(platform::kind_name(one.kind)) + " " + one.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

class PluginRulesTest : public tavrin_test::MachineTest {
protected:
    PluginRulesTest() {
        plugins.ShowLog.subscribe([this](std::string& line) { log.push_back(line); });
    }
    bool exists(const std::string& windows_path) { return fs::exists(fs::symlink_status(temp.host(windows_path))); }
    std::string profile() { return "C:\\Documents and Settings\\" + machine().user_name(); }

    // What a preview of the plug-in lists and what its clean removes; the test fails when they differ.
    std::vector<std::string> preview_then_clean(const Plugin& plugin) {
        std::vector<std::string> previewed, cleaned;
        {
            platform::Recording recording(machine(), platform::RemovalLog::Mode::DryRun);
            plugins.cleanPlugin(plugin);
            previewed = sorted_paths(recording.finish());
        }
        {
            platform::Recording recording(machine(), platform::RemovalLog::Mode::Record);
            plugins.cleanPlugin(plugin);
            cleaned = sorted_paths(recording.finish());
        }
        EXPECT_EQ(previewed, cleaned) << plugin.Name << ": the preview lists what the clean removes";
        return cleaned;
    }

    Plugins plugins;
    std::vector<std::string> log;
};

TEST(RuleKeys, KeysReadAsTheFormatWritesThemAndBadOnesSayWhy) {
    const auto rule = engine::parse_file_rule("%LocalAppData%\\App\\Logs\\|*.log;*.tmp|RECURSE");
    ASSERT_TRUE(rule.key);
    EXPECT_EQ(rule.key->folder, "%LocalAppData%\\App\\Logs");
    EXPECT_EQ(rule.key->masks, (std::vector<std::string>{"*.log", "*.tmp"}));
    EXPECT_TRUE(rule.key->recurse);
    EXPECT_TRUE(engine::parse_file_rule("C:\\App|*|removeself").key->remove_self);
    for (const auto& [text, fault] : std::vector<std::pair<std::string, KeyFault>>{
             {"C:\\App|*.log|RECURSE|x", KeyFault::BadFileKey},
             {"C:\\App", KeyFault::BadFileKey},
             {"C:\\App|", KeyFault::BadFileKey},
             {"C:\\App|*|DELETEALL", KeyFault::UnknownFlag}})
        EXPECT_EQ(engine::parse_file_rule(text).fault, fault) << text;

    const auto value = engine::parse_rule_registry("HKCU\\Software\\App|Last File");
    ASSERT_TRUE(value.key);
    EXPECT_EQ(engine::long_registry_text(*value.key), "HKEY_CURRENT_USER\\Software\\App+ Value`= Last File");
    EXPECT_EQ(engine::parse_rule_registry("HKCU\\Software\\App*\\MRU").fault, KeyFault::RegistryWildcard);
    EXPECT_EQ(engine::parse_rule_registry("HKXX\\Software").fault, KeyFault::BadRegistryKey);
    EXPECT_EQ(engine::parse_rule_registry("HKLM").fault, KeyFault::BadRegistryKey);

    const auto file = engine::parse_exclusion("FILE|%AppData%\\App\\|keep.db;*.cfg");
    ASSERT_TRUE(file.key);
    EXPECT_EQ(file.key->folder, "%AppData%\\App");
    EXPECT_EQ(file.key->masks, (std::vector<std::string>{"keep.db", "*.cfg"}));
    const auto bare_file = engine::parse_exclusion("FILE|C:\\App\\keep.db");
    ASSERT_TRUE(bare_file.key);
    EXPECT_EQ(bare_file.key->masks, std::vector<std::string>{"keep.db"});
    EXPECT_TRUE(engine::parse_exclusion("PATH|C:\\App\\Saves\\").key->masks.empty());
    EXPECT_EQ(engine::parse_exclusion("REG|HKCU\\Software\\App\\Keep").key->kind, engine::Exclusion::Kind::Registry);
    EXPECT_EQ(engine::parse_exclusion("DIR|C:\\App").fault, KeyFault::BadExclusion);

    EXPECT_EQ(engine::detect_file_fault("%AppData%\\App*"), KeyFault::Usable);
    EXPECT_EQ(engine::detect_file_fault("%AppData%\\*\\App.exe"), KeyFault::DetectFileWildcard);
    const auto range = engine::parse_version_range("6.1|6.3");
    ASSERT_TRUE(range.key);
    EXPECT_TRUE(range.key->holds(6.2));
    EXPECT_FALSE(range.key->holds(10.0));
    EXPECT_TRUE(engine::parse_version_range("|6.1").key->holds(5.1));
    EXPECT_FALSE(engine::parse_version_range("six").key);
}

TEST_F(PluginRulesTest, VariablesMapOnBothLayoutsAndAnUnknownOneLeavesThePathUnusable) {
    const std::string xp = profile();
    {
        const engine::RuleVariables variables;
        EXPECT_EQ(variables.expand("%AppData%\\App").paths, std::vector<std::string>{xp + "\\Application Data\\App"});
        EXPECT_EQ(variables.expand("%ProgramData%\\App").paths,
                  std::vector<std::string>{"C:\\Documents and Settings\\All Users\\Application Data\\App"});
        EXPECT_EQ(variables.expand("%Music%").paths, std::vector<std::string>{xp + "\\My Documents\\My Music"});
        EXPECT_EQ(variables.expand("%LocalLowAppData%\\App").unusable,
                  "%LocalLowAppData% names no folder on this machine") << "Windows XP has no LocalLow folder";
        EXPECT_FALSE(variables.expand("%UserName%\\App").unusable.empty());
        EXPECT_FALSE(variables.expand("%Package\\App").unusable.empty()) << "no drive: never a relative path";
    }
    // The later layout, as a 64-bit Wine prefix's environment names it.
    const std::string environment = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
    set_value(HKEY_LOCAL_MACHINE, environment, "ProgramData", "C:\\ProgramData");
    set_value(HKEY_LOCAL_MACHINE, environment, "PUBLIC", "C:\\users\\Public");
    set_value(HKEY_LOCAL_MACHINE, environment, "ProgramFiles(x86)", "C:\\Program Files (x86)");
    const engine::RuleVariables variables;
    EXPECT_EQ(variables.expand("%ProgramFiles%\\App").paths,
              (std::vector<std::string>{"C:\\Program Files\\App", "C:\\Program Files (x86)\\App"}));
    EXPECT_EQ(variables.expand("%CommonAppData%\\App").paths, std::vector<std::string>{"C:\\ProgramData\\App"});
    EXPECT_EQ(variables.expand("%Public%").paths, std::vector<std::string>{"C:\\users\\Public"});
    EXPECT_EQ(variables.expand("%LocalLowAppData%").paths, std::vector<std::string>{xp + "\\AppData\\LocalLow"});
}

TEST_F(PluginRulesTest, ACleanTakesMasksSubfoldersWildcardsAndExclusionsAndItsPreviewListsTheSame) {
    for (const char* file : {"C:\\App\\Logs\\a.log", "C:\\App\\Logs\\notes.txt", "C:\\App\\Logs\\keep.log",
                             "C:\\App\\Logs\\sub\\b.log", "C:\\App\\Logs\\Saves\\slot.log", "C:\\App\\Cache\\x.bin",
                             "C:\\App\\Cache\\deep\\y.bin", "C:\\App\\Profiles\\p1\\cache2\\e1",
                             "C:\\App\\Profiles\\p2\\cache2\\e2", "C:\\App\\Profiles\\p2\\other\\o", "C:\\temp\\t.bin",
                             "C:\\Flat\\f.log", "C:\\Flat\\inner\\g.log"})
        temp.write_file(file, "x");
    set_value(HKEY_CURRENT_USER, "Software\\App\\MRU", "1", "a");
    set_value(HKEY_CURRENT_USER, "Software\\App", "Last", "b");
    set_value(HKEY_CURRENT_USER, "Software\\App", "Language", "en");
    set_value(HKEY_CURRENT_USER, "Software\\App\\History\\Keep", "k", "v");

    Plugin plugin;
    plugin.Name = "App";
    plugin.FileKeys = {"C:\\App\\Logs|*.log|RECURSE", "C:\\App\\Cache|*|REMOVESELF", "c:\\app\\profiles\\*\\cache2|*",
                       "C:\\Flat|*.log", "%SystemDrive%\\temp|*|RECURSE", "%UserName%\\x|*", "C:\\App|*|EVERYTHING"};
    plugin.ExcludeKeys = {"FILE|C:\\App\\Logs\\|keep.log", "PATH|C:\\App\\Logs\\Saves\\",
                          "REG|HKCU\\Software\\App\\History\\Keep"};
    plugin.RegKeys = {"HKCU\\Software\\App\\MRU", "HKCU\\Software\\App|Last", "HKCU\\Software\\App\\History"};
    const std::vector<std::string> removed = preview_then_clean(plugin);

    for (const char* gone : {"C:\\App\\Logs\\a.log", "C:\\App\\Logs\\sub\\b.log", "C:\\App\\Cache",
                             "C:\\App\\Profiles\\p1\\cache2\\e1", "C:\\App\\Profiles\\p2\\cache2\\e2", "C:\\Flat\\f.log"})
        EXPECT_FALSE(exists(gone)) << gone;
    for (const char* kept : {"C:\\App\\Logs\\notes.txt", "C:\\App\\Logs\\keep.log", "C:\\App\\Logs\\Saves\\slot.log",
                             "C:\\App\\Logs\\sub", "C:\\App\\Profiles\\p2\\cache2", "C:\\App\\Profiles\\p2\\other\\o",
                             "C:\\temp\\t.bin", "C:\\Flat\\inner\\g.log"})
        EXPECT_TRUE(exists(kept)) << kept;
    EXPECT_EQ(removed, (std::vector<std::string>{
                           "file C:\\App\\Cache\\deep\\y.bin", "file C:\\App\\Cache\\x.bin", "file C:\\App\\Logs\\a.log",
                           "file C:\\App\\Logs\\sub\\b.log", "file C:\\Flat\\f.log",
                           "file C:\\app\\profiles\\p1\\cache2\\e1", "file C:\\app\\profiles\\p2\\cache2\\e2",
                           "folder C:\\App\\Cache", "folder C:\\App\\Cache\\deep",
                           "key HKEY_CURRENT_USER\\Software\\App\\MRU", "value HKEY_CURRENT_USER\\Software\\App\\Last",
                           "value HKEY_CURRENT_USER\\Software\\App\\MRU\\1"}));
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "Software\\App\\MRU"));
    EXPECT_EQ(tavrin_test::value_names(HKEY_CURRENT_USER, "Software\\App"), std::vector<std::string>{"Language"});
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "Software\\App\\History\\Keep")) << "an excluded key is not taken with its parent";

    std::vector<std::string> refusals;
    for (const char* key : {"msg720", "msg721", "msg722", "msg724"})
        for (const std::string& line : log)
            if (line.starts_with(engine::GetMessageText(key) + ": App - ")) refusals.push_back(key);
    EXPECT_EQ(refusals, (std::vector<std::string>{"msg720", "msg720", "msg721", "msg721", "msg722", "msg722", "msg724", "msg724"}))
        << "each refused key once per run (preview and clean)";
}

TEST_F(PluginRulesTest, AFolderOutOfTheMachineIsRefusedWhateverTheRuleSays) {
    const fs::path outside = fs::path(temp.dir()).parent_path() / (temp.dir().filename().string() + "-outside");
    fs::create_directories(outside / "Cache");
    std::ofstream(outside / "Cache" / "kept.bin") << "x";
    fs::create_directories(temp.host("C:\\App"));
    fs::create_directory_symlink(outside, temp.host("C:\\App\\Linked"));
    Plugin plugin;
    plugin.Name = "Linked";
    plugin.FileKeys = {"C:\\App\\Linked\\Cache|*.bin"};
    plugins.cleanPlugin(plugin);
    EXPECT_TRUE(fs::exists(outside / "Cache" / "kept.bin"));
    EXPECT_EQ(log, std::vector<std::string>{engine::GetMessageText("msg723") + ": Linked - C:\\App\\Linked\\Cache"});
    fs::remove_all(outside);
}

// A rule's folders are found in listings of the folders above them, and must be the very folders
// a path lookup finds: in any case, the name as spelt before another spelling of it, a link to a
// folder by its name but never through a wildcard; what changed shows once the run forgets.
TEST_F(PluginRulesTest, RuleFoldersAreTheFoldersAPathLookupFinds) {
    temp.write_file("C:\\App\\Cache", "a file");
    fs::create_directories(temp.host("C:\\App") / "cache");
    fs::create_directories(temp.host("C:\\App") / "Logs");
    fs::create_directory_symlink(temp.host("C:\\App\\Logs"), temp.host("C:\\App\\LinkedLogs"));
    const platform::fs::FileSystem& files = machine().files();
    engine::RuleFolders folders;
    const auto agree = [&](const std::vector<std::string>& spellings) {
        std::vector<bool> found, looked_up;
        for (const std::string& spelt : spellings) {
            found.push_back(!folders.matching("C:\\App\\" + spelt).empty());
            looked_up.push_back(files.is_directory("C:\\App\\" + spelt));
        }
        EXPECT_EQ(found, looked_up);
        return found;
    };
    EXPECT_EQ(agree({"Cache", "cache", "CACHE", "logs", "LinkedLogs", "LINKEDLOGS", "Missing"}),
              (std::vector<bool>{false, true, false, true, true, true, false}));
    EXPECT_EQ(folders.matching("c:\\APP\\*Logs"), std::vector<std::string>{"c:\\APP\\Logs"});

    fs::remove(temp.host("C:\\App") / "Cache");
    fs::remove_all(temp.host("C:\\App") / "Logs");
    fs::create_directories(temp.host("C:\\App") / "LOGS");
    folders.forget();
    EXPECT_EQ(agree({"CACHE", "logs", "LinkedLogs"}), (std::vector<bool>{true, true, false}));
}

std::vector<std::string> names_of(const std::vector<Plugin>& plugins) {
    std::vector<std::string> names;
    for (const Plugin& plugin : plugins)
        if (!plugin.Name.empty()) names.push_back(plugin.Name);
    return names;
}

TEST_F(PluginRulesTest, AnImportTakesWhatIsInstalledReportsTheRestAndUpdatesOnlyWhatItImported) {
    set_value(HKEY_CURRENT_USER, "Software\\Installed", "v", "1");
    temp.write_file(profile() + "\\Application Data\\Toolbox\\tool.ini", "x");
    const std::string long_line = "FileKey9=%AppData%\\Toolbox\\" + std::string(5000, 'd') + "|*.log\n";
    const std::string text = "\xEF\xBB\xBF; comment\r\n[Installed *]\r\nLangSecRef=3021\r\nDetect=HKCU\\Software\\Installed\n"
        "Warning=Settings go too.\r\nFileKey1=%AppData%\\Installed|*.log\r\n"
        "[Found by file *]\nSection=Tools\nDetectFile=%AppData%\\Tool*\nFileKey2=%AppData%\\Toolbox|*.tmp\n"
        "FileKey3=%AppData%\\Toolbox|a|b|c\nFileKey4=%AppData%\\Toolbox\nFileKey7=%AppData%\\Toolbox|*|WIPE\n" + long_line +
        "RegKey1=HKCU\\Software\\Tool*\\MRU\nRegKey2=HKCU\\Software\\Toolbox|Last\n"
        "DetectFile2=%AppData%\\*\\tool.exe\nFileKey10=%SystemDrive%\\Temp|*|RECURSE\n"
        "[Absent *]\nDetect=HKCU\\Software\\Absent\nFileKey1=%AppData%\\Absent|*\n"
        "[Installed *]\nDetect=HKCU\\Software\\Installed\nFileKey1=%AppData%\\Again|*\n"
        "[Special *]\nSpecialDetect=DET_SOMETHING\nFileKey1=%AppData%\\Special|*\n"
        "[Unsafe exclusion *]\nDetect=HKCU\\Software\\Installed\nFileKey1=%AppData%\\X|*\nExcludeKey1=FILE|%Nowhere%\\|x\n";
    const engine::RuleImport report = engine::read_rule_file(text, false);

    ASSERT_EQ(names_of(report.definitions), (std::vector<std::string>{"Installed *", "Found by file *"}));
    EXPECT_EQ(report.not_installed, std::vector<std::string>{"Absent *"});
    std::vector<std::string> refused, dropped;
    for (const auto& one : report.refused) refused.push_back(one.name + ": " + one.reason);
    for (const auto& one : report.dropped) dropped.push_back(one.key + ": " + one.reason);
    EXPECT_EQ(refused, (std::vector<std::string>{"Installed *: a second entry of the same name",
                                                 "Special *: the key SpecialDetect is not one this program knows",
                                                 "Unsafe exclusion *: ExcludeKey1: %Nowhere% names no folder on this machine"}));
    EXPECT_EQ(dropped, (std::vector<std::string>{
                           "FileKey3: not a folder and file masks, with at most one flag",
                           "FileKey4: not a folder and file masks, with at most one flag",
                           "FileKey7: a flag other than RECURSE or REMOVESELF", "RegKey1: a wildcard in a registry path",
                           "DetectFile2: a wildcard before the last segment of a detection path",
                           "FileKey10: a top-level folder of a drive with its subfolders, without a file mask"}));
    const Plugin& warned = report.definitions[0];
    EXPECT_FALSE(warned.Default) << "an entry with a warning is imported unticked";
    EXPECT_EQ(warned.Cat, "Applications");
    EXPECT_EQ(warned.Detect, "HKEY_CURRENT_USER\\Software\\Installed") << "what an earlier version detects by";
    EXPECT_EQ(report.definitions[1].Cat, "Tools");
    EXPECT_EQ(report.definitions[1].FileKeys.size(), 2u) << "the 5,000-character key is kept whole";
    EXPECT_EQ(engine::read_rule_file(text, true).definitions.size(), 3u) << "--all keeps the absent one";

    // The user's own plug-in of a name is kept; an imported one is replaced by a new import.
    Plugin own;
    own.Name = "Found by file *";
    own.SetFOCList = "C:\\Mine";
    plugins.AddPlugin(own);
    EXPECT_EQ(plugins.ImportPlugins(report.definitions), std::vector<std::string>{"Found by file *"});
    Plugin changed = report.definitions[0];
    changed.FileKeys = {"%AppData%\\Changed|*"};
    EXPECT_TRUE(plugins.ImportPlugins({changed}).empty());
    const std::vector<Plugin> loaded = plugins.Load_Extra_plugins();
    ASSERT_EQ(names_of(loaded), (std::vector<std::string>{"Found by file *", "Installed *"}));
    EXPECT_EQ(loaded[0].foclist.at(1), "C:\\Mine");
    EXPECT_TRUE(loaded[0].FileKeys.empty());
    EXPECT_EQ(loaded[1].FileKeys, std::vector<std::string>{"%AppData%\\Changed|*"});
    EXPECT_EQ(loaded[1].Warning, "Settings go too.");
    EXPECT_FALSE(loaded[1].WarningSeen);
    plugins.WarningAccepted("Installed *");
    EXPECT_TRUE(plugins.Load_Extra_plugins()[1].WarningSeen) << "a warning accepted once is not shown again";
    EXPECT_EQ(loaded[1].Source, "winapp2.ini");
    EXPECT_TRUE(loaded[1].Exists);
}

TEST_F(PluginRulesTest, ABadFileIsRefusedAsAWholeOrEntryByEntryAndNeverTakesLong) {
    for (const std::string& text : {std::string(), std::string("\r\n\n; only a comment\n"), std::string("[A]\0\x01\x02", 6)})
        EXPECT_THROW(engine::read_rule_file(text, true), engine::RuleFileError) << text.size();
    std::string junk;
    uint32_t seed = 7;
    for (size_t i = 0; i < (50u << 20); ++i) {
        seed = seed * 1103515245u + 12345u;
        const char c = static_cast<char>(' ' + (seed >> 16) % 95);
        junk += (seed >> 8) % 61 == 0 ? '\n' : c;
    }
    const auto started = std::chrono::steady_clock::now();
    const engine::RuleImport report = engine::read_rule_file(junk, true);
    EXPECT_TRUE(report.definitions.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

// A concrete name a pattern matches: each "*" one letter, each "?" one letter.
std::string instance(std::string pattern, char letter) {
    std::replace(pattern.begin(), pattern.end(), '*', letter);
    std::replace(pattern.begin(), pattern.end(), '?', letter);
    return pattern;
}

bool claimed(const std::vector<engine::FileRule>& rules, const std::string& folder, const std::string& name,
             const engine::RuleVariables& variables) {
    return std::any_of(rules.begin(), rules.end(), [&](const engine::FileRule& rule) {
        const auto paths = variables.expand(rule.folder).paths;
        return std::any_of(paths.begin(), paths.end(), [&](const std::string& path) {
            return engine::folder_matches(path, folder, rule.recurse || rule.remove_self) &&
                   std::any_of(rule.masks.begin(), rule.masks.end(),
                               [&](const std::string& mask) { return platform::fs::wildcard_match(mask, name); });
        });
    });
}

// Every twentieth imported entry of the real rule file, on a machine that holds exactly what
// its keys name and decoys beside them: a file no mask takes, a sibling folder, a file in a
// subfolder, an excluded file, a neighbouring registry value and key.
TEST_F(PluginRulesTest, ASampleOfTheRealRuleFileRemovesItsTargetsAndLeavesItsDecoys) {
    const auto corpus = tavrin_test::corpus_file("winapp2/Winapp2.ini");
    if (!corpus) GTEST_SKIP() << "the winapp2.ini corpus is not beside the repository";
    std::ifstream in(*corpus, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const engine::RuleImport report = engine::read_rule_file(text, true);
    const engine::RuleVariables variables;
    size_t sampled = 0, file_keys = 0, recursive = 0, remove_self = 0, values = 0, keys = 0, exclusions = 0;
    for (size_t n = 0; n < report.definitions.size(); n += 20, ++sampled) {
        const Plugin& plugin = report.definitions[n];
        std::vector<engine::FileRule> rules;
        for (const auto& key : plugin.FileKeys) rules.push_back(*engine::parse_file_rule(key).key);
        std::vector<std::string> targets, decoys, kept_folders, gone_folders;
        for (const auto& rule : rules) {
            ++file_keys;
            const std::string folder = instance(variables.expand(rule.folder).paths.at(0), 'w');
            const std::string sub = folder + "\\zsubz";
            for (const auto& mask : rule.masks) targets.push_back(folder + "\\" + instance(mask == "*.*" ? "t.t" : mask, 't'));
            (rule.recurse || rule.remove_self ? targets : decoys).push_back(sub + "\\" + instance(rule.masks[0], 's'));
            decoys.push_back(folder.substr(0, folder.rfind('\\') + 1) + "zz sibling\\" + instance(rule.masks[0], 't'));
            decoys.push_back(folder + "\\decoy.zqzq");
            if (rule.recurse) kept_folders.push_back(folder);
            if (rule.remove_self) gone_folders.push_back(folder);
            recursive += rule.recurse;
            remove_self += rule.remove_self;
        }
        // A decoy another key of the same entry names is a target after all; a file an exclusion
        // keeps is a decoy whatever names it.
        std::erase_if(decoys, [&](const std::string& path) {
            const size_t slash = path.rfind('\\');
            return claimed(rules, path.substr(0, slash), path.substr(slash + 1), variables);
        });
        for (const auto& key : plugin.ExcludeKeys) {
            const engine::Exclusion exclusion = *engine::parse_exclusion(key).key;
            if (exclusion.kind == engine::Exclusion::Kind::Registry) continue;
            ++exclusions;
            const std::string folder = instance(variables.expand(exclusion.folder).paths.at(0), 'w');
            decoys.push_back(folder + "\\" + instance(exclusion.masks.empty() ? "kept.dat" : exclusion.masks[0], 'k'));
        }
        std::erase_if(targets, [&](const std::string& path) { return std::find(decoys.begin(), decoys.end(), path) != decoys.end(); });
        for (const auto& path : targets) temp.write_file(path, "target");
        for (const auto& path : decoys) temp.write_file(path, "decoy");
        std::vector<engine::RegistryEntry> registry;
        for (const auto& key : plugin.RegKeys) {
            engine::RegistryEntry entry = *engine::parse_rule_registry(key).key;
            // Other users' hives are not loaded on the test machine.
            if (entry.root == engine::HKEY_USERS) continue;
            const std::string value = entry.value.value_or("Recent");
            set_value(entry.root.value(), entry.key, value, "target");
            set_value(entry.root.value(), entry.key, "ZzNeighbour", "decoy");
            set_value(entry.root.value(), entry.key + " ZzSibling", "v", "decoy");
            (entry.value ? values : keys) += 1;
            registry.push_back(entry);
        }

        preview_then_clean(plugin);
        for (const auto& path : targets) EXPECT_FALSE(exists(path)) << plugin.Name << ": " << path;
        for (const auto& path : decoys) EXPECT_TRUE(exists(path)) << plugin.Name << ": " << path;
        for (const auto& folder : kept_folders) EXPECT_TRUE(exists(folder)) << plugin.Name << ": RECURSE keeps " << folder;
        for (const auto& folder : gone_folders) {
            const bool holds_decoy = std::any_of(decoys.begin(), decoys.end(), [&](const std::string& d) { return d.starts_with(folder + "\\"); });
            EXPECT_EQ(exists(folder), holds_decoy) << plugin.Name << ": REMOVESELF " << folder;
        }
        for (const auto& entry : registry) {
            const auto names = tavrin_test::value_names(entry.root.value(), entry.key);
            if (entry.value) {
                EXPECT_EQ(std::count(names.begin(), names.end(), *entry.value), 0) << plugin.Name;
                EXPECT_EQ(std::count(names.begin(), names.end(), "ZzNeighbour"), 1) << plugin.Name;
            } else {
                EXPECT_FALSE(key_exists(entry.root.value(), entry.key)) << plugin.Name << ": " << entry.key;
            }
            EXPECT_TRUE(key_exists(entry.root.value(), entry.key + " ZzSibling")) << plugin.Name;
        }
    }
    EXPECT_GE(sampled, 200u);
    EXPECT_TRUE(file_keys && recursive && remove_self && values && keys && exclusions)
        << "every kind of key is in the sample: " << file_keys << " " << recursive << " " << remove_self << " " << values
        << " " << keys << " " << exclusions;
}

}  // namespace
