// lockbay-cli's commands, their output and exit codes: see cli_program.h.
#include "cli/cli_program.h"

#include <algorithm>
#include <cwctype>

#include "cli/arguments.h"
#include "cli/drive_operations.h"
#include "cli/json.h"
#include "cli/texts.h"
#include "drive_rules/computer_autorun.h"
#include "drive_rules/drive_checks.h"
#include "drive_rules/drive_status.h"
#include "product/policies.h"
#include "product/running_version.h"

namespace cli {

namespace {

using lockbay::DriveStatus;

// Where the results go: text for a person (failures on standard error), or one JSON
// document on standard output for a script.
class Output {
public:
    Output(platform::Console& console, bool json) : console_(console), json_(json) {}
    bool json() const { return json_; }
    void line(const std::wstring& text) { console_.out(text + L"\n"); }
    void problem(const std::wstring& text) { console_.err(text + L"\n"); }
    void document(const std::wstring& json) { console_.out(json + L"\n"); }

    // A failure of the whole command, in the form the caller reads.
    int error(int code, const std::wstring& message) {
        if (json_) {
            document(JsonObject()
                         .addRaw(L"error",
                                 JsonObject().add(L"code", std::int64_t{code}).add(L"message", message).str())
                         .str());
        } else {
            problem(message);
        }
        return code;
    }

private:
    platform::Console& console_;
    bool json_;
};

std::wstring driveName(wchar_t drive) {
    return std::wstring{drive, L':'};
}

// ---- list ----------------------------------------------------------------------------

struct DriveRow {
    wchar_t drive;
    platform::DriveKind kind;
    std::wstring fileSystem;
    DriveStatus status;
    bool advanced;
};

std::vector<DriveRow> readDriveRows(platform::FileSystem& fs) {
    std::vector<DriveRow> rows;
    // A network drive whose server is away is left out rather than waited for.
    for (const wchar_t drive : lockbay::answeringDrives(fs, fs.driveLetters())) {
        if (!lockbay::isWritable(fs, drive)) continue;
        const DriveStatus status = lockbay::classifyDrive(fs, drive);
        rows.push_back({drive, fs.driveKind(drive), fs.fileSystemName(drive), status,
                        status == DriveStatus::Protected && lockbay::isAdvancedProtection(fs, drive)});
    }
    return rows;
}

std::wstring padded(std::wstring text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), L' ');
    return text;
}

int listDrives(platform::ConsolePlatform& p, Output& output) {
    const std::vector<DriveRow> rows = readDriveRows(p.fs);
    if (output.json()) {
        std::vector<std::wstring> items;
        for (const DriveRow& row : rows) {
            items.push_back(JsonObject()
                                .add(L"drive", driveName(row.drive))
                                .add(L"type", texts::kindWord(row.kind))
                                .add(L"fileSystem", row.fileSystem)
                                .add(L"status", texts::statusWord(row.status))
                                .add(L"advanced", row.advanced)
                                .str());
        }
        output.document(JsonObject().addRaw(L"drives", jsonArray(items)).str());
        return kDone;
    }
    if (rows.empty()) {
        output.line(texts::noWritableDrive());
        return kDone;
    }
    // Columns as wide as their longest entry.
    std::vector<std::vector<std::wstring>> table = {texts::listHeadings()};
    for (const DriveRow& row : rows) {
        table.push_back({driveName(row.drive), texts::kindWord(row.kind),
                         row.fileSystem.empty() ? texts::unknownWord() : row.fileSystem,
                         texts::statusWord(row.status), row.advanced ? texts::yesWord() : texts::noWord()});
    }
    std::vector<std::size_t> widths(table[0].size(), 0);
    for (const auto& cells : table) {
        for (std::size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], cells[i].size());
    }
    for (const auto& cells : table) {
        std::wstring text;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += i + 1 < cells.size() ? padded(cells[i], widths[i] + 2) : cells[i];
        }
        output.line(text);
    }
    return kDone;
}

// ---- protect and restore -------------------------------------------------------------

