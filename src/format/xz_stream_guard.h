#pragma once

#include <lzma.h>

namespace vantrel {

// Releases the coder's memory on every way out.
class StreamGuard {
  public:
    explicit StreamGuard(lzma_stream& stream) : stream_(stream) {}
    ~StreamGuard() { lzma_end(&stream_); }
    StreamGuard(const StreamGuard&) = delete;
    StreamGuard& operator=(const StreamGuard&) = delete;

  private:
    lzma_stream& stream_;
};

}  // namespace vantrel
