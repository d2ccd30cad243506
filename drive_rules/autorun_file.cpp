// The autorun.inf reader: see autorun_file.h.
#include "drive_rules/autorun_file.h"

#include "drive_rules/drive_paths.h"
#include "platform/encoding.h"

namespace lockbay {

namespace {

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
    return text;
}

bool startsWithName(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

// "[autorun]", and the platform sections "[autorun.amd64]" and the like.
bool isAutorunSection(std::wstring_view name) {
    name = trimmed(name);
    return sameName(name, L"autorun") || (startsWithName(name, L"autorun.") && name.size() > 8);
}

// "shell\<verb>\command" with one verb of at least one character.
bool isShellCommandKey(std::wstring_view key) {
    if (!startsWithName(key, L"shell\\")) return false;
    const std::wstring_view rest = key.substr(6);
    const std::size_t slash = rest.find(L'\\');
    if (slash == 0 || slash == std::wstring_view::npos) return false;
    return sameName(rest.substr(slash), L"\\command") && trimmed(rest.substr(0, slash)).size() > 0;
}

// The file that an "action=" or "useautoplay=" value names, or nothing: a resource
// reference "@file,-id" names its file; a plain value names one only when it carries the
// extension of something that runs. Anything else is text or a switch.
std::wstring namedFile(std::wstring_view value) {
    if (!value.empty() && value.front() == L'@') {
        value.remove_prefix(1);
        const std::size_t comma = value.rfind(L',');
        if (comma != std::wstring_view::npos) value = value.substr(0, comma);
        return std::wstring(trimmed(value));
    }
    return hasProgramExtension(value) ? std::wstring(value) : std::wstring();
}

}  // namespace

std::wstring decodeAutorunText(std::string_view bytes) {
    bytes = bytes.substr(0, kAutorunReadLimit);
    const auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (startsWith("\xFF\xFE")) return platform::fromUtf16(bytes.substr(2), false);
    if (startsWith("\xFE\xFF")) return platform::fromUtf16(bytes.substr(2), true);
    if (startsWith("\xEF\xBB\xBF")) return platform::fromUtf8(bytes.substr(3));
    return platform::fromWindows1252(bytes);
}

AutorunFile parseAutorunFile(std::string_view bytes) {
    const std::wstring text = decodeAutorunText(bytes);
    AutorunFile file;
    bool inAutorun = false;
    std::size_t pos = 0;
    while (pos < text.size() && file.entries.size() < kMaxAutorunEntries) {
        // A line ends at CR, LF or NUL (binary junk reads as short lines).
        std::size_t end = text.find_first_of(std::wstring_view(L"\r\n\0", 3), pos);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring_view line = trimmed(std::wstring_view(text).substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == L';') continue;
        if (line.front() == L'[') {
            const std::size_t close = line.find(L']');
            inAutorun = close != std::wstring_view::npos && isAutorunSection(line.substr(1, close - 1));
            continue;
        }
        if (!inAutorun) continue;
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring_view::npos) continue;
        const std::wstring_view key = trimmed(line.substr(0, equals));
        const std::wstring_view value = trimmed(line.substr(equals + 1));
        if (value.empty()) continue;
        if (sameName(key, L"open") || sameName(key, L"shellexecute") || isShellCommandKey(key)) {
            file.entries.push_back({std::wstring(key), std::wstring(value), AutorunEntry::Kind::Command});
        } else if (sameName(key, L"action") || sameName(key, L"useautoplay")) {
            std::wstring named = namedFile(value);
            if (!named.empty())
                file.entries.push_back({std::wstring(key), std::move(named), AutorunEntry::Kind::File});
        }
    }
    return file;
}

}  // namespace lockbay
