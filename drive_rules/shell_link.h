// A reader of shortcut files (.lnk), written from the published Shell Link binary format.
// It only reads the bytes: it never asks the shell to resolve a link, which may reach
// the network and start programs. It gives the target as the link records it in its
// link information, its relative path and its environment-variable block, with the
// working folder and the arguments. The target folder list (the ID list) is skipped:
// its items are the shell's own, and every link with a file target also records it in
// one of the forms above.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lockbay {

struct ShellLink {
    std::wstring localPath;          // "E:\RECYCLER\x.exe": the link information's local base path and suffix
    std::wstring networkPath;        // "\\server\share\x.exe": its network share and suffix
    std::wstring relativePath;       // ".\RECYCLER\x.exe": relative to the folder of the link
    std::wstring workingFolder;      // as recorded; may hold variables
    std::wstring arguments;          // the command-line arguments
    std::wstring environmentTarget;  // "%windir%\system32\cmd.exe": the target with its variables

    bool operator==(const ShellLink&) const = default;
};

// The largest shortcut that is read; real ones are a few kilobytes.
inline constexpr std::size_t kMaxShellLinkSize = 64 * 1024;

// Reads a shortcut. Nothing when the bytes are not a shell link, or a part of it is
// truncated or points outside the file: a damaged link counts as no link at all.
std::optional<ShellLink> parseShellLink(std::string_view bytes);

}  // namespace lockbay
