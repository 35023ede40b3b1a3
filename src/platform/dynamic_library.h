// A closed library loaded at run time (the device library, the MES client):
// dlopen with RTLD_NOW, so a missing symbol of its own fails the load rather
// than a call, and RTLD_LOCAL, so its symbols never resolve anyone else's nor
// ours theirs. The one place the program calls dlopen.
//
// Owns the handle and closes it when it goes, unless KeepLoaded() was called
// (function pointers taken from it then stay valid for the process's life).
// Move-only; any thread, but not one object from two threads at once.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <string>

namespace varnet {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // "<path>: <the loader's reason>" when it cannot be loaded.
    Status Open(const std::filesystem::path& path);
    bool IsOpen() const { return handle_ != nullptr; }
    // The exported symbol, or nullptr.
    void* Find(const char* name) const;
    template <class Function> Function Get(const char* name) const {
        return reinterpret_cast<Function>(Find(name));
    }
    void KeepLoaded() { handle_ = nullptr; }

private:
    void* handle_ = nullptr;
};

} // namespace varnet
