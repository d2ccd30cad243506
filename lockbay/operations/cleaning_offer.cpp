// The main window's offer to clean a drive: see cleaning_offer.h.
#include "lockbay/operations/cleaning_offer.h"

#include <algorithm>
#include <vector>

#include "drive_rules/best_effort.h"
#include "drive_rules/cleaning_handover.h"
#include "drive_rules/drive_steps.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/ui/module1.h"
#include "texts/text_inserts.h"

namespace lockbay {

namespace {

// One group of a message: its heading and its lines, at most kListedPerGroup of them,
// then "... and N more". Nothing for an empty group.
void appendGroup(std::wstring& out, const std::wstring& heading, const std::vector<std::wstring>& lines,
                 const TextOf& text) {
    if (lines.empty()) return;
    out += L"\n\n" + heading;
    for (std::size_t i = 0; i < lines.size() && i < kListedPerGroup; ++i) out += L"\n    " + lines[i];
    if (lines.size() > kListedPerGroup) {
        out += L"\n    " + fillInserts(text(CaptionLine::kCleanMoreItems),
                                       {std::to_wstring(lines.size() - kListedPerGroup)});
    }
}

std::vector<std::wstring> shortened(const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> lines;
    for (const std::wstring& path : paths) lines.push_back(shortenedPath(path));
    return lines;
}

std::vector<std::wstring> refusedLines(const std::vector<RefusedName>& refused, const TextOf& text) {
    std::vector<std::wstring> lines;
    for (const RefusedName& name : refused) lines.push_back(refusedLine(name, text));
    return lines;
}

}  // namespace

std::wstring shortenedPath(const std::wstring& path) {
    if (path.size() <= kShownPathLength) return path;
    // "E:\first\...\name", cutting the name's start too when it alone is too long.
    const std::size_t firstEnd = path.find(L'\\', 3);
    std::wstring head = firstEnd == std::wstring::npos || firstEnd > kShownPathLength / 3
                            ? path.substr(0, 3)
                            : path.substr(0, firstEnd + 1);
    head += L"...";
    const std::size_t room = kShownPathLength - head.size();
    const std::size_t lastSlash = path.rfind(L'\\');
    std::wstring tail = path.substr(lastSlash);
    if (tail.size() > room) tail = path.substr(path.size() - room);
    return head + tail;
}

std::wstring cleaningIntro(const Infection& found, const TextOf& text) {
    return fillInserts(text(CaptionLine::kCleanFoundIntro), {std::wstring(1, found.drive)});
}

std::vector<QuestionGroup> cleaningGroups(const Infection& found, const TextOf& text) {
    return {{text(CaptionLine::kCleanProgramsHeading), shortened(found.programs)},
            {text(CaptionLine::kCleanShortcutsHeading), shortened(found.shortcuts)},
            {text(CaptionLine::kCleanHiddenFoldersHeading), shortened(found.hiddenFolders)},
            {text(CaptionLine::kCleanRefusedHeading), refusedLines(found.refused, text)}};
}

std::wstring cleaningQuestion(const Infection& found, const TextOf& text) {
    return fillInserts(text(CaptionLine::kCleanQuestion), {quarantineRoot(found.drive)});
}

std::wstring cleaningSummary(const CleanReport& report, const TextOf& text) {
    std::vector<std::wstring> moved, notMoved, shown, stillHidden;
    bool partly = report.quarantined() && !report.readmeWritten;
    for (const CleanedItem& item : report.items) {
        // The copy of autorun.inf is not the user's: a failure to write it shows as the
        // README's, which fails for the same reasons.
        if (item.kind == CleanedItem::Kind::AutorunCopy) continue;
        const bool folder = item.kind == CleanedItem::Kind::HiddenFolder;
        std::wstring line = shortenedPath(item.oldPath);
        if (!item.done && !item.error.empty()) line += L" (" + item.error + L")";
        if (item.done) {
            (folder ? shown : moved).push_back(std::move(line));
        } else {
            partly = true;
            (folder ? stillHidden : notMoved).push_back(std::move(line));
        }
    }
    const std::wstring drive(1, report.drive);
    std::wstring out;
    if (!report.quarantined()) {
        out = fillInserts(text(report.quarantineIsLink() ? CaptionLine::kCleanQuarantineIsLink
                                                         : CaptionLine::kCleanNoQuarantine),
                          {quarantineRoot(report.drive)});
        notMoved.clear();  // every file: the heading says it all
    } else {
        out = fillInserts(text(partly ? CaptionLine::kCleanPartlyDone : CaptionLine::kCleanDone),
                          {drive, report.quarantineFolder});
    }
    appendGroup(out, text(CaptionLine::kCleanMovedHeading), moved, text);
    appendGroup(out, text(CaptionLine::kCleanNotMovedHeading), notMoved, text);
    appendGroup(out, text(CaptionLine::kCleanShownHeading), shown, text);
    appendGroup(out, text(CaptionLine::kCleanStillHiddenHeading), stillHidden, text);
    appendGroup(out, text(CaptionLine::kCleanRefusedHeading), refusedLines(report.refused, text), text);
    if (report.quarantined() && !report.readmeWritten) {
        out += L"\n\n" + fillInserts(text(CaptionLine::kCleanReadmeNotWritten), {report.readmeError});
    }
    return out;
}

void CleaningOffer::readBeforeRemoval(wchar_t drive) {
    AutorunRead autorun = readInfectedAutorun(app_.fs(), drive);
    if (autorun.present) {
        pending_ = Pending{drive, std::move(autorun)};
    } else {
        pending_.reset();
    }
}

void CleaningOffer::offer() {
    if (noCopyKept_) {
        const wchar_t drive = *noCopyKept_;
        noCopyKept_.reset();
        app_.ui().messageBox(fillInserts(app_.module1().text(CaptionLine::kAutorunNotKept),
                                         {std::wstring(1, drive), quarantineRoot(drive)}),
                             messages::kProgramTitle);
    }
    if (!pending_) return;
    // Taken out first: whatever happens while a message is open, this drive is asked
    // about once.
    Pending pending = std::move(*pending_);
    pending_.reset();
    platform::FileSystem& fs = app_.fs();
    // A file that is still there (the user cancelled the retry) was not removed: the
    // drive is still INFECTED, and the next Protect reads it again.
    if (!infectedFileGone(fs, pending.drive)) return;
    const Infection found = scanDrive(fs, pending.drive, std::move(pending.autorun));
    if (found.empty()) return;
    ask(found);
}

void CleaningOffer::offerHandedOver() {
    platform::Registry& registry = app_.platform().registry;
    if (asking_ || !registry.keyExists(platform::RegistryRoot::CurrentUser, kHandoverKey)) return;
    const std::vector<HandedOver> entries = handedOverEntries(registry, handoverClockNow());
    if (entries.empty()) return;
    platform::FileSystem& fs = app_.fs();
    const std::optional<wchar_t> systemDrive = fs.systemDrive();
    // Each volume under whatever letter it has now; an absent one keeps its entry until it
    // is back. A network or optical drive is never asked for its serial: it may not answer.
    for (const wchar_t drive : fs.driveLetters()) {
        const platform::DriveKind kind = fs.driveKind(drive);
        if ((kind != platform::DriveKind::Removable && kind != platform::DriveKind::Fixed) ||
            !fs.isReady(drive))
            continue;
        const platform::DriveDetails details = fs.driveDetails(drive);
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const HandedOver& e) { return e.serial == details.serial; });
        if (entry == entries.end()) continue;
        // Only a drive the watcher would watch: any program of the user can write an entry.
        if (!isWatchedDrive(drive, details, systemDrive)) {
            ignoreFailure(dropHandover(registry, entry->serial));
            continue;
        }
        // An autorun.inf back on the drive is Protect's to read and remove.
        if (!infectedFileGone(fs, drive)) continue;
        const Infection found = scanDrive(fs, drive, entry->autorun);
        // Dropped once the user has answered (or there is nothing left to ask about); a
        // program ended while the question is open asks again next time.
        if (!found.empty()) ask(found);
        ignoreFailure(dropHandover(registry, entry->serial));
    }
}

