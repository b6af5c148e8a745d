#pragma once

#include <windows.h>

#include <cstdint>

#include "format/data_area.h"

namespace vantrel {

// The data area read from the program file piece by piece, from `start` to the end of the
// file; used when the settings put the data after the section instead of inside it.
class FileDataAreaSource : public DataAreaSource {
  public:
    FileDataAreaSource(HANDLE file, std::uint64_t start, std::uint64_t length)
        : file_(file), start_(start), length_(length) {}

    std::uint64_t Length() const override { return length_; }
    bool ReadNext(std::uint8_t* out, std::size_t n) override;
    bool Rewind() override;
    std::uint64_t Position() const override { return position_; }
    // File offset of the next byte.
    std::uint64_t FilePosition() const { return start_ + position_; }

  private:
    HANDLE file_;
    std::uint64_t start_;
    std::uint64_t length_;
    std::uint64_t position_ = 0;
};

}  // namespace vantrel
