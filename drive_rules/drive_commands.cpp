// The command lines of Protect and Restore: see drive_commands.h.
#include "drive_rules/drive_commands.h"

namespace lockbay {

namespace {

std::wstring command(const wchar_t* before, wchar_t drive, const wchar_t* after) {
    return std::wstring(before) + drive + after;
}

std::wstring groupArgument(const std::wstring& everyone) {
    return everyone.find(L' ') == std::wstring::npos ? everyone : L"\"" + everyone + L"\"";
}

}  // namespace

std::wstring grantCommand(wchar_t drive, const std::wstring& everyone) {
    return command(L"cmd.exe /c cacls ", drive, L":\\autorun.inf /e /c /g ") + groupArgument(everyone) +
           L":F";
}

std::wstring denyCommandAtClick(wchar_t drive, const std::wstring& everyone) {
    return command(L"cmd.exe /c cacls ", drive, L":\\autorun.inf /e /c /d ") + groupArgument(everyone) + L" ";
}

std::wstring denyCommandAfterConversion(wchar_t drive, const std::wstring& everyone) {
    return command(L"cmd.exe /c cacls ", drive, L":\\autorun.inf /e /c /d ") + groupArgument(everyone);
}

std::wstring convertCommand(wchar_t drive) {
    return command(L"cmd.exe /c convert ", drive, L": /FS:NTFS /X ");
}

std::wstring convertInput(const std::wstring& volumeLabel) {
    return volumeLabel + L"\r\n";
}

std::wstring takeOwnershipCommand(wchar_t drive) {
    return command(L"cmd.exe /c takeown /f ", drive, L":\\autorun.inf");
}

bool autorunLeadsOffDrive(platform::FileSystem& fs, wchar_t drive) {
    const platform::DrivePathCheck check = fs.checkOnDrive(std::wstring{drive, L':', L'\\'} + L"autorun.inf");
    return check == platform::DrivePathCheck::Link || check == platform::DrivePathCheck::OffDrive;
}

}  // namespace lockbay
