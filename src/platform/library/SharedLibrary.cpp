#include "platform/library/SharedLibrary.h"

#include <dlfcn.h>

namespace qx::platform {

Imports::Imports(const char* soname) : handle_(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
    complete_ = handle_ != nullptr;
    if (!handle_) {
        const char* why = ::dlerror();
        failure_ = why ? why : soname;
    }
}

void* Imports::symbol(const char* name) {
    void* p = handle_ ? ::dlsym(handle_, name) : nullptr;
    if (!p && complete_) {
        complete_ = false;
        failure_ = std::string(name) + " is missing from the library";
    }
    return p;
}

}  // namespace qx::platform
