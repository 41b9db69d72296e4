#include "engine/cleaners/url_history.h"

#include "engine/foundation/engine_error.h"
#include "platform/inet/filetime.h"
#include "platform/inet/user_folders.h"
#include "platform/machine/machine.h"

namespace engine {

TAVRIN_ENGINE_CLASS(CURLHistory, "{6C2F1E0A-4B7D-4C49-9E51-2A3F8D7B6C01}");

namespace {
constexpr int32_t kSubscriptOutOfRange = 9;
}

double URLHistoryItem::LastVisited() const { return platform::inet::filetime_to_local_date(entry_.last_visited); }
double URLHistoryItem::Expires() const { return platform::inet::filetime_to_local_date(entry_.expires); }
double URLHistoryItem::LastUpdated() const { return platform::inet::filetime_to_local_date(entry_.last_updated); }

CURLHistory::CURLHistory() : store_(platform::inet::user_url_history(platform::current_machine())) { Refresh(); }

void CURLHistory::AddURL(const std::string& url, const std::string& title, uint32_t flags) {
    store_.add(url, title, flags);
}

void CURLHistory::Clear() {
    store_.clear();
    Refresh();
}

void CURLHistory::Refresh(const std::string& prefix, uint32_t flags) {
    Items fresh;
    for (auto& entry : store_.entries(prefix, flags)) fresh.push_back(std::make_shared<URLHistoryItem>(std::move(entry)));
    items_ = std::move(fresh);
}

size_t CURLHistory::position(int32_t index) const {
    if (index < 1 || index > Count())
        throw EngineError(kSubscriptOutOfRange, "Tavrin.CURLHistory", "Subscript out of range");
    return static_cast<size_t>(index - 1);
}

std::shared_ptr<URLHistoryItem> CURLHistory::Item(int32_t index) const { return items_[position(index)]; }

void CURLHistory::Remove(int32_t index) {
    size_t at = position(index);
    store_.remove(items_[at]->URL());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(at));
}

void CURLHistory::DeleteURL(const std::string& url, uint32_t /*flags*/) {
    store_.remove(url);
    Refresh();
}

}  // namespace engine
