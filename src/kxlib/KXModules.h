#pragma once
// The program's own modules (runebox-print, runebox-network): parts loaded only when first
// used, found beside the executable, under ../lib/runebox, or in the build tree.

#include <QFunctionPointer>

namespace kx {

// The entry point `entry` of the module `name`, loading the module once; null (and a log
// line) when it cannot be found or loaded. The module stays loaded.
QFunctionPointer moduleFunction(const char* name, const char* entry);

} // namespace kx
