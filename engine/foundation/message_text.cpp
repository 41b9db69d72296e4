#include "engine/foundation/message_text.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "engine/foundation/engine_folder.h"
#include "engine/foundation/ini.h"
#include "engine/foundation/user_language.h"
#include "platform/ini/ini_document.h"
#include "platform/ini/profile.h"
#include "platform/machine/machine.h"

namespace engine {

namespace {

namespace stdfs = std::filesystem;

// A message file as last read, and how its file looked then: a run that logs every deletion
// asks for the same few texts thousands of times, and reading and parsing the file for each
// was a fifth of a large preview. The file is read again whenever it has changed on disk (an
// install writes it anew), and a table is kept per host file, so each machine has its own.
struct Table {
    stdfs::file_time_type written;
    uintmax_t size = 0;
    std::shared_ptr<const platform::ini::IniDocument> text;
};

std::shared_ptr<const platform::ini::IniDocument> message_table(const std::string& file) {
    static std::mutex mutex;
    static std::map<stdfs::path, Table> tables;
    auto& files = platform::current_machine().files();
    const auto host = files.to_host(file);
    if (!host) return std::make_shared<platform::ini::IniDocument>();
    std::error_code error;
    const auto written = stdfs::last_write_time(*host, error);
    const uintmax_t size = error ? 0 : stdfs::file_size(*host, error);
    std::lock_guard lock(mutex);
    Table& table = tables[*host];
    if (!error && table.text && table.written == written && table.size == size) return table.text;
    std::string text;
    try {
        text = files.read_text(file);
    } catch (const platform::fs::FsError&) {
        // A missing or unreadable file has no texts, as an empty one.
    }
    auto document = std::make_shared<const platform::ini::IniDocument>(std::move(text));
    // Without its size and time there is nothing to compare with next time: read again then.
    if (error) tables.erase(*host);
    else table = {written, size, document};
    return document;
}

}  // namespace

std::string GetMessageText(std::string_view key) {
    const std::string file = engine_path(is_german(user_language()) ? "skin\\msgsg.ini" : "skin\\msgs.ini");
    const auto table = message_table(file);
    // Read whole (see INI::kMessageBufferSize); one that is missing reads as it always has.
    std::string text(INI::kMessageBufferSize, '\0');
    const uint32_t length = platform::ini::profile_string(*table, "Orvane", std::string(key).c_str(), "", text.data(),
                                                          INI::kMessageBufferSize);
    if (length == 0) return INI::value_in(*table, "Orvane", std::string(key));
    text.resize(length);
    return text;
}

}  // namespace engine
