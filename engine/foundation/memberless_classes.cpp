#include "engine/foundation/memberless_classes.h"

namespace engine {

TAVRIN_ENGINE_CLASS(Dll_Cleaner, "{EF46A7B5-8E2D-497A-8DDF-F61748255C4D}");
TAVRIN_ENGINE_CLASS(cTimer, "{AC02542A-258B-41BE-BBC3-FF9176415F84}");

}  // namespace engine
