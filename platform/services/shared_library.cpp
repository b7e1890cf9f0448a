#include "platform/services/shared_library.h"

#include <dlfcn.h>

namespace platform {

CSharedLibrary::CSharedLibrary(const char* soname) : m_soname(soname) {
    // Every function resolved now, so that a missing one fails here and not in the middle of a
    // run; local, so that its symbols never stand in for another library's.
    m_handle = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = ::dlerror();
        throw CLibraryUnavailable(reason != nullptr ? reason : "cannot open " + m_soname);
    }
}

void* CSharedLibrary::Symbol(const char* name) const {
    ::dlerror();
    void* symbol = ::dlsym(m_handle, name);
    if (symbol == nullptr) throw CLibraryUnavailable(m_soname + " has no function " + name);
    return symbol;
}

}  // namespace platform
