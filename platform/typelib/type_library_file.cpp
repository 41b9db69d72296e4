// Type libraries of files on the machine's drives, read in place through bounded reads.
#include "platform/fs/fs.h"
#include "platform/typelib/type_library.h"

namespace platform::typelib {

namespace {

// Reads through an open file of the machine.
class FileSource : public ByteSource {
public:
    explicit FileSource(const fs::File& file) : file_(file), size_(file.size()) {}
    uint64_t size() const override { return size_; }
    bool read(uint64_t offset, std::span<uint8_t> buffer) const override {
        if (offset > size_ || buffer.size() > size_ - offset) return false;
        return file_.read_at(offset, buffer) == buffer.size();
    }

private:
    const fs::File& file_;
    uint64_t size_;
};

}  // namespace

std::optional<TypeLibrary> open_type_library(fs::FileSystem& files, std::string_view windows_path) {
    try {
        auto file = files.open(windows_path, fs::File::Mode::Read);
        FileSource source(file);
        auto guid = embedded_library_guid(source);
        if (!guid) return std::nullopt;
        return TypeLibrary{std::string(windows_path), guid_text(*guid)};
    } catch (const fs::FsError& failed) {
        // Gone meanwhile: no type library to read. Anything else (a file refused as no regular
        // file, locked, unreadable) is the caller's to report.
        if (failed.code() == fs::error::FileNotFound || failed.code() == fs::error::PathNotFound) return std::nullopt;
        throw;
    }
}

}  // namespace platform::typelib
