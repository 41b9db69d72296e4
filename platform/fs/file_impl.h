#pragma once
// What an open File holds; shared by File and the FileSystem that opens it.
#include <memory>
#include <string>

#include "platform/fs/fs.h"
#include "platform/fs/quota_account.h"

namespace platform::fs {

struct File::Impl {
    int fd = -1;
    std::string windows_path;  // for messages
    bool writable = false;
    std::shared_ptr<detail::QuotaAccount> quota;  // null when the drive has no quota
    // Opened for writing in a dry run: writes only move the size it pretends to have; fd, when
    // the file exists, is open for reading what it holds.
    bool dry = false;
    uint64_t dry_size = 0;

    ~Impl();
};

}  // namespace platform::fs
