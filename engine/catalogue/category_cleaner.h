#pragma once
// The engine object one run of a catalogue category works with: created through the class table,
// its log lines handed on while it lives, each item's step run on it. A category whose class
// cannot be created cleans nothing.
#include <memory>
#include <optional>
#include <string>

#include "engine/catalogue/cleaning_catalogue.h"
#include "engine/foundation/event.h"

namespace engine {

class CategoryCleaner {
public:
    CategoryCleaner(const CatalogueCategory& category, Event<std::string>::Handler log);

    // The item's step when it is ticked; else its unticked step where it has one. A failing step
    // is passed over, so one bad item never keeps the user's other ticks from being cleaned.
    void clean(const CatalogueItem& item, bool ticked);
    // The object itself, for what a screen does besides its ticks; nullptr when there is none.
    EngineObject* object() const { return object_.get(); }

private:
    std::shared_ptr<EngineObject> object_;
    std::optional<EventRelay<std::string>> relay_;
};

}  // namespace engine
