// The module, the program's icons and the registration of the backend's window classes.
#include "win32_classes.h"

namespace platform::win32::detail {

HINSTANCE thisModule() {
    return GetModuleHandleW(nullptr);
}

const ProgramIcons& programIcons() {
    static const ProgramIcons icons = [] {
        ProgramIcons found;
        EnumResourceNamesW(
            thisModule(), RT_GROUP_ICON,
            [](HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
                // The name is only valid during the enumeration: the icons are loaded here.
                auto* icons = reinterpret_cast<ProgramIcons*>(context);
                icons->large =
                    static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_SHARED));
                icons->small =
                    static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_SHARED));
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&found));
        return found;
    }();
    return icons;
}

void registerClass(const wchar_t* name, WNDPROC procedure, const ProgramIcons& icons) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = thisModule();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = icons.large;
    windowClass.hIconSm = icons.small;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

}  // namespace platform::win32::detail
