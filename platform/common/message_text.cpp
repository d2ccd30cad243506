// System message texts: see message_text.h.
#include "platform/message_text.h"

namespace platform {

namespace {

bool isDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

}  // namespace

std::wstring fillFirstInsert(std::wstring_view text, std::wstring_view value) {
    std::wstring filled;
    filled.reserve(text.size() + value.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t percent = text.find(L'%', pos);
        if (percent == std::wstring_view::npos || percent + 1 == text.size()) break;
        filled.append(text.substr(pos, percent - pos));
        const std::wstring_view rest = text.substr(percent + 1);
        if (rest.front() != L'1' || (rest.size() > 1 && isDigit(rest[1]))) {
            // Another insert or an escape: both characters stay, so "%%1" is no insert.
            filled.append(text.substr(percent, 2));
            pos = percent + 2;
            continue;
        }
        filled.append(value);
        pos = percent + 2;
        // "%1!s!" names the insert's printf format; the value is already text.
        if (pos < text.size() && text[pos] == L'!') {
            const std::size_t close = text.find(L'!', pos + 1);
            if (close != std::wstring_view::npos) pos = close + 1;
        }
    }
    if (pos < text.size()) filled.append(text.substr(pos));
    return filled;
}

}  // namespace platform
