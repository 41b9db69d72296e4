// Another program saves the hive files while the registry store holds changes of its own: nothing
// it saved is overwritten, our changes are carried over key by key where they do not meet its
// own, and what could not be carried over is named.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/fs/write_faults.h"
#include "platform/registry/registry.h"

namespace fs = std::filesystem;
using namespace platform::registry;

namespace {

std::vector<uint8_t> sz(std::string_view text) {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

class OutsideChanges : public ::testing::Test {
protected:
    OutsideChanges() {
        std::random_device random;
        dir = fs::temp_directory_path() / ("tavrin-outside-" + std::to_string(random()));
        fs::create_directories(dir);
        // What both programs start from: four keys with a value each, saved.
        Registry base(dir);
        for (const char* key : {"Software\\Shared\\Ours", "Software\\Shared\\Both", "Software\\Shared\\Doomed",
                                "Software\\Shared\\Leaf"}) {
            EXPECT_EQ(base.create_key(Root::CurrentUser, key), Status::Ok);
            EXPECT_EQ(base.set_value(Root::CurrentUser, key, "v", type::Sz, sz("base")), Status::Ok);
        }
        base.flush();
    }
    ~OutsideChanges() override { fs::remove_all(dir); }

    void set(Registry& registry, const std::string& key, const std::string& name, const std::string& text) {
        ASSERT_EQ(registry.create_key(Root::CurrentUser, key), Status::Ok);
        ASSERT_EQ(registry.set_value(Root::CurrentUser, key, name, type::Sz, sz(text)), Status::Ok);
    }

    // The value as a fresh load of the files sees it; "(none)" when it is missing.
    std::string on_disk(const std::string& key, const std::string& name) {
        Registry fresh(dir);
        Value value;
        if (fresh.query_value(Root::CurrentUser, key, name, value) != Status::Ok) return "(none)";
        return std::string(value.data.begin(), value.data.end() - 1);
    }

    bool key_on_disk(const std::string& key) { return Registry(dir).key_exists(Root::CurrentUser, key); }

    // What a text editor or a script does: a key added at the end of user.reg, in place.
    void append_key(const std::string& name) {
        std::ofstream(dir / "user.reg", std::ios::binary | std::ios::app)
            << "\n[Software\\\\" << name << "] 1700000000\n\"by\"=\"them\"\n";
    }

    std::vector<std::string> stray_files() const {
        std::vector<std::string> stray;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "system.reg" && name != "user.reg" && name != "userdef.reg") stray.push_back(name);
        }
        return stray;
    }

    fs::path dir;
};

TEST_F(OutsideChanges, OurChangesAreCarriedOverOntoWhatAnotherProgramSaved) {
    Registry ours(dir);
    set(ours, "Software\\Shared\\Ours", "v", "ours");
    set(ours, "Software\\Shared\\New\\Deep", "n", "added here");
    ASSERT_EQ(ours.delete_value(Root::CurrentUser, "Software\\Shared\\Doomed", "v"), Status::Ok);
    ASSERT_EQ(ours.delete_key(Root::CurrentUser, "Software\\Shared\\Leaf"), Status::Ok);
    set(ours, "Software\\Shared\\Both", "v", "the same");
    {
        Registry theirs(dir);  // another program, on keys of its own and one change we also made
        set(theirs, "Software\\Other", "w", "theirs");
        set(theirs, "Software\\Shared\\Both", "v", "the same");
        theirs.flush();
    }
    EXPECT_TRUE(ours.flush().empty());
    EXPECT_FALSE(ours.has_unsaved_changes());
    EXPECT_EQ(on_disk("Software\\Other", "w"), "theirs");
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), "ours");
    EXPECT_EQ(on_disk("Software\\Shared\\New\\Deep", "n"), "added here");
    EXPECT_EQ(on_disk("Software\\Shared\\Doomed", "v"), "(none)");
    EXPECT_FALSE(key_on_disk("Software\\Shared\\Leaf"));
    EXPECT_EQ(on_disk("Software\\Shared\\Both", "v"), "the same");
    // What the other program saved is ours to read now as well.
    Value value;
    EXPECT_EQ(ours.query_value(Root::CurrentUser, "Software\\Other", "w", value), Status::Ok);
    EXPECT_TRUE(stray_files().empty());
}

