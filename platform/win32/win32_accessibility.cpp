// Accessible objects for the backend's controls: see win32_accessibility.h.
//
// The accessibility library (oleacc), COM and BSTRs are looked up when a reader first
// asks, so that a start-up without a screen reader loads none of them.
// clang-format off
#include <windows.h>  // before every other Windows header
#include <oleacc.h>
// clang-format on

#include "win32_accessibility.h"

#include <memory>
#include <string>

#include "win32_library.h"

namespace platform::win32::detail {

namespace {

// The functions this file needs from oleacc, ole32 and oleaut32.
struct AccessibilityApi {
    decltype(&CreateStdAccessibleObject) createStandard = nullptr;
    decltype(&LresultFromObject) answerWith = nullptr;
    decltype(&CoInitializeEx) initializeCom = nullptr;
    decltype(&SysAllocStringLen) allocString = nullptr;

    AccessibilityApi() {
        const HMODULE oleacc = systemLibrary(L"oleacc.dll");
        createStandard = bindFunction<decltype(createStandard)>(oleacc, "CreateStdAccessibleObject");
        answerWith = bindFunction<decltype(answerWith)>(oleacc, "LresultFromObject");
        initializeCom = bindFunction<decltype(initializeCom)>(systemLibrary(L"ole32.dll"), "CoInitializeEx");
        allocString =
            bindFunction<decltype(allocString)>(systemLibrary(L"oleaut32.dll"), "SysAllocStringLen");
    }
    bool complete() const { return createStandard && answerWith && initializeCom && allocString; }

    static const AccessibilityApi& get() {
        static const AccessibilityApi api;
        return api;
    }
};

// Drops one reference of a COM object, for unique_ptr.
struct ReleaseReference {
    void operator()(IUnknown* object) const { object->Release(); }
};

bool isSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard accessible object of a window, with our role and name for the window
// itself; its parts (a list's lines) and everything else come from the standard object.
// It refers to its window by handle only, so it may outlive the window (a reader may
// hold it): the standard object then reports the window gone, and so does the name.
class DescribedWindow final : public IAccessible {
public:
    DescribedWindow(IAccessible* standard, const AccessibleFacts& facts)
        : standard_(standard), facts_(facts) {}
    DescribedWindow(const DescribedWindow&) = delete;
    DescribedWindow& operator=(const DescribedWindow&) = delete;
    ~DescribedWindow() { standard_->Release(); }

    // IUnknown. The object ends with its last reference.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) std::unique_ptr<DescribedWindow> last(this);
        return static_cast<ULONG>(left);
    }

    // What differs from the standard object.
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!isSelf(child) || facts_.role == AccessibleFacts::Role::Standard)
            return standard_->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = facts_.role == AccessibleFacts::Role::PushButton ? ROLE_SYSTEM_PUSHBUTTON
                                                                      : ROLE_SYSTEM_STATICTEXT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!isSelf(child) || !facts_.nameFrom) return standard_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = nullptr;
        if (!IsWindow(facts_.nameFrom)) return CO_E_OBJNOTCONNECTED;
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(facts_.nameFrom)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(facts_.nameFrom, text.data(), static_cast<int>(text.size()))));
        if (text.empty()) return S_FALSE;  // no name
        *name = AccessibilityApi::get().allocString(text.data(), static_cast<UINT>(text.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    // Everything else as the standard object says.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, argument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

private:
    IAccessible* standard_;  // owned: one reference, released with this object
    AccessibleFacts facts_;
    LONG references_ = 1;
};

}  // namespace

bool answerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts,
                     LRESULT& result) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return false;
    const AccessibilityApi& api = AccessibilityApi::get();
    if (!api.complete()) return false;
    // Handing the object to another process goes through COM, in this window's thread.
    // The thread stays initialized for the rest of the run (a second call only counts).
    static thread_local const HRESULT com = api.initializeCom(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE) return false;

    IAccessible* found = nullptr;
    if (FAILED(api.createStandard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                  reinterpret_cast<void**>(&found))) ||
        !found) {
        return false;
    }
    std::unique_ptr<IAccessible, ReleaseReference> standard(found);
    const std::unique_ptr<DescribedWindow, ReleaseReference> described(
        std::make_unique<DescribedWindow>(standard.get(), facts).release());
    standard.release();  // the described object holds it now
    // The system takes its own references; ours goes when `described` does.
    result = api.answerWith(__uuidof(IAccessible), wParam, described.get());
    return true;
}

}  // namespace platform::win32::detail
