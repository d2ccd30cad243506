// A small writer for the --json output: objects and arrays built as text, strings
// escaped so that any file name or message stays valid JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// A JSON string literal, quotes included.
std::wstring jsonString(std::wstring_view text);

class JsonObject {
public:
    JsonObject& add(std::wstring_view name, std::wstring_view text);  // a string
    JsonObject& add(std::wstring_view name, const wchar_t* text) {
        return add(name, std::wstring_view(text));
    }
    JsonObject& add(std::wstring_view name, bool value);
    JsonObject& add(std::wstring_view name, std::int64_t number);
    JsonObject& addNull(std::wstring_view name);
    // A value that is JSON already (an object or an array).
    JsonObject& addRaw(std::wstring_view name, std::wstring_view json);
    std::wstring str() const { return L"{" + fields_ + L"}"; }

private:
    void name(std::wstring_view name);
    std::wstring fields_;
};

// An array of values that are JSON already.
std::wstring jsonArray(const std::vector<std::wstring>& items);

}  // namespace cli
