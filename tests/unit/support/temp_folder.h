#pragma once
// An empty folder under /tmp for one test, removed with everything in it afterwards.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tavrin_test {

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/tavrin-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes a file (creating folders) at a path relative to the folder.
    void write(const std::filesystem::path& relative, const std::string& contents) const {
        std::filesystem::create_directories((path_ / relative).parent_path());
        std::ofstream(path_ / relative, std::ios::binary) << contents;
    }

private:
    std::filesystem::path path_;
};

}  // namespace tavrin_test