void CleaningOffer::ask(const Infection& found) {
    if (asking_) return;
    asking_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{asking_};
    platform::FileSystem& fs = app_.fs();
    const TextOf text = [this](CaptionLine line) -> const std::wstring& { return app_.module1().text(line); };
    platform::ui::Runtime& ui = app_.ui();
    if (!app_.policies().offerCleaning.value_or(true)) {
        // Only the report: what the drive carries, and that the organisation decides.
        std::wstring report = cleaningIntro(found, text) + L"\n";
        for (const std::wstring& line : questionListLines(cleaningGroups(found, text)))
            report += L"\n" + line;
        ui.messageBox(report + L"\n\n" +
                          fillInserts(text(CaptionLine::kPolicyCleaningOff), {std::wstring(1, found.drive)}),
                      messages::kProgramTitle);
        return;
    }
    const bool yes = app_.cleaningQuestion().ask(cleaningIntro(found, text), cleaningGroups(found, text),
                                                 cleaningQuestion(found, text));
    if (!yes) {
        ui.messageBox(fillInserts(text(CaptionLine::kCleanDeclined), {std::wstring(1, found.drive)}),
                      messages::kProgramTitle);
        return;
    }
    const CleanReport report = cleanDrive(fs, found, text, platform::localTimeNow());
    ui.messageBox(cleaningSummary(report, text), messages::kProgramTitle);
}

}  // namespace lockbay
