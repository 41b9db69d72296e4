#pragma once
// CURLHistory: the browser's URL history as a list of URLHistoryItem objects, with adding,
// deleting and clearing. The items are a snapshot: only Refresh (and the members that end with
// one) reads the store again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/class_table.h"
#include "platform/inet/url_history_store.h"

namespace engine {

// One visited URL as the history held it when the list was last refreshed.
class URLHistoryItem {
public:
    explicit URLHistoryItem(platform::inet::HistoryEntry entry) : entry_(std::move(entry)) {}

    // Dates in local time, as automation date values (days since 30 December 1899).
    double LastVisited() const;
    double Expires() const;
    double LastUpdated() const;
    const std::string& URL() const { return entry_.url; }
    const std::string& Title() const { return entry_.title; }
    uint32_t flags() const { return entry_.flags; }

private:
    platform::inet::HistoryEntry entry_;
};

class CURLHistory : public EngineObject {
public:
    using Items = std::vector<std::shared_ptr<URLHistoryItem>>;

    // Opens the current user's history on the current machine and lists it.
    CURLHistory();

    // Adds a visit; the list is not refreshed.
    void AddURL(const std::string& url, const std::string& title, uint32_t flags);
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // Forgets every visit, then lists the (empty) history again.
    void Clear();
    // Lists the visits whose URL begins with prefix; flags as the history store takes them.
    void Refresh(const std::string& prefix = "", uint32_t flags = 0);
    // 1-based; an index outside 1..Count raises EngineError 9.
    std::shared_ptr<URLHistoryItem> Item(int32_t index) const;
    // Deletes that item's URL from the history and drops it from the list.
    void Remove(int32_t index);
    // Deletes the URL from the history, then lists it again. flags: reserved, as the service's.
    void DeleteURL(const std::string& url, uint32_t flags);

    // For-each support.
    Items::const_iterator begin() const { return items_.begin(); }
    Items::const_iterator end() const { return items_.end(); }

private:
    size_t position(int32_t index) const;

    platform::inet::UrlHistory store_;
    Items items_;
};

}  // namespace engine
