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

std::unique_ptr<rbx::network::Download> download(const rbx::network::Request& request,
                                                 rbx::network::DownloadReceiver& receiver) {
    using rbx::network::DownloadFunction;
    static const auto function = reinterpret_cast<DownloadFunction>(
        moduleFunction(rbx::network::ModuleName, rbx::network::DownloadEntryPoint));
    if (!function) return nullptr;
    return std::unique_ptr<rbx::network::Download>(function(request, &receiver));
}

} // namespace kx
