#include "platform/LazyLibrary.h"

#include <dlfcn.h>

#include <cstdio>

namespace platform {

void LazyLibrary::open() {
  handle_ = dlopen(soname_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    std::fprintf(stderr, "cannot open %s: %s\n", soname_.c_str(), why != nullptr ? why : "unknown reason");
  }
}

void* LazyLibrary::symbol(const char* name) {
  std::call_once(opened_, [this] { open(); });
  if (handle_ == nullptr) return nullptr;
  void* address = dlsym(handle_, name);
  if (address == nullptr) std::fprintf(stderr, "%s has no function %s\n", soname_.c_str(), name);
  return address;
}

}  // namespace platform
