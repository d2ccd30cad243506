// The selection file: see selection_file.h.
#include "texts/selection_file.h"

#include "platform/encoding.h"

namespace lockbay {

namespace {
constexpr char kQuote = '"';

bool endsUnquotedField(char c) {
    return c == ',' || c == '\r' || c == '\n';
}
}  // namespace

std::optional<std::wstring> readSelectionName(std::string_view bytes) {
    const std::size_t start = bytes.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    std::string_view rest = bytes.substr(start);

    std::string_view field;
    if (rest.front() == kQuote) {
        rest.remove_prefix(1);
        field = rest.substr(0, rest.find(kQuote));
    } else {
        std::size_t length = 0;
        while (length < rest.size() && !endsUnquotedField(rest[length])) ++length;
        field = rest.substr(0, length);
    }
    if (field.empty()) return std::nullopt;
    return platform::fromWindows1252(field);
}

std::string selectionFileContent(std::wstring_view fileName) {
    return platform::toWindows1252(fileName) + "\r\n";
}

}  // namespace lockbay
