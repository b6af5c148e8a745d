#include "support/crash_filter.h"

#include <windows.h>

namespace vantrel {
namespace {

LONG WINAPI EngineCrashFilter(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void InstallCrashFilter() {
    SetUnhandledExceptionFilter(&EngineCrashFilter);
}

}  // namespace vantrel
