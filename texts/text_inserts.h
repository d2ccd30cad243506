// Texts with inserts: "%1" to "%9" in a text from a language file stand for values the
// program fills in (a drive letter, a folder, a count), so that each language can put
// them where its grammar wants them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace lockbay {

// `text` with each "%n" replaced by the n-th value (from 1). An insert without a value,
// and a "%" not followed by a digit from 1 to 9, stay as they are. Values are never
// searched for inserts themselves.
std::wstring fillInserts(std::wstring_view text, std::initializer_list<std::wstring_view> values);

}  // namespace lockbay
