// The language the user selected: see selected_language.h.
#include "lockbay/i18n/selected_language.h"

#include <optional>
#include <string>

#include "lockbay/i18n/selection_file.h"

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

}  // namespace

SelectedLanguage readSelectedLanguage(platform::FileSystem& fs) {
    SelectedLanguage selected;
    const std::optional<std::string> selection =
        readOrdinaryFile(fs, kSelectionFile, kSelectionFileReadLimit);
    const std::optional<std::wstring> name = selection ? readSelectionName(*selection) : std::nullopt;
    if (!name) return selected;
    const std::optional<std::string> bytes = readOrdinaryFile(fs, *name, kLanguageFileReadLimit);
    if (!bytes) {
        selected.outcome = SelectedLanguage::Outcome::LanguageFileMissing;
        return selected;
    }
    selected.outcome = SelectedLanguage::Outcome::Read;
    selected.language = parseLanguageFile(*bytes);
    return selected;
}

}  // namespace lockbay
