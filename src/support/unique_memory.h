#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace vantrel {

// Owns memory that a system call allocated for the caller and frees it with the matching
// function (LocalFree for FormatMessage and the security functions, CoTaskMemFree for the
// shell's paths).
template <typename Pointer, void (*Free)(void*)>
class UniqueSystemMemory {
  public:
    UniqueSystemMemory() = default;
    UniqueSystemMemory(const UniqueSystemMemory&) = delete;
    UniqueSystemMemory& operator=(const UniqueSystemMemory&) = delete;
    ~UniqueSystemMemory() { Reset(); }

    Pointer Get() const { return pointer_; }
    // The out-parameter of the allocating call.
    Pointer* Receive() {
        Reset();
        return &pointer_;
    }
    void Reset() {
        if (pointer_ != nullptr)
            Free(pointer_);
        pointer_ = nullptr;
    }

  private:
    Pointer pointer_ = nullptr;
};

inline void FreeLocalMemory(void* memory) {
    LocalFree(memory);
}
inline void FreeTaskMemory(void* memory) {
    CoTaskMemFree(memory);
}

template <typename Pointer>
using UniqueLocalMemory = UniqueSystemMemory<Pointer, &FreeLocalMemory>;
template <typename Pointer>
using UniqueTaskMemory = UniqueSystemMemory<Pointer, &FreeTaskMemory>;

}  // namespace vantrel
