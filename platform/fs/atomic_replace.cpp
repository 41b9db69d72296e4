#include "platform/fs/atomic_replace.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/fs/dos_attributes.h"
#include "platform/fs/write_faults.h"

namespace platform::fs {

namespace {

// A replacement is written beside its file as ".<name>.tavrin-" and six letters of mkstemp.
constexpr std::string_view kTempInfix = ".tavrin-";
constexpr size_t kTempLetters = 6;

std::string temp_prefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + std::string(kTempInfix);
}

// A long run is written in pieces of this size, each handed to the device as soon as it is written.
constexpr size_t kWriteBackPiece = 4 << 20;

// mkstemp makes 0600 files; a new file should get the permissions any other program would give it.
mode_t new_file_mode() {
    static const mode_t mode = [] {
        mode_t mask = umask(0);
        umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

bool is_there(const std::filesystem::path& file) {
    struct stat st;
    return ::stat(file.c_str(), &st) == 0;
}

}  // namespace

void sync_folder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void remove_unfinished_replacements(const std::filesystem::path& target) {
    const std::string prefix = temp_prefix(target);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + kTempLetters && name.starts_with(prefix)) ::unlink(entry.path().c_str());
    }
}

AtomicReplacement::AtomicReplacement(std::filesystem::path target, const std::filesystem::path& like)
    : target_(std::move(target)), temp_path_((target_.parent_path() / temp_prefix(target_)).string() + "XXXXXX") {
    // Close-on-exec: the descriptor may be held after the save, and no child may inherit it.
    fd_ = ::mkostemp(temp_path_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        create_error_ = errno;
        return;
    }
    if (is_there(like)) detail::copy_attributes(like, fd_);
    else ::fchmod(fd_, new_file_mode());
}

AtomicReplacement::~AtomicReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!placed_ && create_error_ == 0) ::unlink(temp_path_.c_str());
}

int AtomicReplacement::write(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t piece = std::min(bytes.size() - done, kWriteBackPiece);
        const ssize_t n =
            write_faults::injected(write_faults::Step::write) ? -1 : ::write(fd_, bytes.data() + done, piece);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        // Only a hint: the flush is what makes it durable, whether the device started early or not.
        ::sync_file_range(fd_, written_, n, SYNC_FILE_RANGE_WRITE);
        written_ += n;
        done += static_cast<size_t>(n);
    }
    return 0;
}

int AtomicReplacement::flush() {
    return write_faults::injected(write_faults::Step::flush) || ::fsync(fd_) != 0 ? errno : 0;
}

int AtomicReplacement::rename_to(unsigned int flags) {
    if (::renameat2(AT_FDCWD, temp_path_.c_str(), AT_FDCWD, target_.c_str(), flags) != 0) return errno;
    placed_ = true;
    return 0;
}

int AtomicReplacement::put_in_place() {
    if (write_faults::injected(write_faults::Step::rename)) return errno;
    return rename_to(0);
}

AtomicReplacement::Placed AtomicReplacement::put_in_place_unless_changed(
    const std::function<bool(const std::filesystem::path& file)>& unchanged) {
    const bool target_exists = is_there(target_);
    // Asked before the swap as well, so that a file another program wrote while ours was being
    // written is never replaced, not even for a moment.
    if (target_exists && !unchanged(target_)) return {Placed::Refused};
    if (write_faults::injected(write_faults::Step::rename)) return {Placed::Failed, errno};
    if (target_exists) {
        const int swapped = rename_to(RENAME_EXCHANGE);
        if (swapped == 0) {
            // What the swap took out is what stood under the name at that instant.
            if (unchanged(temp_path_)) {
                ::unlink(temp_path_.c_str());
                return {Placed::Replaced};
            }
            // Written by another program between the check and the swap: its file goes back.
            if (const int back = rename_to(RENAME_EXCHANGE)) {
                ::close(std::exchange(fd_, -1));
                return {Placed::KeptAside, back};
            }
            placed_ = false;  // ours is back under the temporary name
            return {Placed::Refused};
        }
        // Gone since the check, or a file system that cannot swap.
        if (swapped != ENOENT && swapped != EINVAL && swapped != ENOSYS && swapped != EOPNOTSUPP)
            return {Placed::Failed, swapped};
    }
    // A file that is gone holds nobody's changes, unless one turns up under its name meanwhile.
    const int added = rename_to(RENAME_NOREPLACE);
    if (added == 0) return {Placed::Replaced};
    if (added == EEXIST) return {Placed::Refused};
    if (const int renamed = rename_to(0)) return {Placed::Failed, renamed};
    return {Placed::Replaced};
}

int AtomicReplacement::release() { return std::exchange(fd_, -1); }

}  // namespace platform::fs
