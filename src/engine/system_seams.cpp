#include "engine/system_seams.h"

#include <windows.h>

#include <cstdint>

#include "support/system_info.h"
#include "support/system_library.h"

namespace vantrel {
namespace {

// The restore-point structures of srclient (the "W" forms).
constexpr DWORD kBeginSystemChange = 100;
constexpr DWORD kEndSystemChange = 101;
constexpr DWORD kApplicationInstall = 0;

struct RestorePointInfo {
    DWORD eventType;
    DWORD restorePointType;
    std::int64_t sequenceNumber;
    wchar_t description[256];
};

#pragma pack(push, 1)
struct RestoreManagerStatus {
    DWORD status;
    std::int64_t sequenceNumber;
};
#pragma pack(pop)

using SetRestorePoint = BOOL(WINAPI*)(RestorePointInfo*, RestoreManagerStatus*);
using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);

constexpr DWORD kSoundFromMemory = 0x0004;  // SND_MEMORY
constexpr DWORD kSoundAsync = 0x0001;       // SND_ASYNC
constexpr DWORD kSoundNoDefault = 0x0002;   // SND_NODEFAULT

}  // namespace

bool CreateSystemRestorePoint(const std::wstring& description, std::int64_t& sequence, std::wstring& error) {
    const UniqueLibrary library(LoadSystemLibrary(L"srclient.dll"));
    const auto function = ModuleFunction<SetRestorePoint>(library.Get(), "SRSetRestorePointW");
    if (function == nullptr) {
        error = SystemErrorText(GetLastError());
        return false;
    }
    RestorePointInfo info{};
    info.eventType = kBeginSystemChange;
    info.restorePointType = kApplicationInstall;
    lstrcpynW(info.description, description.c_str(), 256);
    RestoreManagerStatus status{};
    if (!function(&info, &status)) {
        error = SystemErrorText(status.status);
        return false;
    }
    sequence = status.sequenceNumber;
    return true;
}

bool CommitSystemRestorePoint(std::int64_t sequence) {
    const UniqueLibrary library(LoadSystemLibrary(L"srclient.dll"));
    const auto function = ModuleFunction<SetRestorePoint>(library.Get(), "SRSetRestorePointW");
    if (function == nullptr)
        return false;
    RestorePointInfo info{};
    info.eventType = kEndSystemChange;
    info.restorePointType = kApplicationInstall;
    info.sequenceNumber = sequence;
    RestoreManagerStatus status{};
    return function(&info, &status) != FALSE;
}

void RestartWindows() {
    EnablePrivilege(L"SeShutdownPrivilege");
    ExitWindowsEx(EWX_REBOOT, 0x80040002);
}

void PlayStartSound(const Bytes& wave) {
    if (wave.empty())
        return;
    // Never freed: the sound plays on after this returns.
    static const HMODULE winmm = LoadSystemLibrary(L"winmm.dll");
    const auto play = ModuleFunction<PlaySoundFunction>(winmm, "PlaySoundW");
    if (play != nullptr)
        play(reinterpret_cast<LPCWSTR>(wave.data()), nullptr,
             kSoundFromMemory | kSoundAsync | kSoundNoDefault);
}

}  // namespace vantrel
