#include "engine/tools/isb.h"

#include "platform/text/ascii_case.h"

namespace engine {

using platform::text::iequals;

TAVRIN_ENGINE_CLASS(ISB, "{FD7B0DF7-DD36-42F4-B49D-046DDCCD8586}");

namespace {

// The segment size is always the packet size less 40 bytes of IP and TCP headers.
Connectionsettings preset(int32_t mtu) {
    Connectionsettings settings;
    settings.MTU = mtu;
    settings.MSS = mtu - 40;
    return settings;
}

}  // namespace

// In the order SetType compares them.
ISB::ISB()
    : presets_{{{"DIAL", preset(576)}, {"CABLE", preset(1500)}, {"LAN", preset(1500)}, {"DSL", preset(1492)}}} {}

Variant ISB::SetType(Connectionsettings& i, const std::string& mode) {
    for (const auto& [name, settings] : presets_) {
        if (iequals(mode, name)) {
            i = settings;
            break;
        }
    }
    return {};
}

void ISB::RegistrySetting(Connectionsettings&) {}

}  // namespace engine
