#pragma once
// The installed languages: one "<name>.ini" file per language in the engine folder's languages folder.
#include <string>

#include "engine/foundation/class_table.h"

namespace engine {

class Language : public EngineObject {
public:
    // The names (file name up to its first dot) joined with "||", in directory order; "" for none.
    std::string GetLangList();
};

}  // namespace engine
