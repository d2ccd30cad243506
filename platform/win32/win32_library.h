// Functions of Windows' own libraries bound at run time: what a program needs only on
// some paths, or only on newer Windows, is loaded when first needed instead of imported.
#pragma once

#include <windows.h>

namespace platform::win32 {

// A library of the system folder, by name: the working folder is never searched, and a
// manifest's activation context still applies (comctl32's version 6).
inline HMODULE systemLibrary(const wchar_t* name) {
    return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// A function of `module` by name; nothing when the module or the function is missing.
// GCC lets any function pointer pass through void (*)() without a warning about
// incompatible casts.
template <typename Function>
Function bindFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace platform::win32
