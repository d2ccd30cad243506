// Opening a document through the desktop's shell: the shell's scripting interface on the
// desktop's folder view (IShellDispatch2::ShellExecute) runs in Explorer's process, so
// what it starts gets the rights Explorer has, those of the signed-in user, and not the
// raised rights of a program that asked for the highest available ones.
//
// ole32 and oleaut32 are loaded from the system folder at the first call rather than
// imported: only this rarely taken path needs them, and the programs start faster
// without them.
#include <windows.h>
// After <windows.h>, which they build on.
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <string>
#include <utility>

#include "win32_desktop_shell.h"
#include "win32_handle.h"
#include "win32_library.h"

namespace platform::win32 {

namespace {

struct ModuleTraits {
    using Type = HMODULE;
    static Type none() { return nullptr; }
    static bool valid(Type module) { return module != nullptr; }
    static void close(Type module) { ::FreeLibrary(module); }
};
using Module = UniqueHandle<ModuleTraits>;

// The few COM functions this needs, bound once for the life of the process.
class ComLibrary {
public:
    // Nothing when the libraries or one of the functions cannot be had.
    static const ComLibrary* get() {
        static const ComLibrary library;
        return library.complete() ? &library : nullptr;
    }

    decltype(&::CoInitializeEx) coInitializeEx = nullptr;
    decltype(&::CoUninitialize) coUninitialize = nullptr;
    decltype(&::CoCreateInstance) coCreateInstance = nullptr;
    decltype(&::SysAllocString) sysAllocString = nullptr;
    decltype(&::SysFreeString) sysFreeString = nullptr;

private:
    ComLibrary() : ole32_(systemLibrary(L"ole32.dll")), oleaut32_(systemLibrary(L"oleaut32.dll")) {
        if (!ole32_ || !oleaut32_) return;
        coInitializeEx = bindFunction<decltype(coInitializeEx)>(ole32_.get(), "CoInitializeEx");
        coUninitialize = bindFunction<decltype(coUninitialize)>(ole32_.get(), "CoUninitialize");
        coCreateInstance = bindFunction<decltype(coCreateInstance)>(ole32_.get(), "CoCreateInstance");
        sysAllocString = bindFunction<decltype(sysAllocString)>(oleaut32_.get(), "SysAllocString");
        sysFreeString = bindFunction<decltype(sysFreeString)>(oleaut32_.get(), "SysFreeString");
    }
    bool complete() const {
        return coInitializeEx && coUninitialize && coCreateInstance && sysAllocString && sysFreeString;
    }

    Module ole32_;
    Module oleaut32_;
};

// COM on this thread for as long as it lives (single-threaded apartment: the thread runs
// a message loop).
class ComApartment {
public:
    explicit ComApartment(const ComLibrary& com) : com_(com) {
        const HRESULT result =
            com_.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        initialized_ = SUCCEEDED(result);
        // Initialized otherwise by someone else: usable, but not ours to end.
        usable_ = initialized_ || result == RPC_E_CHANGED_MODE;
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialized_) com_.coUninitialize();
    }
    explicit operator bool() const { return usable_; }

private:
    const ComLibrary& com_;
    bool initialized_ = false;
    bool usable_ = false;
};

// Holds one reference to a COM object.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    void reset() {
        if (object_) std::exchange(object_, nullptr)->Release();
    }
    // For a call that hands out a new reference.
    Interface** put() {
        reset();
        return &object_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    Interface* object_ = nullptr;
};

// A string in the form the scripting interface takes.
class Bstr {
public:
    Bstr(const ComLibrary& com, const std::wstring& text)
        : com_(com), text_(com.sysAllocString(text.c_str())) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { com_.sysFreeString(text_); }
    BSTR get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }

    VARIANT variant() const {
        VARIANT value{};
        value.vt = VT_BSTR;
        value.bstrVal = text_;
        return value;
    }

private:
    const ComLibrary& com_;
    BSTR text_;
};

// The shell's scripting object of the desktop's folder view, in Explorer's process.
bool desktopShell(const ComLibrary& com, ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    if (FAILED(com.coCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                    windows.putVoid())))
        return false;
    VARIANT desktopLocation{};
    desktopLocation.vt = VT_I4;
    desktopLocation.lVal = CSIDL_DESKTOP;
    VARIANT noRoot{};
    long window = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&desktopLocation, &noRoot, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.put()) != S_OK ||
        !desktop) {
        return false;
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    return SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.putVoid())) &&
           SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.putVoid())) &&
           SUCCEEDED(browser->QueryActiveShellView(view.put())) &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.putVoid())) &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.putVoid())) &&
           SUCCEEDED(folderView->get_Application(application.put())) && application &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.putVoid())) && shell;
}

}  // namespace

bool openThroughDesktopShell(const std::wstring& target, const std::wstring& parameters,
                             const std::wstring& folder) {
    // No shell runs the desktop (Explorer is not running, or another desktop program
    // stands in for it): nobody to ask.
    if (!::GetShellWindow()) return false;
    const ComLibrary* com = ComLibrary::get();
    if (!com) return false;
    const ComApartment apartment(*com);
    if (!apartment) return false;
    ComPtr<IShellDispatch2> shell;
    if (!desktopShell(*com, shell)) return false;

    const Bstr file(*com, target);
    const Bstr arguments(*com, parameters);
    const Bstr directory(*com, folder);
    const Bstr open(*com, L"open");
    if (!file || !arguments || !directory || !open) return false;
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(
        shell->ShellExecute(file.get(), arguments.variant(), directory.variant(), open.variant(), show));
}

}  // namespace platform::win32
