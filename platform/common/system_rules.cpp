// The environment block of a started tool (see system_rules.h).
#include "platform/system_rules.h"

#include <cwctype>

namespace platform {

namespace {

// True when the entry "NAME=value" has the given name, in any case.
bool hasName(std::wstring_view entry, std::wstring_view name) {
    if (entry.size() <= name.size() || entry[name.size()] != L'=') return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::towupper(entry[i]) != std::towupper(name[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring toolEnvironment(std::wstring_view parentBlock) {
    std::wstring block;
    // Entries end with a null; the block ends at an empty entry.
    while (!parentBlock.empty() && parentBlock.front() != L'\0') {
        const std::size_t end = parentBlock.find(L'\0');
        const std::wstring_view entry = parentBlock.substr(0, end);
        if (!hasName(entry, kNoCurrentFolderSearch)) {
            block += entry;
            block += L'\0';
        }
        if (end == std::wstring_view::npos) break;
        parentBlock.remove_prefix(end + 1);
    }
    block += kNoCurrentFolderSearch;
    block += L"=1";
    block += L'\0';
    block += L'\0';
    return block;
}

}  // namespace platform
