#include "analysis/aubio_library.h"

#include <string>

#include "platform/services/shared_library.h"

namespace {

struct Loaded {
    AubioFunctions functions;
    std::string error;
};

Loaded Load() {
    Loaded loaded;
    try {
        // KAVRIN_AUBIO_SONAME is the soname of the library Kavrin was built against.
        static const platform::CSharedLibrary library(KAVRIN_AUBIO_SONAME);
#define KAVRIN_AUBIO_FIND(name) library.Find(loaded.functions.name, #name);
        KAVRIN_AUBIO_FUNCTIONS(KAVRIN_AUBIO_FIND)
#undef KAVRIN_AUBIO_FIND
    } catch (const platform::CLibraryUnavailable& error) {
        loaded.error = std::string("aubio cannot be loaded: ") + error.what();
    }
    return loaded;
}

}  // namespace

const AubioFunctions& Aubio() {
    static const Loaded loaded = Load();
    if (!loaded.error.empty()) throw platform::CLibraryUnavailable(loaded.error);
    return loaded.functions;
}
