// ANSI stand-ins for the three Unicode kernel32 functions that the static runtimes
// call: libgcc's mutex (taken when exception frames are registered and looked up)
// creates an unnamed semaphore with CreateSemaphoreW, and mingw-w64's run-time
// library finds msvcrt.dll and advapi32.dll with GetModuleHandleW and LoadLibraryW.
// Windows 95/98/Me export these three only as stubs that fail with
// ERROR_CALL_NOT_IMPLEMENTED.
//
// The runtime calls them through their import pointers (the __imp_ symbols of the
// import libraries). Defining those pointers here points the calls at the ANSI
// functions instead: the linker then takes no import of the Unicode ones, so the
// program imports none of them (the Windows 98 import check refuses them) and the
// calls do their work on every Windows version.
#include <windows.h>

namespace {

// The runtime's names are plain ASCII; a name that does not convert is not found.
bool Narrow(LPCWSTR wide, char* out, int size) {
  return WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, nullptr, nullptr) > 0;
}

HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum,
                                  LPCWSTR name) {
  if (name == nullptr) return CreateSemaphoreA(attributes, initial, maximum, nullptr);
  char narrow[MAX_PATH];
  if (!Narrow(name, narrow, sizeof narrow)) return nullptr;
  return CreateSemaphoreA(attributes, initial, maximum, narrow);
}

HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name) {
  if (name == nullptr) return GetModuleHandleA(nullptr);
  char narrow[MAX_PATH];
  if (!Narrow(name, narrow, sizeof narrow)) return nullptr;
  return GetModuleHandleA(narrow);
}

HMODULE WINAPI LoadLibraryAnsi(LPCWSTR name) {
  char narrow[MAX_PATH];
  if (name == nullptr || !Narrow(name, narrow, sizeof narrow)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryA(narrow);
}

}  // namespace

// The import pointers' names: stdcall decorated on 32-bit x86, plain on x86-64.
#if defined(__i386__)
#define VESKARO_IMPORT_POINTER(name, argument_bytes) "__imp__" #name "@" #argument_bytes
#else
#define VESKARO_IMPORT_POINTER(name, argument_bytes) "__imp_" #name
#endif

extern "C" {
extern decltype(&CreateSemaphoreW) const veskaro_import_CreateSemaphoreW
    __asm__(VESKARO_IMPORT_POINTER(CreateSemaphoreW, 16));
extern decltype(&GetModuleHandleW) const veskaro_import_GetModuleHandleW
    __asm__(VESKARO_IMPORT_POINTER(GetModuleHandleW, 4));
extern decltype(&LoadLibraryW) const veskaro_import_LoadLibraryW
    __asm__(VESKARO_IMPORT_POINTER(LoadLibraryW, 4));

decltype(&CreateSemaphoreW) const veskaro_import_CreateSemaphoreW = CreateSemaphoreAnsi;
decltype(&GetModuleHandleW) const veskaro_import_GetModuleHandleW = GetModuleHandleAnsi;
decltype(&LoadLibraryW) const veskaro_import_LoadLibraryW = LoadLibraryAnsi;
}
