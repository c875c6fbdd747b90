// Finding and loading the print module (src/print).

#include "print/PrintModule.h"

#include "kxlib/KXModules.h"

namespace rbx::print {

PrintFunction printFunction() {
    static const auto function = reinterpret_cast<PrintFunction>(kx::moduleFunction(ModuleName, EntryPoint));
    return function;
}

} // namespace rbx::print
