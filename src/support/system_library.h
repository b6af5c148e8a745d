#pragma once

#include <windows.h>

#include <utility>

namespace vantrel {

// Loads a system DLL from the system folder by full path (never through the search path,
// so a planted copy beside the installer is never picked up). Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// Owns a loaded library and frees it when it goes.
class UniqueLibrary {
  public:
    UniqueLibrary() = default;
    explicit UniqueLibrary(HMODULE module) : module_(module) {}
    UniqueLibrary(UniqueLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
    UniqueLibrary& operator=(UniqueLibrary&& other) noexcept {
        if (this != &other) {
            Reset();
            module_ = std::exchange(other.module_, nullptr);
        }
        return *this;
    }
    UniqueLibrary(const UniqueLibrary&) = delete;
    UniqueLibrary& operator=(const UniqueLibrary&) = delete;
    ~UniqueLibrary() { Reset(); }

    HMODULE Get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    void Reset() {
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = nullptr;
    }

  private:
    HMODULE module_ = nullptr;
};

// A function of a loaded module as a typed pointer, or null.
template <typename Function>
Function ModuleFunction(HMODULE module, const char* name) {
    if (module == nullptr)
        return nullptr;
    const FARPROC address = GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

}  // namespace vantrel
