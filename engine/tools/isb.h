#pragma once
// ISB: the connection booster's preset TCP/IP values for the four connection types.
#include <array>
#include <string>
#include <utility>

#include "engine/foundation/class_table.h"
#include "engine/foundation/records.h"
#include "engine/foundation/variant.h"

namespace engine {

class ISB : public EngineObject {
public:
    ISB();

    // Copies the preset of "DIAL", "CABLE", "LAN" or "DSL" (any letter case) over i; any other
    // mode leaves i as it was.
    Variant SetType(Connectionsettings& i, const std::string& mode);
    // Deliberately changes nothing: which system values the record would map to is not defined,
    // and tuning a Windows registry does nothing for the host's own network stack anyway.
    void RegistrySetting(Connectionsettings& iboster);

private:
    std::array<std::pair<const char*, Connectionsettings>, 4> presets_;
};

}  // namespace engine
