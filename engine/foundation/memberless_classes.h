#pragma once
// Two creatable classes of the library with no members: they exist so that creating them by
// name works as it always has, and do nothing.
#include "engine/foundation/class_table.h"

namespace engine {

class Dll_Cleaner : public EngineObject {};
class cTimer : public EngineObject {};

}  // namespace engine
