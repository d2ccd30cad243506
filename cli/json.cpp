// The --json writer: see json.h.
#include "cli/json.h"

namespace cli {

std::wstring jsonString(std::wstring_view text) {
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring out = L"\"";
    for (const wchar_t c : text) {
        switch (c) {
            case L'"':
                out += L"\\\"";
                break;
            case L'\\':
                out += L"\\\\";
                break;
            case L'\n':
                out += L"\\n";
                break;
            case L'\r':
                out += L"\\r";
                break;
            case L'\t':
                out += L"\\t";
                break;
            default:
                if (static_cast<unsigned>(c) < 0x20) {
                    out += L"\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    return out + L"\"";
}

void JsonObject::name(std::wstring_view name) {
    if (!fields_.empty()) fields_ += L",";
    fields_ += jsonString(name) + L":";
}

JsonObject& JsonObject::add(std::wstring_view field, std::wstring_view text) {
    name(field);
    fields_ += jsonString(text);
    return *this;
}

JsonObject& JsonObject::add(std::wstring_view field, bool value) {
    name(field);
    fields_ += value ? L"true" : L"false";
    return *this;
}

JsonObject& JsonObject::add(std::wstring_view field, std::int64_t number) {
    name(field);
    fields_ += std::to_wstring(number);
    return *this;
}

JsonObject& JsonObject::addNull(std::wstring_view field) {
    name(field);
    fields_ += L"null";
    return *this;
}

JsonObject& JsonObject::addRaw(std::wstring_view field, std::wstring_view json) {
    name(field);
    fields_ += json;
    return *this;
}

std::wstring jsonArray(const std::vector<std::wstring>& items) {
    std::wstring out = L"[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += L",";
        out += items[i];
    }
    return out + L"]";
}

}  // namespace cli
