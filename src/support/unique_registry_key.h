#pragma once

#include <windows.h>

#include <utility>

namespace vantrel {

// Owns an open registry key and closes it when it goes. The predefined roots are never owned.
class UniqueRegistryKey {
  public:
    UniqueRegistryKey() = default;
    explicit UniqueRegistryKey(HKEY key) : key_(key) {}
    UniqueRegistryKey(UniqueRegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    UniqueRegistryKey& operator=(UniqueRegistryKey&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.key_, nullptr));
        return *this;
    }
    UniqueRegistryKey(const UniqueRegistryKey&) = delete;
    UniqueRegistryKey& operator=(const UniqueRegistryKey&) = delete;
    ~UniqueRegistryKey() { Reset(); }

    HKEY Get() const { return key_; }
    // For the Reg*Ex functions that return a new key: closes the one held first.
    HKEY* Receive() {
        Reset();
        return &key_;
    }
    explicit operator bool() const { return key_ != nullptr; }
    void Reset(HKEY key = nullptr) {
        if (key_ != nullptr)
            RegCloseKey(key_);
        key_ = key;
    }

  private:
    HKEY key_ = nullptr;
};

}  // namespace vantrel
