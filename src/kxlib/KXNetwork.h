#pragma once
// Downloads go through the network module (src/network), loaded on the first download.

#include "network/NetworkModule.h"

#include <memory>

namespace kx {

// The module's answer; an answer with an error when the module cannot be loaded.
rbx::network::Answer fetch(const rbx::network::Request& request);
// A streamed download started on the calling thread; null when the module cannot be
// loaded.
std::unique_ptr<rbx::network::Download> download(const rbx::network::Request& request,
                                                 rbx::network::DownloadReceiver& receiver);

} // namespace kx
