#include "engine/catalogue/category_cleaner.h"

#include "engine/foundation/engine_error.h"

namespace engine {

CategoryCleaner::CategoryCleaner(const CatalogueCategory& category, Event<std::string>::Handler log)
    : object_(category.create()) {
    if (object_) relay_.emplace(category.show_log(*object_), std::move(log));
}

void CategoryCleaner::clean(const CatalogueItem& item, bool ticked) {
    const CleaningStep& step = ticked ? item.ticked : item.unticked;
    if (object_ && step) ignore_errors([&] { step(*object_); });
}

}  // namespace engine
