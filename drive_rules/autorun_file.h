// The reader of an infected drive's autorun.inf: an INI file, ANSI (Windows-1252) or
// UTF-16 or UTF-8 with a byte-order mark, of which only the first 64 KB are read. It
// collects what the file makes Windows start: "open=", "shellexecute=",
// "shell\<verb>\command=", and "action=" or "useautoplay=" where they name a file. Any
// bytes at all give a result; what cannot be read as such an entry is skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lockbay {

// The most bytes of an autorun.inf that are read.
inline constexpr std::size_t kAutorunReadLimit = 64 * 1024;
// The most entries that are kept: no real autorun.inf comes near.
inline constexpr std::size_t kMaxAutorunEntries = 256;

struct AutorunEntry {
    enum class Kind {
        Command,  // a command line: a program and its arguments
        File,     // the name of a file, nothing more
    };
    std::wstring key;    // as written, blanks around it taken off ("shell\open\command")
    std::wstring value;  // a command line, or the file name alone for Kind::File
    Kind kind = Kind::Command;

    bool operator==(const AutorunEntry&) const = default;
};

struct AutorunFile {
    std::vector<AutorunEntry> entries;  // in file order
};

// The text of the first kAutorunReadLimit bytes: UTF-16 (either byte order) or UTF-8
// after their byte-order mark, Windows-1252 without one.
std::wstring decodeAutorunText(std::string_view bytes);

// The entries of the [autorun] section (and of [autorun.<platform>] sections) that name
// something to start.
AutorunFile parseAutorunFile(std::string_view bytes);

}  // namespace lockbay
