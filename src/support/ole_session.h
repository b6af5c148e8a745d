#pragma once

#include <ole2.h>

namespace vantrel {

// OLE for the calling thread, from construction to destruction. A failure only disables
// the shell features that need OLE, so it is remembered rather than reported.
class OleSession {
  public:
    OleSession() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() {
        if (initialized_)
            OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

    bool Initialized() const { return initialized_; }

  private:
    bool initialized_;
};

}  // namespace vantrel
