#pragma once
// Copying a folder tree of the machine, for backups that must be whole before the original goes.
#include <string>

namespace platform::fs {
class FileSystem;
}

namespace engine {

// Copies every file and subfolder of `from` into `to` (created where missing, files that exist
// there overwritten). Goes on past failures and returns true only when everything was copied;
// a symbolic link to a folder is never followed and counts as not copied. false when `from` is
// not a folder.
bool copy_folder(platform::fs::FileSystem& files, const std::string& from, const std::string& to);

}  // namespace engine
