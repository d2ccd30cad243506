// Texts with inserts: see text_inserts.h.
#include "texts/text_inserts.h"

#include <vector>

namespace lockbay {

std::wstring fillInserts(std::wstring_view text, std::initializer_list<std::wstring_view> values) {
    const std::vector<std::wstring_view> byNumber(values);
    std::wstring filled;
    filled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9') {
            const auto n = static_cast<std::size_t>(text[i + 1] - L'1');
            if (n < byNumber.size()) {
                filled.append(byNumber[n]);
                ++i;
                continue;
            }
        }
        filled.push_back(text[i]);
    }
    return filled;
}

}  // namespace lockbay
