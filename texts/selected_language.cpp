// The language the user selected: see selected_language.h.
#include "texts/selected_language.h"

#include <array>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>

#include "platform/best_effort.h"
#include "texts/selection_file.h"

namespace lockbay {

namespace {

// The existence test of the language files: a search that finds only ordinary files,
// so hidden or system files and folders count as missing. Only the first `maxBytes`
// bytes are read: nothing beyond them would be used.
std::optional<std::string> readOrdinaryFile(platform::FileSystem& fs, const std::wstring& path,
                                            std::size_t maxBytes) {
    if (!fs.normalFileExists(path)) return std::nullopt;
    return fs.readFilePrefix(path, maxBytes);
}

std::wstring upper(std::wstring_view text) {
    std::wstring result;
    for (wchar_t c : text) result.push_back(static_cast<wchar_t>(std::towupper(c)));
    return result;
}

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 name devices, with any extension too.
bool isDeviceStem(std::wstring_view stem) {
    const std::wstring name = upper(stem);
    static constexpr std::array<std::wstring_view, 4> kPlain = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (std::wstring_view device : kPlain) {
        if (name == device) return true;
    }
    return name.size() == 4 && (name.rfind(L"COM", 0) == 0 || name.rfind(L"LPT", 0) == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
}

// The user's own choice under HKCU: the bare name, when there is one.
std::optional<std::wstring> userSelection(platform::Registry& registry) {
    const auto value = registry.read(platform::RegistryRoot::CurrentUser, kLanguageKey, kLanguageValue);
    if (!value) return std::nullopt;
    std::wstring name = platform::stringOf(*value).value_or(std::wstring());
    if (name.empty()) return std::nullopt;
    return name;
}

}  // namespace

bool isLanguageFileName(const std::wstring& name) {
    constexpr std::wstring_view kExtension = L".VLNG";
    const std::wstring text = upper(name);
    if (text.size() <= kExtension.size() || text.size() > 64 ||
        text.compare(text.size() - kExtension.size(), kExtension.size(), kExtension) != 0) {
        return false;
    }
    const std::wstring_view stem = std::wstring_view(text).substr(0, text.size() - kExtension.size());
    for (wchar_t c : stem) {
        const bool plain = (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_';
        if (!plain) return false;
    }
    return !isDeviceStem(stem);
}

SelectedLanguage readSelectedLanguage(platform::FileSystem& fs, platform::Registry& registry) {
    SelectedLanguage selected;
    std::optional<std::wstring> name = userSelection(registry);
    if (!name) {
        const std::optional<std::string> selection =
            readOrdinaryFile(fs, kSelectionFile, kSelectionFileReadLimit);
        name = selection ? readSelectionName(*selection) : std::nullopt;
    }
    if (!name) return selected;
    const std::optional<std::string> bytes =
        isLanguageFileName(*name) ? readOrdinaryFile(fs, *name, kLanguageFileReadLimit) : std::nullopt;
    if (!bytes) {
        selected.outcome = SelectedLanguage::Outcome::LanguageFileMissing;
        return selected;
    }
    selected.outcome = SelectedLanguage::Outcome::Read;
    selected.language = parseLanguageFile(*bytes);
    return selected;
}

bool saveSelection(platform::FileSystem& fs, platform::Registry& registry, const std::wstring& fileName,
                   std::wstring& error) {
    // Written beside the old file and moved into place, so a failure never leaves a
    // truncated selection behind.
    if (platform::writeWholeFile(fs, kSelectionFile, selectionFileContent(fileName), error)) {
        platform::ignoreFailure(
            registry.remove(platform::RegistryRoot::CurrentUser, kLanguageKey, kLanguageValue));
        return true;
    }
    return registry.write(platform::RegistryRoot::CurrentUser, kLanguageKey, kLanguageValue,
                          platform::stringValue(fileName)) == platform::RegistryStatus::Done;
}

}  // namespace lockbay
