// The command lines that protect and restore a drive, exactly as the tools expect them:
// the letter goes between a fixed text and a fixed suffix, and some of them end with a
// blank. The main window, the watcher and the command line all start these and no
// other texts.
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace lockbay {

// The group is named as this Windows names the well-known group Everyone (S-1-1-0; see
// FileSystem::everyoneGroupName), in double quotes when the name holds a blank
// ("Tout le monde"). With the English name the texts are exactly these:
// "cmd.exe /c cacls E:\autorun.inf /e /c /g Everyone:F": full access for Everyone again.
std::wstring grantCommand(wchar_t drive, const std::wstring& everyone);
// "cmd.exe /c cacls E:\autorun.inf /e /c /d Everyone " (with its trailing blank): the deny
// entry on a drive that is NTFS already.
std::wstring denyCommandAtClick(wchar_t drive, const std::wstring& everyone);
// The same without the trailing blank: the deny entry once a conversion to NTFS is over.
std::wstring denyCommandAfterConversion(wchar_t drive, const std::wstring& everyone);
// "cmd.exe /c convert E: /FS:NTFS /X " (with its trailing blank).
std::wstring convertCommand(wchar_t drive);
// What convert reads on its standard input: a drive with a volume label makes it ask for
// that label before it converts, so it is given the label and a line end; without a
// label, just the line end, and any further question finds the input's end instead of
// waiting for someone to type.
std::wstring convertInput(const std::wstring& volumeLabel);
// "cmd.exe /c takeown /f E:\autorun.inf".
std::wstring takeOwnershipCommand(wchar_t drive);

// True when X:\autorun.inf is a link (junction, symbolic link) or leads off the drive. No
// command that changes an access list or an owner (cacls, takeown) is ever run on it: it
// would change whatever the link leads to.
bool autorunLeadsOffDrive(platform::FileSystem& fs, wchar_t drive);

}  // namespace lockbay
