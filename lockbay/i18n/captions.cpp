// Built-in texts by caption line: see captions.h.
#include "lockbay/i18n/captions.h"

#include "lockbay/i18n/language_file.h"

namespace lockbay {

const std::wstring& builtInText(int line) { return englishTexts().at(static_cast<std::size_t>(line - 1)); }

}  // namespace lockbay