struct Skipped {
    wchar_t drive;
    std::wstring reason;
};

std::wstring outcomeWord(DriveResult::Outcome outcome) {
    switch (outcome) {
        case DriveResult::Outcome::Done:
            return L"done";
        case DriveResult::Outcome::Failed:
            return L"failed";
        case DriveResult::Outcome::Declined:
            return L"declined";
        case DriveResult::Outcome::NeedsAdministrator:
            return L"needsAdministrator";
        case DriveResult::Outcome::RefusedByPolicy:
            return L"refusedByPolicy";
        case DriveResult::Outcome::NotUsable:
            break;
    }
    return L"unusable";
}

std::wstring pathsJson(const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> items;
    for (const std::wstring& path : paths) items.push_back(jsonString(path));
    return jsonArray(items);
}

// What was left alone: where it was named ("open", a shortcut's path; null for an entry
// of the drive itself), the name, a short stable reason and the reason for people.
std::wstring refusedJson(const std::vector<lockbay::RefusedName>& refused) {
    std::vector<std::wstring> items;
    for (const lockbay::RefusedName& name : refused) {
        JsonObject item;
        if (name.key.empty()) {
            item.addNull(L"source");
        } else {
            item.add(L"source", name.key);
        }
        items.push_back(item.add(L"name", name.name)
                            .add(L"reason", std::wstring(lockbay::refusalName(name.reason)))
                            .add(L"text", texts::refusalText(name.reason))
                            .str());
    }
    return jsonArray(items);
}

// What Protect found, and what --clean did (null without it).
void addCleaningJson(JsonObject& object, const DriveResult& result) {
    object.addRaw(L"found", JsonObject()
                                .addRaw(L"programs", pathsJson(result.found.programs))
                                .addRaw(L"shortcuts", pathsJson(result.found.shortcuts))
                                .addRaw(L"hiddenFolders", pathsJson(result.found.hiddenFolders))
                                .addRaw(L"refused", refusedJson(result.found.refused))
                                .str());
    if (!result.cleaned) {
        object.addNull(L"cleaned");
        return;
    }
    const lockbay::CleanReport& report = *result.cleaned;
    std::vector<std::wstring> items;
    for (const lockbay::CleanedItem& item : report.items) {
        JsonObject entry;
        entry.add(L"kind", texts::cleanedKindWord(item.kind)).add(L"path", item.oldPath);
        // A file that could not be moved is still at its old path.
        if (item.newPath.empty() || !item.done) {
            entry.addNull(L"newPath");
        } else {
            entry.add(L"newPath", item.newPath);
        }
        entry.add(L"ok", item.done);
        if (item.error.empty()) {
            entry.addNull(L"error");
        } else {
            entry.add(L"error", item.error);
        }
        items.push_back(entry.str());
    }
    JsonObject cleaned;
    if (report.quarantined()) {
        cleaned.add(L"quarantineFolder", report.quarantineFolder);
    } else {
        cleaned.addNull(L"quarantineFolder");
    }
    object.addRaw(L"cleaned", cleaned.add(L"ok", report.failures() == 0)
                                  .add(L"readmeWritten", report.readmeWritten)
                                  .addRaw(L"items", jsonArray(items))
                                  .addRaw(L"refused", refusedJson(report.refused))
                                  .str());
}

