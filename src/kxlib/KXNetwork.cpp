#include "kxlib/KXNetwork.h"

#include "kxlib/KXModules.h"

namespace kx {

rbx::network::Answer fetch(const rbx::network::Request& request) {
    using rbx::network::FetchFunction;
    static const auto function =
        reinterpret_cast<FetchFunction>(moduleFunction(rbx::network::ModuleName, rbx::network::EntryPoint));
    if (!function) return {std::nullopt, QStringLiteral("the network module is missing"), QString()};
    return function(request);
}

} // namespace kx
