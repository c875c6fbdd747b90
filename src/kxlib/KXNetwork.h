#pragma once
// Downloads go through the network module (src/network), loaded on the first download.

#include "network/NetworkModule.h"

namespace kx {

// The module's answer; an answer with an error when the module cannot be loaded.
rbx::network::Answer fetch(const rbx::network::Request& request);

} // namespace kx
