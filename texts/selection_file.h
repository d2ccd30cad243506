// The selection file clng.vlng: one line naming the language file in use. The
// language chooser writes it; the language loader reads its first field.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lockbay {

// How much of the selection file is read: a file name (Windows paths are commonly at
// most 260 characters), its quotes and a few leading blanks fit well within it.
inline constexpr std::size_t kSelectionFileReadLimit = 1024;

// Reads the language file's name from the selection file's bytes (Windows-1252).
// Only the first field counts: leading spaces are skipped; a field that begins with a
// double quote runs to the next double quote (or the end of the file) and the quotes
// are dropped; any other field ends at the first comma, CR, LF or the end of the file.
// Whatever follows the first field is ignored. An empty first field names no file and
// gives nothing, the same as a missing selection file.
std::optional<std::wstring> readSelectionName(std::string_view bytes);

// The bytes that select `fileName`: the bare name in Windows-1252, then CR LF.
std::string selectionFileContent(std::wstring_view fileName);

}  // namespace lockbay