std::wstring resultJson(const DriveResult& result, bool protect) {
    std::vector<std::wstring> steps;
    for (const StepRecord& step : result.steps) {
        JsonObject object;
        object.add(L"step", step.name);
        if (step.command.empty()) {
            object.addNull(L"command").addNull(L"exitCode");
        } else {
            object.add(L"command", step.command);
            if (step.exitCode) {
                object.add(L"exitCode", static_cast<std::int64_t>(*step.exitCode));
            } else {
                object.addNull(L"exitCode");
            }
        }
        steps.push_back(object.add(L"ok", step.ok).str());
    }
    JsonObject object;
    object.add(L"drive", driveName(result.drive))
        .add(L"ok", result.outcome == DriveResult::Outcome::Done)
        .add(L"outcome", outcomeWord(result.outcome));
    if (result.error.empty()) {
        object.addNull(L"error");
    } else {
        object.add(L"error", result.error);
    }
    if (result.outcome == DriveResult::Outcome::NotUsable ||
        result.outcome == DriveResult::Outcome::Declined ||
        result.outcome == DriveResult::Outcome::NeedsAdministrator ||
        result.outcome == DriveResult::Outcome::RefusedByPolicy) {
        object.addNull(L"status").addNull(L"advanced");
    } else {
        object.add(L"status", texts::statusWord(result.reading.status))
            .add(L"advanced", result.reading.status == DriveStatus::Protected &&
                                  (result.reading.marker || result.reading.everyoneDenied.value_or(false)));
    }
    object.add(L"converted", result.converted).addRaw(L"steps", jsonArray(steps));
    if (protect) addCleaningJson(object, result);
    return object.str();
}

bool isYes(std::wstring answer) {
    while (!answer.empty() && std::iswspace(answer.back())) answer.pop_back();
    while (!answer.empty() && std::iswspace(answer.front())) answer.erase(answer.begin());
    for (wchar_t& c : answer) c = static_cast<wchar_t>(std::towlower(c));
    return answer == L"y" || answer == L"yes";
}

int onDrives(platform::ConsolePlatform& p, const Invocation& invocation,
             const product::policy::Policies& policies, Output& output) {
    const bool protect = invocation.command == Command::Protect;
    DriveContext context{p.fs, p.processes, p.registry, p.program.elevated(), nullptr};
    context.conversionAllowed = policies.ntfsConversion.value_or(true);
    context.confirmConversion = [&](wchar_t drive, const std::wstring& fileSystem) {
        if (invocation.yes) return true;
        // The question goes to standard error, so that a --json document stays whole.
        p.console.err(texts::confirmConversion(drive, fileSystem));
        const auto answer = p.console.readLine();
        if (!answer) p.console.err(L"\n");
        return answer && isYes(*answer);
    };

    std::vector<wchar_t> targets = invocation.drives;
    std::vector<Skipped> skipped;
    if (invocation.allRemovable) {
        const auto systemDrive = p.fs.systemDrive();
        for (const wchar_t drive : p.fs.driveLetters()) {
            if (!isRemovableMedium(p.fs.driveDetails(drive))) continue;
            if (systemDrive && *systemDrive == drive) {
                skipped.push_back({drive, texts::systemDriveLeftOut(drive)});
            } else if (const Usability use = usability(p.fs, drive); use != Usability::Usable) {
                skipped.push_back({drive, texts::notUsable(drive, use)});
            } else {
                targets.push_back(drive);
            }
        }
    }

    std::vector<DriveResult> results;
    for (const wchar_t drive : targets) {
        results.push_back(protect ? protectDrive(context, drive, invocation.advanced, invocation.clean)
                                  : restoreDrive(context, drive));
    }

    int code = kDone;
    for (const DriveResult& result : results) {
        if (result.outcome == DriveResult::Outcome::Failed ||
            result.outcome == DriveResult::Outcome::Declined) {
            code = kFailed;
        } else if (result.outcome == DriveResult::Outcome::RefusedByPolicy && code != kFailed) {
            code = kRefusedByPolicy;
        } else if (result.outcome == DriveResult::Outcome::NeedsAdministrator && code != kFailed &&
                   code != kRefusedByPolicy) {
            code = kNeedsAdministrator;
        } else if (result.outcome == DriveResult::Outcome::NotUsable && code == kDone) {
            code = kDriveUnusable;
        }
    }

    if (output.json()) {
        std::vector<std::wstring> items;
        for (const DriveResult& result : results) items.push_back(resultJson(result, protect));
        std::vector<std::wstring> left;
        for (const Skipped& skip : skipped) {
            left.push_back(
                JsonObject().add(L"drive", driveName(skip.drive)).add(L"reason", skip.reason).str());
        }
        JsonObject document;
        document.add(L"command", protect ? L"protect" : L"restore");
        if (protect) document.add(L"advanced", invocation.advanced);
        output.document(document.add(L"ok", code == kDone)
                            .addRaw(L"results", jsonArray(items))
                            .addRaw(L"skipped", jsonArray(left))
                            .str());
        return code;
    }
    for (const Skipped& skip : skipped) output.line(skip.reason);
    if (invocation.allRemovable && targets.empty()) output.line(texts::noRemovableDrive());
    for (const DriveResult& result : results) {
        const bool done = result.outcome == DriveResult::Outcome::Done;
        if (done) {
            output.line(protect ? texts::protectedDone(result.drive, invocation.advanced, result.converted)
                                : texts::restoredDone(result.drive));
        }
        if (result.autorunDeletedWithoutCopy) output.line(texts::noCopyKept(result.drive));
        if (!result.found.empty()) {
            for (const std::wstring& line : texts::foundLines(result.found)) output.line(line);
        }
        // With --clean, the summary lists them, with what cleaning itself left alone.
        if (!result.cleaned) {
            for (const std::wstring& line : texts::refusedLines(result.found.refused)) output.line(line);
            if (!result.found.empty()) {
                output.line(policies.offerCleaning.value_or(true) ? texts::howToClean(result.drive)
                                                                  : texts::cleaningOffByPolicy());
            }
        }
        if (result.cleaned) {
            for (const std::wstring& line : texts::cleanedLines(*result.cleaned)) output.line(line);
            for (const std::wstring& line : texts::refusedLines(result.cleaned->refused)) output.line(line);
        }
        if (!done) output.problem(result.error);
    }
    return code;
}

