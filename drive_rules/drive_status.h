// A drive's protection status and the drive list's rules: which drives are listed
// (the writable ones) and how a list line reads.
#pragma once

#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace lockbay {

enum class DriveStatus { Protected, Infected, Unprotected };

// "X:\autorun.inf", "X:\advancedlockbay" and the write probe "X:\a".
std::wstring protectionFolder(wchar_t drive);
std::wstring markerFolder(wchar_t drive);
std::wstring probeFolder(wchar_t drive);

// True when the path exists and is a folder; a missing path or drive gives false.
bool isDirectory(platform::FileSystem& fs, const std::wstring& path);

// True when the root holds a file (not a folder) named autorun.inf, whatever its
// attributes: worms mark theirs Hidden, System and Read-only.
bool hasAutorunFile(platform::FileSystem& fs, wchar_t drive);

// Protected: the root holds a folder autorun.inf. Infected: otherwise, a file of that
// name, whatever its attributes. Unprotected: neither.
DriveStatus classifyDrive(platform::FileSystem& fs, wchar_t drive);

// The write probe: makes the folder "a" in the root and tests it. Only a folder that the
// probe made itself is removed again; a user's folder "a" is never touched.
bool isWritable(platform::FileSystem& fs, wchar_t drive);

// The drives among `letters` that may be probed: every drive but a network drive whose
// server does not answer within kNetworkAnswerMs. A mapped drive whose server is away
// would otherwise hold the caller up for the network's time-out on every probe; Windows
// never runs AutoRun from a network drive, so leaving it out loses nothing. The network
// drives are asked all at once, off the calling thread.
inline constexpr int kNetworkAnswerMs = 1000;
std::vector<wchar_t> answeringDrives(platform::FileSystem& fs, const std::vector<wchar_t>& letters);

// Free space in megabytes with the fraction; a drive that cannot be queried gives 0.
double freeMegabytes(platform::FileSystem& fs, wchar_t drive);

const std::wstring& statusWord(DriveStatus status, const std::wstring& st1, const std::wstring& st2,
                               const std::wstring& st3);

// The letter, ":" and four spaces, then the status word.
std::wstring listLine(wchar_t drive, const std::wstring& word);

}  // namespace lockbay
