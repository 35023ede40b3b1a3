#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <utility>

namespace varnet {

DynamicLibrary::~DynamicLibrary() {
    if (handle_)
        ::dlclose(handle_);
}

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
    if (this != &other) {
        if (handle_)
            ::dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Status DynamicLibrary::Open(const std::filesystem::path& path) {
    if (handle_)
        ::dlclose(handle_);
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_)
        return Status::Ok();
    const char* why = ::dlerror();
    return Status::Error(path.string() + ": " + (why ? why : "cannot be loaded"));
}

void* DynamicLibrary::Find(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

} // namespace varnet