// ---- computer ------------------------------------------------------------------------

std::wstring autoRunWord(bool off) {
    return off ? L"off" : L"on";
}

int computerStatus(platform::ConsolePlatform& p, Output& output) {
    const lockbay::ComputerAutoRun state = lockbay::readComputerAutoRun(p.registry);
    if (output.json()) {
        std::vector<std::wstring> settings;
        for (const auto& [setting, value] : state.settings) {
            const lockbay::AutoRunSettingPlace& place = lockbay::placeOf(setting);
            JsonObject object;
            object.add(L"setting", texts::settingTitle(setting))
                .add(L"key", texts::keyPath(place.root, place.key))
                .add(L"name", place.name)
                .add(L"changedByLockbay", setting == lockbay::AutoRunSetting::MachineDriveTypes ||
                                              setting == lockbay::AutoRunSetting::InfMapping)
                .add(L"present", value.has_value());
            if (value) {
                object.add(L"type", texts::registryTypeName(value->type));
                // A number stays a number and a text a text; other types as the person reads them.
                if (const auto number = platform::dwordOf(*value)) {
                    object.add(L"value", static_cast<std::int64_t>(*number));
                } else if (const auto text = platform::stringOf(*value)) {
                    object.add(L"value", *text);
                } else {
                    object.add(L"value", texts::valueText(*value));
                }
            } else {
                object.addNull(L"type").addNull(L"value");
            }
            settings.push_back(object.add(L"meaning", texts::meaning(setting, value)).str());
        }
        output.document(JsonObject()
                            .add(L"autoRun", autoRunWord(state.off))
                            .add(L"saved", state.saved)
                            .addRaw(L"settings", jsonArray(settings))
                            .str());
        return kDone;
    }
    output.line(texts::computerLine(state.off));
    output.line(texts::savedLine(state.saved));
    for (const auto& [setting, value] : state.settings) {
        const lockbay::AutoRunSettingPlace& place = lockbay::placeOf(setting);
        output.line(L"");
        output.line(texts::settingTitle(setting) + L" (" + texts::keyPath(place.root, place.key) + L")");
        output.line(L"    " + texts::valueLabel() + (value ? texts::valueText(*value) : texts::absentWord()));
        output.line(L"    " + texts::meaningLabel() + texts::meaning(setting, value));
    }
    return kDone;
}

