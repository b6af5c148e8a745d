#pragma once

#include <unknwn.h>

#include <utility>

namespace vantrel {

// Owns one reference to a COM interface and releases it when it goes.
template <typename Interface>
class ComPointer {
  public:
    ComPointer() = default;
    ComPointer(ComPointer&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPointer& operator=(ComPointer&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() { Reset(); }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For the creating calls that hand out a new reference: releases the one held first.
    void** Receive() {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void Reset() {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace vantrel
