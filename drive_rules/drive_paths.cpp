// The path rules and command-line splitting: see drive_paths.h.
#include "drive_rules/drive_paths.h"

#include <algorithm>
#include <array>

namespace lockbay {

namespace {

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t upper(wchar_t c) {
    // Letters of ASCII and Latin-1 only: enough for drive letters, device names and the
    // names Windows compares without a locale.
    if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<wchar_t>(c - 0x20);
    return c;
}

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && (isBlank(text.front()) || text.front() == L'\r' || text.front() == L'\n'))
        text.remove_prefix(1);
    while (!text.empty() && (isBlank(text.back()) || text.back() == L'\r' || text.back() == L'\n'))
        text.remove_suffix(1);
    return text;
}

std::wstring_view unquoted(std::wstring_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        text = trimmed(text.substr(1, text.size() - 2));
    return text;
}

bool hasVariable(std::wstring_view text) {
    const std::size_t first = text.find(L'%');
    if (first == std::wstring_view::npos) return false;
    const std::size_t second = text.find(L'%', first + 1);
    return second != std::wstring_view::npos && second > first + 1;
}

bool isBadCharacter(wchar_t c) {
    return c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|' || c == L'?' ||
           c == L'*';
}

// CON, NUL, COM1... name devices in every folder, also with an extension ("nul.txt").
bool isDeviceName(std::wstring_view part) {
    std::wstring base;
    for (wchar_t c : part.substr(0, part.find(L'.'))) base.push_back(upper(c));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    static constexpr std::array<std::wstring_view, 6> kPlain = {L"CON", L"PRN",    L"AUX",
                                                                L"NUL", L"CONIN$", L"CONOUT$"};
    if (std::find(kPlain.begin(), kPlain.end(), base) != kPlain.end()) return true;
    if (base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT"))) {
        const wchar_t n = base[3];
        return (n >= L'0' && n <= L'9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
    }
    return false;
}

DrivePath refused(PathRefusal refusal) {
    return DrivePath{{}, refusal};
}

}  // namespace

std::wstring driveRoot(wchar_t drive) {
    return std::wstring{drive, L':', L'\\'};
}

std::wstring_view refusalName(PathRefusal refusal) {
    switch (refusal) {
        case PathRefusal::None:
            return L"accepted";
        case PathRefusal::Empty:
            return L"empty";
        case PathRefusal::Network:
            return L"network-path";
        case PathRefusal::OtherDrive:
            return L"other-drive";
        case PathRefusal::Variable:
            return L"variable";
        case PathRefusal::LeavesRoot:
            return L"leaves-root";
        case PathRefusal::DeviceName:
            return L"device-name";
        case PathRefusal::BadName:
            return L"bad-name";
        case PathRefusal::TooLong:
            return L"too-long";
        case PathRefusal::Missing:
            return L"missing";
        case PathRefusal::Folder:
            return L"folder";
        case PathRefusal::Quarantined:
            return L"quarantined";
        case PathRefusal::OffDrive:
            return L"off-drive";
    }
    return L"unknown";
}

std::wstring quarantineRoot(wchar_t drive) {
    return driveRoot(drive) + kQuarantineFolderName;
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

std::wstring nameKey(std::wstring_view name) {
    std::wstring key(name);
    for (wchar_t& c : key) c = upper(c);
    return key;
}

std::wstring_view fileNameOf(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

DrivePath normalizeOnDrive(wchar_t drive, std::wstring_view raw, std::wstring_view base) {
    drive = upper(drive);
    std::wstring_view text = unquoted(raw);
    if (text.empty()) return refused(PathRefusal::Empty);
    if (text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1]))
        return refused(PathRefusal::Network);
    if (hasVariable(text)) return refused(PathRefusal::Variable);

    // Where the parts start from: the base folder, or the root for "\x" and "E:\x".
    std::wstring_view start = base;
    if (text.size() >= 2 && text[1] == L':') {
        const wchar_t letter = upper(text[0]);
        if (!(letter >= L'A' && letter <= L'Z')) return refused(PathRefusal::BadName);
        if (letter != drive) return refused(PathRefusal::OtherDrive);
        text.remove_prefix(2);
        if (!text.empty() && isSeparator(text[0])) start = {};
    } else if (isSeparator(text[0])) {
        start = {};
    }
    if (std::any_of(text.begin(), text.end(), isBadCharacter)) return refused(PathRefusal::BadName);

    // The base is a folder of this drive, given in full: its parts come first.
    std::vector<std::wstring> parts;
    const auto addParts = [&](std::wstring_view from) -> PathRefusal {
        std::size_t pos = 0;
        while (pos <= from.size()) {
            std::size_t end = pos;
            while (end < from.size() && !isSeparator(from[end])) ++end;
            std::wstring part(from.substr(pos, end - pos));
            pos = end + 1;
            if (part.empty() || part == L".") continue;
            if (part == L"..") {
                if (parts.empty()) return PathRefusal::LeavesRoot;
                parts.pop_back();
                continue;
            }
            // Windows drops trailing dots and blanks of a part; a part of nothing else
            // names nothing.
            while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
            if (part.empty()) return PathRefusal::BadName;
            if (isDeviceName(part)) return PathRefusal::DeviceName;
            parts.push_back(std::move(part));
        }
        return PathRefusal::None;
    };
    if (start.size() >= 3 && upper(start[0]) == drive && start[1] == L':') {
        if (const PathRefusal r = addParts(start.substr(2)); r != PathRefusal::None) return refused(r);
    }
    if (const PathRefusal r = addParts(text); r != PathRefusal::None) return refused(r);
    if (parts.empty()) return refused(PathRefusal::Folder);  // the root itself

    std::wstring path = driveRoot(drive);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) path += L'\\';
        path += parts[i];
    }
    if (path.size() > kMaxPathLength) return refused(PathRefusal::TooLong);
    return DrivePath{std::move(path), PathRefusal::None};
}