TEST_F(OutsideChanges, WhereBothChangedAKeyTheOtherProgramsVersionStaysAndOursIsNamed) {
    Registry ours(dir);
    set(ours, "Software\\Shared\\Ours", "v", "ours");
    set(ours, "Software\\Shared\\Both", "mine", "ours");
    ASSERT_EQ(ours.delete_key(Root::CurrentUser, "Software\\Shared\\Leaf"), Status::Ok);
    set(ours, "Software\\Shared\\Doomed", "v", "ours");
    {
        Registry theirs(dir);
        set(theirs, "Software\\Shared\\Both", "v", "theirs");  // another value of the same key
        set(theirs, "Software\\Shared\\Leaf", "added", "theirs");
        ASSERT_EQ(theirs.delete_key(Root::CurrentUser, "Software\\Shared\\Doomed"), Status::Ok);
        theirs.flush();
    }
    const std::vector<std::string> not_saved = ours.flush();
    ASSERT_EQ(not_saved.size(), 3u);
    EXPECT_EQ(not_saved[0].rfind("HKEY_CURRENT_USER\\Software\\Shared\\Both keeps the values another program gave it", 0), 0u)
        << not_saved[0];
    EXPECT_EQ(not_saved[1].rfind("HKEY_CURRENT_USER\\Software\\Shared\\Leaf was not deleted", 0), 0u) << not_saved[1];
    EXPECT_EQ(not_saved[2].rfind("HKEY_CURRENT_USER\\Software\\Shared\\Doomed was deleted by another program", 0), 0u)
        << not_saved[2];
    EXPECT_EQ(on_disk("Software\\Shared\\Both", "v"), "theirs");
    EXPECT_EQ(on_disk("Software\\Shared\\Both", "mine"), "(none)");
    EXPECT_EQ(on_disk("Software\\Shared\\Leaf", "added"), "theirs");
    EXPECT_FALSE(key_on_disk("Software\\Shared\\Doomed"));
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), "ours");  // the change that met nothing is saved
    EXPECT_FALSE(ours.has_unsaved_changes());
}

TEST_F(OutsideChanges, AnUnchangedHiveIsReadAgainAndNeverWritten) {
    Registry ours(dir);
    {
        Registry theirs(dir);
        set(theirs, "Software\\Other", "w", "theirs");
        theirs.flush();
    }
    const std::string saved_by_them = [&] {
        std::ifstream in(dir / "user.reg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    const auto written = fs::last_write_time(dir / "user.reg");
    EXPECT_TRUE(ours.flush().empty());
    Value value;
    EXPECT_EQ(ours.query_value(Root::CurrentUser, "Software\\Other", "w", value), Status::Ok);
    std::ifstream in(dir / "user.reg", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), saved_by_them);
    EXPECT_EQ(fs::last_write_time(dir / "user.reg"), written);
}

// Once saved, a change is the other program's starting point too: a later merge neither drops it
// nor takes it for a change of ours that could still meet theirs.
TEST_F(OutsideChanges, MergesAgainAfterEachSave) {
    Registry ours(dir);
    set(ours, "Software\\Shared\\Ours", "v", "first");
    ours.flush();
    {
        Registry theirs(dir);
        set(theirs, "Software\\Shared\\Ours", "w", "theirs");  // the key we saved before: no conflict now
        theirs.flush();
    }
    set(ours, "Software\\Shared\\Both", "v", "second");
    EXPECT_TRUE(ours.flush().empty());
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), "first");
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "w"), "theirs");
    EXPECT_EQ(on_disk("Software\\Shared\\Both", "v"), "second");
}