int computerSwitch(platform::ConsolePlatform& p, bool turnOff, Output& output) {
    if (!p.program.elevated()) return output.error(kNeedsAdministrator, texts::needsAdministrator());
    const lockbay::AutoRunChange change =
        turnOff ? lockbay::turnComputerAutoRunOff(p.registry) : lockbay::turnComputerAutoRunOn(p.registry);
    switch (change) {
        case lockbay::AutoRunChange::Done:
            break;
        case lockbay::AutoRunChange::NothingSaved:
            return output.error(kFailed, texts::nothingSaved());
        case lockbay::AutoRunChange::NeedsAdministrator:
            return output.error(kNeedsAdministrator, texts::needsAdministrator());
        case lockbay::AutoRunChange::Failed:
            return output.error(kFailed, texts::registryRefused());
    }
    // Read afresh: success only when the registry holds what was written.
    const lockbay::ComputerAutoRun state = lockbay::readComputerAutoRun(p.registry);
    if (turnOff ? !(state.off && state.saved) : state.saved) {
        return output.error(kFailed, texts::notAsWritten());
    }
    if (output.json()) {
        output.document(
            JsonObject().add(L"autoRun", autoRunWord(state.off)).add(L"saved", state.saved).str());
    } else {
        output.line(turnOff ? texts::turnedOff() : texts::turnedBackOn());
        output.line(texts::computerLine(state.off));
    }
    return kDone;
}

// ---- policy --------------------------------------------------------------------------

int showPolicies(const product::policy::Policies& policies, Output& output) {
    std::vector<std::wstring> items;
    for (const product::policy::Entry& entry : product::policy::kEntries) {
        const std::string ascii = entry.cliName;
        const std::wstring name(ascii.begin(), ascii.end());
        std::optional<std::wstring> value;
        if (entry.flag && policies.*entry.flag) value = *(policies.*entry.flag) ? L"enabled" : L"disabled";
        if (entry.text && policies.*entry.text) value = *(policies.*entry.text);
        if (output.json()) {
            JsonObject object;
            object.add(L"policy", name).add(L"registryValue", entry.valueName);
            if (value)
                object.add(L"setting", *value);
            else
                object.addNull(L"setting");
            items.push_back(object.str());
        } else {
            output.line(texts::policyLine(name, value));
        }
    }
    if (output.json()) {
        output.document(JsonObject()
                            .add(L"key", std::wstring(L"HKEY_LOCAL_MACHINE\\") + product::policy::kKey)
                            .addRaw(L"policies", jsonArray(items))
                            .str());
    }
    return kDone;
}

}  // namespace

int run(platform::ConsolePlatform& p, const std::vector<std::wstring>& arguments) {
    const ParsedArguments parsed = parseArguments(arguments);
    Output output(p.console, parsed.json);
    if (!parsed.invocation) return output.error(kBadUsage, parsed.error + L" " + texts::seeHelp());
    const Invocation& invocation = *parsed.invocation;
    const product::policy::Policies policies = product::policy::read(p.registry);
    if (invocation.clean && !policies.offerCleaning.value_or(true))
        return output.error(kRefusedByPolicy, texts::cleanRefusedByPolicy());
    switch (invocation.command) {
        case Command::Help:
            p.console.out(texts::help());
            return kDone;
        case Command::Version: {
            const std::wstring version = texts::versionText(product::runningVersion(p.program));
            if (output.json()) {
                output.document(JsonObject().add(L"version", version).str());
            } else {
                output.line(L"lockbay-cli " + version);
            }
            return kDone;
        }
        case Command::List:
            return listDrives(p, output);
        case Command::Protect:
        case Command::Restore:
            return onDrives(p, invocation, policies, output);
        case Command::ComputerStatus:
            return computerStatus(p, output);
        case Command::ComputerProtect:
            return computerSwitch(p, true, output);
        case Command::ComputerRestore:
            return computerSwitch(p, false, output);
        case Command::Policy:
            return showPolicies(policies, output);
    }
    return kBadUsage;
}

}  // namespace cli
