// System message texts. The system's error texts may hold inserts such as "%1" for
// the file concerned; they are read with their inserts ignored, for safety, and the
// program fills the one it knows itself.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` with every first insert ("%1", also written "%1!s!") replaced by `value`.
// Other inserts ("%2", "%12"), escapes ("%%", "%n") and everything else stay as they
// are, so a text without inserts comes back unchanged.
std::wstring fillFirstInsert(std::wstring_view text, std::wstring_view value);

}  // namespace platform
