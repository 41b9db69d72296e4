#include "app/features/cleaning/catalogue_variable.h"

#include <string>
#include <vector>

#include "app/features/cleaning/caution_question.h"
#include "app/kernel/shell.h"
#include "engine/catalogue/cleaning_catalogue.h"
#include "platform/text/bar_list.h"

namespace app {

void set_catalogue_variables(Shell& shell) {
    for (const engine::CatalogueCategory& category : engine::cleaning_catalogue()) {
        std::vector<std::string> parts{category.command, category.enabled};
        for (const engine::CatalogueItem& item : category.items) parts.push_back(item.variable);
        shell.stage().set_variable(kMainMovie, "_root.CleaningScreen_" + category.screen, platform::text::join_bars(parts));
    }
    shell.stage().set_variable(kMainMovie, "_root.CautionItems", cautious_item_variables());
}

}  // namespace app
