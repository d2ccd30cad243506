// Drive status and drive list rules: see drive_status.h.
#include "drive_rules/drive_status.h"

#include <algorithm>

#include "drive_rules/best_effort.h"

namespace lockbay {

std::wstring protectionFolder(wchar_t drive) { return std::wstring(1, drive) + L":\\autorun.inf"; }
std::wstring markerFolder(wchar_t drive) { return std::wstring(1, drive) + L":\\advancedlockbay"; }
std::wstring probeFolder(wchar_t drive) { return std::wstring(1, drive) + L":\\a"; }

bool isDirectory(platform::FileSystem& fs, const std::wstring& path) {
    const auto attributes = fs.attributes(path);
    return attributes && (*attributes & platform::attr::kDirectory);
}

bool hasAutorunFile(platform::FileSystem& fs, wchar_t drive) {
    const auto attributes = fs.attributes(protectionFolder(drive));
    return attributes && !(*attributes & platform::attr::kDirectory);
}

DriveStatus classifyDrive(platform::FileSystem& fs, wchar_t drive) {
    const auto attributes = fs.attributes(protectionFolder(drive));
    if (!attributes) return DriveStatus::Unprotected;
    return (*attributes & platform::attr::kDirectory) ? DriveStatus::Protected : DriveStatus::Infected;
}

bool isWritable(platform::FileSystem& fs, wchar_t drive) {
    const std::wstring probe = probeFolder(drive);
    const bool made = fs.makeDirectory(probe);
    if (!isDirectory(fs, probe)) return false;
    if (made) ignoreFailure(fs.removeDirectory(probe));
    return true;
}

std::vector<wchar_t> answeringDrives(platform::FileSystem& fs, const std::vector<wchar_t>& letters) {
    std::vector<wchar_t> network;
    for (const wchar_t drive : letters) {
        if (fs.driveKind(drive) == platform::DriveKind::Network) network.push_back(drive);
    }
    const std::vector<wchar_t> answered =
        network.empty() ? network : fs.drivesAnswering(network, kNetworkAnswerMs);
    std::vector<wchar_t> result;
    for (const wchar_t drive : letters) {
        const bool isNetwork = std::find(network.begin(), network.end(), drive) != network.end();
        if (!isNetwork || std::find(answered.begin(), answered.end(), drive) != answered.end())
            result.push_back(drive);
    }
    return result;
}

double freeMegabytes(platform::FileSystem& fs, wchar_t drive) {
    return static_cast<double>(fs.freeBytes(drive)) / 1024.0 / 1024.0;
}

const std::wstring& statusWord(DriveStatus status, const std::wstring& st1, const std::wstring& st2,
                               const std::wstring& st3) {
    switch (status) {
        case DriveStatus::Protected:
            return st1;
        case DriveStatus::Infected:
            return st2;
        case DriveStatus::Unprotected:
            break;
    }
    return st3;
}

std::wstring listLine(wchar_t drive, const std::wstring& word) { return std::wstring(1, drive) + L":    " + word; }

}  // namespace lockbay