DrivePath findFileOnDrive(platform::FileSystem& fs, wchar_t drive, std::wstring_view raw,
                          std::wstring_view base) {
    DrivePath found = normalizeOnDrive(drive, raw, base);
    if (!found.accepted()) return found;
    const std::wstring quarantine = quarantineRoot(upper(drive)) + L"\\";
    if (found.path.size() > quarantine.size() &&
        sameName(found.path.substr(0, quarantine.size()), quarantine))
        return refused(PathRefusal::Quarantined);
    switch (fs.checkOnDrive(found.path)) {
        case platform::DrivePathCheck::Link:
        case platform::DrivePathCheck::OffDrive:
            return refused(PathRefusal::OffDrive);
        case platform::DrivePathCheck::Missing:
            return refused(PathRefusal::Missing);
        case platform::DrivePathCheck::OnDrive:
        case platform::DrivePathCheck::Failed:  // in use: the move checks it again
            break;
    }
    const auto attributes = fs.attributes(found.path);
    if (!attributes) return refused(PathRefusal::Missing);
    if (*attributes & platform::attr::kDirectory) return refused(PathRefusal::Folder);
    return found;
}

CommandLine splitCommandLine(std::wstring_view command) {
    CommandLine split;
    command = trimmed(command);
    const auto add = [&](std::wstring_view program, std::wstring_view rest) {
        program = trimmed(program);
        if (program.empty()) return;
        const std::wstring arguments(trimmed(rest));
        split.programCandidates.emplace_back(program);
        split.arguments.push_back(arguments);
        // Windows adds ".exe" to a program named without an extension.
        if (fileNameOf(program).find(L'.') == std::wstring_view::npos) {
            split.programCandidates.push_back(std::wstring(program) + L".exe");
            split.arguments.push_back(arguments);
        }
    };
    if (command.empty()) return split;
    if (command.front() == L'"') {
        const std::size_t close = command.find(L'"', 1);
        if (close == std::wstring_view::npos) {
            add(command.substr(1), {});
        } else {
            add(command.substr(1, close - 1), command.substr(close + 1));
        }
        return split;
    }
    std::size_t words = 0;
    for (std::size_t i = 0; i <= command.size() && words < kMaxProgramWords; ++i) {
        if (i == command.size() || (isBlank(command[i]) && i > 0 && !isBlank(command[i - 1]))) {
            add(command.substr(0, i), i < command.size() ? command.substr(i) : std::wstring_view{});
            ++words;
        }
    }
    return split;
}

std::vector<std::wstring> argumentNames(std::wstring_view arguments, std::size_t limit) {
    std::vector<std::wstring> names;
    const auto keep = [&](std::wstring name) {
        const std::wstring_view text = trimmed(name);
        if (text.empty() || text.front() == L'/' || text.front() == L'-') return;
        if (names.size() < limit) names.emplace_back(text);
    };
    static constexpr std::wstring_view kBetweenNames = L",&|<>()^;";
    std::wstring current;
    bool inQuotes = false;
    for (const wchar_t c : arguments) {
        if (c == L'"') {
            if (inQuotes) {
                keep(std::move(current));
                current.clear();
            }
            inQuotes = !inQuotes;
        } else if (!inQuotes && (isBlank(c) || kBetweenNames.find(c) != std::wstring_view::npos)) {
            keep(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
        if (names.size() >= limit) break;
    }
    keep(std::move(current));
    return names;
}

bool isLauncher(std::wstring_view program) {
    std::wstring_view name = fileNameOf(unquoted(program));
    if (name.size() > 4 && sameName(name.substr(name.size() - 4), L".exe")) name.remove_suffix(4);
    static constexpr std::array<std::wstring_view, 4> kLaunchers = {L"cmd", L"rundll32", L"wscript",
                                                                    L"cscript"};
    return std::any_of(kLaunchers.begin(), kLaunchers.end(),
                       [&](std::wstring_view l) { return sameName(name, l); });
}

bool hasProgramExtension(std::wstring_view name) {
    name = fileNameOf(unquoted(name));
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return false;
    const std::wstring_view extension = name.substr(dot + 1);
    static constexpr std::array<std::wstring_view, 18> kRunnable = {
        L"exe", L"com", L"scr", L"pif", L"bat", L"cmd", L"vbs", L"vbe", L"js",
        L"jse", L"wsf", L"wsh", L"hta", L"cpl", L"msi", L"dll", L"ps1", L"jar"};
    return std::any_of(kRunnable.begin(), kRunnable.end(),
                       [&](std::wstring_view known) { return sameName(extension, known); });
}

}  // namespace lockbay
