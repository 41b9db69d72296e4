#include "engine/foundation/logger.h"

#include "engine/foundation/clock.h"
#include "engine/foundation/engine_error.h"
#include "engine/foundation/engine_folder.h"
#include "engine/foundation/message_text.h"
#include "engine/foundation/regional_format.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Logger, "{2E4BD5FD-D274-4AF9-AC7D-119C3F5A30AB}");

namespace {

constexpr int32_t kPathNotFound = 76;
constexpr int32_t kPathFileAccessError = 75;

std::string log_line(const LocalTime& time, const std::string& section, const std::string& text) {
    return "\"" + short_date_text(time) + "     " + time_text(time) + "\"\t" + section + text + "\r\n";
}

std::string log_file_name(int year, int month, int day) {
    return std::to_string(day) + "-" + std::to_string(month) + "-" + std::to_string(year) + "_Log.txt";
}

std::span<const uint8_t> bytes_of(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void append(platform::fs::FileSystem& files, std::string_view path, const std::string& line) {
    auto file = files.open(path, platform::fs::File::Mode::WriteInPlace);  // created on the day's first line
    file.append(bytes_of(line));
    file.close();
}

[[noreturn]] void throw_logs_missing() {
    throw EngineError(kPathNotFound, "Tavrin.Logger", "Path not found: " + engine_path("Logs"));
}

[[noreturn]] void throw_write_failed(const std::string& path, const platform::fs::FsError& error) {
    throw EngineError(kPathFileAccessError, "Tavrin.Logger", std::string("Cannot write ") + path + ": " + error.what());
}

}  // namespace

std::string log_file_path(int year, int month, int day) {
    return engine_path("Logs\\" + log_file_name(year, month, day));
}

Variant Logger::AddToLog(std::string& Section, std::string& Txt) {
    // The file name and the line each read the clock, so a call across midnight may stamp a line
    // with the next day in the previous day's file.
    LocalTime day = now();
    std::string path = log_file_path(day.year, day.month, day.day);
    auto& files = platform::current_machine().files();
    if (!files.is_directory(engine_path("Logs"))) throw_logs_missing();
    try {
        append(files, path, log_line(now(), Section, Txt));
    } catch (const platform::fs::FsError& error) {
        throw_write_failed(path, error);
    }
    return {};
}

void LogWriter::AddToLog(std::string& Section, std::string& Txt) {
    // One reading of the clock names the file and stamps the line, so both agree at midnight.
    const LocalTime time = now();
    if (!logs_) logs_ = platform::current_machine().files().open_folder(engine_path("Logs"));
    if (!logs_) throw_logs_missing();
    const std::string line = log_line(time, Section, Txt);
    try {
        day_file(log_file_name(time.year, time.month, time.day)).append(bytes_of(line));
    } catch (const platform::fs::FsError& error) {
        day_file_.reset();
        // The folder went away after it was looked up: missing, as if it had never been there.
        if (error.code() == platform::fs::error::PathNotFound) {
            logs_.reset();
            throw_logs_missing();
        }
        throw_write_failed(log_file_path(time.year, time.month, time.day), error);
    }
}

platform::fs::File& LogWriter::day_file(const std::string& name) {
    if (!day_file_ || day_file_name_ != name || !day_file_->has_name()) {
        day_file_.reset();
        day_file_ = logs_->open(name, platform::fs::File::Mode::WriteInPlace);  // created on the day's first line
        day_file_name_ = name;
    }
    return *day_file_;
}

std::string Logger::getLogPath() { return engine_folder(); }

void log_unread_file(const std::string& reason) {
    std::string section = GetMessageText("msg450") + " ", text = reason;
    ignore_errors([&] { Logger().AddToLog(section, text); });
}

}  // namespace engine