// A key added here is "only ever ours" until it is saved; from then on another program may have
// deleted or changed it like any other key, and a later change of ours must not bring it back.
TEST_F(OutsideChanges, AKeyAddedHereIsLikeAnyOtherOnceSaved) {
    Registry ours(dir);
    set(ours, "Software\\Shared\\Added\\Deep", "v", "first");
    set(ours, "Software\\Shared\\Kept", "v", "first");
    ours.flush();
    {
        Registry theirs(dir);
        ASSERT_EQ(theirs.delete_key(Root::CurrentUser, "Software\\Shared\\Added\\Deep"), Status::Ok);
        ASSERT_EQ(theirs.delete_key(Root::CurrentUser, "Software\\Shared\\Added"), Status::Ok);
        set(theirs, "Software\\Shared\\Kept", "w", "theirs");
        theirs.flush();
    }
    set(ours, "Software\\Shared\\Added\\Deep", "v", "second");
    ASSERT_EQ(ours.delete_key(Root::CurrentUser, "Software\\Shared\\Kept"), Status::Ok);
    const std::vector<std::string> not_saved = ours.flush();
    ASSERT_EQ(not_saved.size(), 2u);
    EXPECT_EQ(not_saved[0].rfind("HKEY_CURRENT_USER\\Software\\Shared\\Added\\Deep was deleted by another program", 0), 0u)
        << not_saved[0];
    EXPECT_EQ(not_saved[1].rfind("HKEY_CURRENT_USER\\Software\\Shared\\Kept was not deleted", 0), 0u) << not_saved[1];
    EXPECT_FALSE(key_on_disk("Software\\Shared\\Added"));
    EXPECT_EQ(on_disk("Software\\Shared\\Kept", "w"), "theirs");
}

// An editor writes the file in place; a broken edit is never taken over, nor written over.
TEST_F(OutsideChanges, AHandEditInPlaceIsTakenInAndABrokenOneStopsTheSaveUntilItIsMended) {
    Registry ours(dir);
    set(ours, "Software\\Shared\\Ours", "v", "ours");
    const std::string good = [&] {
        std::ifstream in(dir / "user.reg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    {
        std::ofstream out(dir / "user.reg", std::ios::binary | std::ios::trunc);
        out << good << "\n[Software\\\\Edited] 1700000000\n\"by hand\"=\"yes\n";  // no closing quote
    }
    EXPECT_THROW(ours.flush(), HiveError);
    EXPECT_TRUE(ours.has_unsaved_changes());
    {
        std::ofstream out(dir / "user.reg", std::ios::binary | std::ios::trunc);
        out << good << "\n[Software\\\\Edited] 1700000000\n\"by hand\"=\"yes\"\n";
    }
    EXPECT_TRUE(ours.flush().empty());
    EXPECT_EQ(on_disk("Software\\Edited", "by hand"), "yes");
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), "ours");
    EXPECT_TRUE(stray_files().empty());
}

// Another program writes while our save is under way: while the replacement is written (found by
// the check before the swap) or just before the swap itself (found by what the swap took out).
// Its key stays and ours is carried over onto it; one that never stops wins, and ours waits.
TEST_F(OutsideChanges, AWriteDuringTheSaveIsNeverReplaced) {
    namespace faults = platform::write_faults;
    for (const auto step : {faults::Step::flush, faults::Step::rename}) {
        const std::string name = "During" + std::to_string(static_cast<int>(step));
        Registry ours(dir);
        set(ours, "Software\\Shared\\Ours", "v", name);
        bool written = false;
        faults::before(step, [&] {
            if (!std::exchange(written, true)) append_key(name);
        });
        EXPECT_TRUE(ours.flush().empty());
        faults::clear();
        EXPECT_EQ(on_disk("Software\\" + name, "by"), "them");
        EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), name);
        EXPECT_FALSE(ours.has_unsaved_changes());
    }

    Registry ours(dir);
    set(ours, "Software\\Shared\\Ours", "v", "waits");
    int writes = 0;
    faults::before(faults::Step::rename, [&] { append_key("Busy" + std::to_string(++writes)); });
    EXPECT_THROW(ours.flush(), HiveError);
    faults::clear();
    EXPECT_EQ(on_disk("Software\\Busy" + std::to_string(writes), "by"), "them");
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), "During2");
    EXPECT_TRUE(ours.has_unsaved_changes());
    EXPECT_TRUE(ours.flush().empty());
    EXPECT_EQ(on_disk("Software\\Shared\\Ours", "v"), "waits");
    EXPECT_TRUE(stray_files().empty());
}

}  // namespace
