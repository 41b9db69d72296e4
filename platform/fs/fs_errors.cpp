#include "platform/fs/fs_errors.h"

#include <cerrno>
#include <cstring>

#include "platform/fs/unshared_open.h"

namespace platform::fs::detail {

namespace {

std::string reason(uint32_t code) {
    switch (code) {
        case error::FileNotFound: return "the file does not exist";
        case error::PathNotFound: return "the folder does not exist";
        case error::AccessDenied: return "access is denied";
        case error::InvalidHandle: return "the file is closed";
        case error::NotSameDevice: return "a folder cannot be moved to another drive";
        case error::NotReady: return "the drive is not ready";
        case error::SharingViolation: return "the file is in use";
        case error::NotSupported: return "the drive does not support this";
        case error::FileExists: return "the file exists";
        case error::DiskFull: return "there is not enough space on the disk";
        case error::InvalidName: return "the name is not valid";
        case error::DirNotEmpty: return "the folder is not empty";
        case error::AlreadyExists: return "it already exists";
        case error::FileTooLarge: return "the file is too large";
        case error::NotADirectory: return "it is not a folder";
    }
    return "error " + std::to_string(code);
}

}  // namespace

uint32_t win32_code(int host_errno) {
    switch (host_errno) {
        case ENOENT: return error::FileNotFound;
        case ENOTDIR: return error::PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return error::AccessDenied;
        case EXDEV: return error::NotSameDevice;
        case EBUSY:
        case ETXTBSY: return error::SharingViolation;
        case ENOTSUP: return error::NotSupported;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return error::DiskFull;
        case ENAMETOOLONG:
        case EILSEQ: return error::InvalidName;
        case ENOTEMPTY: return error::DirNotEmpty;
        case EEXIST: return error::AlreadyExists;
        case EIO:
        case ENODEV:
        case ENXIO: return error::NotReady;
    }
    return error::AccessDenied;
}

FsError fs_error(uint32_t code, std::string_view action, std::string_view windows_path) {
    return FsError(code, "Cannot " + std::string(action) + " \"" + std::string(windows_path) + "\": " + reason(code) + ".");
}

void throw_fs_error(uint32_t code, std::string_view action, std::string_view windows_path) {
    throw fs_error(code, action, windows_path);
}

void throw_host_error(int host_errno, std::string_view action, std::string_view windows_path) {
    if (auto refusal = unshared_refusal(host_errno)) {
        throw FsError(error::AccessDenied,
                      "Cannot " + std::string(action) + " \"" + std::string(windows_path) + "\": " + *refusal + ".");
    }
    uint32_t code = win32_code(host_errno);
    FsError plain = fs_error(code, action, windows_path);
    // Codes that lump several host causes together keep the host's own words as well.
    if (code == error::AccessDenied || code == error::NotReady) {
        std::string message = plain.what();
        message.insert(message.size() - 1, std::string(" (") + std::strerror(host_errno) + ")");
        throw FsError(code, message);
    }
    throw plain;
}

}  // namespace platform::fs::detail
