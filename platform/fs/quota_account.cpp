#include "platform/fs/quota_account.h"

namespace platform::fs::detail {

uint64_t bytes_used(const std::filesystem::path& root) {
    namespace stdfs = std::filesystem;
    uint64_t total = 0;
    std::error_code ec;
    for (auto it = stdfs::recursive_directory_iterator(root, stdfs::directory_options::skip_permission_denied, ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code size_ec;
        if (it->symlink_status(size_ec).type() != stdfs::file_type::regular) continue;
        uintmax_t size = it->file_size(size_ec);
        if (!size_ec) total += size;
    }
    return total;
}

}  // namespace platform::fs::detail
