// The command line of lockbay-cli: see arguments.h.
#include "cli/arguments.h"

#include <algorithm>
#include <cwctype>

#include "cli/texts.h"

namespace cli {

namespace {

bool isAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A drive is a letter and a colon ("E:" or "e:"); anything else gets a message that
// says what to write instead.
std::optional<wchar_t> parseDrive(const std::wstring& word, std::wstring& error) {
    if (word.size() == 2 && word[1] == L':') {
        if (isAsciiLetter(word[0])) return static_cast<wchar_t>(std::towupper(word[0]));
        error = texts::notADriveLetter(word);
        return std::nullopt;
    }
    if (word.size() == 1 && isAsciiLetter(word[0])) {
        error = texts::driveWithoutColon(word);
    } else if (word.size() > 2 && word[1] == L':') {
        error = texts::pathInPlaceOfDrive(word);
    } else if (word.find_first_of(L"\\/") != std::wstring::npos) {
        error = texts::pathInPlaceOfDrive(word);
    } else {
        error = texts::notADrive(word);
    }
    return std::nullopt;
}

std::optional<Command> commandNamed(const std::wstring& first, const std::wstring* second,
                                    std::wstring& error, bool& usedSecond) {
    usedSecond = false;
    if (first == L"list") return Command::List;
    if (first == L"protect") return Command::Protect;
    if (first == L"restore") return Command::Restore;
    if (first == L"policy") return Command::Policy;
    if (first == L"computer") {
        usedSecond = true;
        if (second == nullptr) {
            error = texts::computerNeedsAction();
            return std::nullopt;
        }
        if (*second == L"status") return Command::ComputerStatus;
        if (*second == L"protect") return Command::ComputerProtect;
        if (*second == L"restore") return Command::ComputerRestore;
        error = texts::unknownComputerAction(*second);
        return std::nullopt;
    }
    error = texts::unknownCommand(first);
    return std::nullopt;
}

ParsedArguments bad(std::wstring error, bool json) {
    ParsedArguments parsed;
    parsed.error = std::move(error);
    parsed.json = json;
    return parsed;
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::wstring>& arguments) {
    const bool json = std::find(arguments.begin(), arguments.end(), L"--json") != arguments.end();
    Invocation invocation;
    invocation.json = json;
    // Help and version win over everything else, as people expect.
    for (const std::wstring& word : arguments) {
        if (word == L"--help" || word == L"-h" || word == L"/?" || word == L"help") {
            invocation.command = Command::Help;
            return {invocation, {}, json};
        }
    }
    std::vector<std::wstring> words;  // everything but the options
    for (const std::wstring& word : arguments) {
        if (word == L"--json") continue;
        if (word == L"--version") {
            invocation.command = Command::Version;
            return {invocation, {}, json};
        }
        if (word == L"--advanced") {
            invocation.advanced = true;
        } else if (word == L"--clean") {
            invocation.clean = true;
        } else if (word == L"--yes" || word == L"-y") {
            invocation.yes = true;
        } else if (word == L"--all-removable") {
            invocation.allRemovable = true;
        } else if (word.size() > 1 && word[0] == L'-') {
            return bad(texts::unknownOption(word), json);
        } else {
            words.push_back(word);
        }
    }
    if (words.empty()) return bad(texts::noCommand(), json);

    std::wstring error;
    bool usedSecond = false;
    const auto command = commandNamed(words[0], words.size() > 1 ? &words[1] : nullptr, error, usedSecond);
    if (!command) return bad(error, json);
    invocation.command = *command;
    const auto rest = words.begin() + (usedSecond ? 2 : 1);

    const bool onDrives = *command == Command::Protect || *command == Command::Restore;
    if (!onDrives) {
        if (rest != words.end()) return bad(texts::unexpectedWord(*rest), json);
        if (invocation.allRemovable) return bad(texts::optionNotHere(L"--all-removable"), json);
    }
    if (invocation.advanced && *command != Command::Protect)
        return bad(texts::optionNotHere(L"--advanced"), json);
    if (invocation.yes && *command != Command::Protect) return bad(texts::optionNotHere(L"--yes"), json);
    if (invocation.clean && *command != Command::Protect) return bad(texts::optionNotHere(L"--clean"), json);
    if (!onDrives) return {invocation, {}, json};

    for (auto word = rest; word != words.end(); ++word) {
        const auto drive = parseDrive(*word, error);
        if (!drive) return bad(error, json);
        if (std::find(invocation.drives.begin(), invocation.drives.end(), *drive) == invocation.drives.end())
            invocation.drives.push_back(*drive);
    }
    if (invocation.allRemovable && !invocation.drives.empty())
        return bad(texts::drivesAndAllRemovable(), json);
    if (!invocation.allRemovable && invocation.drives.empty()) return bad(texts::noDrive(words[0]), json);
    return {invocation, {}, json};
}

}  // namespace cli
