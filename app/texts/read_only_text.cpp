#include "app/texts/read_only_text.h"

#include "app/texts/fill_in.h"

namespace app {

std::string read_only_text(const platform::ReadOnlyCause& cause,
                           const std::function<std::string(std::string_view message_key)>& texts) {
    using Kind = platform::ReadOnlyCause::Kind;
    switch (cause.kind) {
    case Kind::Hibernated: return fill_in(texts("msg990"), {cause.where.string()});
    case Kind::HiveUnfinished: return fill_in(texts("msg991"), {cause.where.string()});
    case Kind::HiveLogAhead: return fill_in(texts("msg992"), {cause.where.string(), cause.log});
    }
    return {};
}

}  // namespace app
