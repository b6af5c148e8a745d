// A stand-in COM server for the registration tests. DllRegisterServer creates the key
// HKCU\Software\VantrelTest\ComServers\<its own file name>, DllUnregisterServer removes it.
// Built in three variants:
//   plain                 registers wherever it is called;
//   REFUSE_IN_REGSVR32    fails inside regsvr32 (so only the in-process call registers it);
//   CRASH_ON_REGISTER     fails inside regsvr32 and crashes when called in process.
#include <windows.h>

static HINSTANCE self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}

static void KeyPath(wchar_t* out) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH - 1] = 0;
    const wchar_t* name = path;
    for (const wchar_t* at = path; *at; ++at)
        if (*at == L'\\')
            name = at + 1;
    lstrcpyW(out, L"Software\\VantrelTest\\ComServers\\");
    lstrcatW(out, name);
}

#if defined(REFUSE_IN_REGSVR32) || defined(CRASH_ON_REGISTER)
static int InsideRegsvr32(void) {
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(NULL, program, MAX_PATH);
    program[length < MAX_PATH ? length : MAX_PATH - 1] = 0;
    CharLowerW(program);
    for (const wchar_t* at = program; *at; ++at)
        if (at[0] == L'r' && at[1] == L'e' && at[2] == L'g' && at[3] == L's' && at[4] == L'v' &&
            at[5] == L'r')
            return 1;
    return 0;
}
#endif

__declspec(dllexport) HRESULT __stdcall DllRegisterServer(void) {
#if defined(REFUSE_IN_REGSVR32) || defined(CRASH_ON_REGISTER)
    if (InsideRegsvr32())
        return E_FAIL;
#endif
#if defined(CRASH_ON_REGISTER)
    volatile int* nowhere = (volatile int*)0;
    *nowhere = 1;
#endif
    wchar_t key[MAX_PATH + 64];
    KeyPath(key);
    HKEY created;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, NULL, 0, KEY_WRITE, NULL, &created, NULL) != ERROR_SUCCESS)
        return E_FAIL;
    RegCloseKey(created);
    return S_OK;
}

__declspec(dllexport) HRESULT __stdcall DllUnregisterServer(void) {
    wchar_t key[MAX_PATH + 64];
    KeyPath(key);
    return RegDeleteKeyW(HKEY_CURRENT_USER, key) == ERROR_SUCCESS ? S_OK : E_FAIL;
}
