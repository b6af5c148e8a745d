#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

// Longest text any length prefix may announce.
inline constexpr std::uint32_t kMaxTextLength = 0x40000000;

// A sequential reader over the settings stream with one operation to supply: read n bytes.
// A read that runs past the end copies what is left, fills the rest with zero bytes and
// reports failure; the caller goes on, so a truncated stream reads as zeros. The typed
// reads below never stop either: they remember the failure in Failed().
class StreamReader {
  public:
    virtual ~StreamReader() = default;

    // Copies up to n bytes to `out`, zero-fills the rest of the n, and returns how many
    // bytes were real.
    virtual std::size_t Read(void* out, std::size_t n) = 0;

    bool Failed() const { return failed_; }

    bool Bytes(void* out, std::size_t n);
    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    double F64();

    // Length-prefixed bytes. A length above kMaxTextLength (VarText) or a negative one
    // (Text32) is a failure and reads as empty. A text cut off by the end of the stream
    // holds only the bytes that were there: the zero tail is not materialised, so a bogus
    // length never makes us allocate more than the stream holds.
    std::vector<std::uint8_t> VarText();
    std::vector<std::uint8_t> Text8();
    std::vector<std::uint8_t> Text16();
    std::vector<std::uint8_t> Text32();
    std::vector<std::uint8_t> Fixed(std::size_t n);
    std::string CText();
    std::wstring WText();

    // The same texts as UTF-16 (wide) or 8-bit strings.
    std::wstring VarTextW();
    std::string VarText8();
    std::wstring Text16W();
    std::wstring Text32W();
    std::string Text8A();

    // `length` bytes (as many as there are when the stream ends first).
    std::vector<std::uint8_t> Counted(std::uint64_t length);

    std::uint64_t Position() const { return position_; }

  private:
    bool failed_ = false;
    std::uint64_t position_ = 0;
};

// The stream over a buffer in memory.
class MemoryStreamReader : public StreamReader {
  public:
    explicit MemoryStreamReader(std::span<const std::uint8_t> data) : data_(data) {}
    std::size_t Read(void* out, std::size_t n) override;
    std::size_t Remaining() const { return data_.size() - offset_; }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t offset_ = 0;
};

}  // namespace vantrel
