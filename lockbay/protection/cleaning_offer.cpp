// The main window's offer to clean a drive: see cleaning_offer.h.
#include "lockbay/protection/cleaning_offer.h"

#include <algorithm>
#include <vector>

#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/messages.h"
#include "lockbay/i18n/module1.h"
#include "lockbay/i18n/text_inserts.h"
#include "lockbay/protection/best_effort.h"
#include "lockbay/protection/cleaning_handover.h"
#include "lockbay/protection/drive_steps.h"

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
            {text(CaptionLine::kCleanHiddenFoldersHeading), shortened(found.hiddenFolders)}};
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
        out = fillInserts(text(CaptionLine::kCleanNoQuarantine), {quarantineRoot(report.drive)});
        notMoved.clear();  // every file: the heading says it all
    } else {
        out = fillInserts(text(partly ? CaptionLine::kCleanPartlyDone : CaptionLine::kCleanDone),
                          {drive, report.quarantineFolder});
    }
    appendGroup(out, text(CaptionLine::kCleanMovedHeading), moved, text);
    appendGroup(out, text(CaptionLine::kCleanNotMovedHeading), notMoved, text);
    appendGroup(out, text(CaptionLine::kCleanShownHeading), shown, text);
    appendGroup(out, text(CaptionLine::kCleanStillHiddenHeading), stillHidden, text);
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
    platform::FileSystem& fs = app_.fs();
    const std::vector<wchar_t> present = fs.driveLetters();
    for (wchar_t drive = L'A'; drive <= L'Z'; ++drive) {
        const auto value =
            registry.read(platform::RegistryRoot::CurrentUser, kHandoverKey, handoverName(drive));
        if (!value) continue;
        // The entry goes first: the drive is asked about once, whatever the answer, even
        // should the program end while the question is open.
        ignoreFailure(dropHandover(registry, drive));
        const auto entry = parseHandover(drive, *value);
        if (!entry || std::find(present.begin(), present.end(), drive) == present.end() ||
            !fs.isReady(drive) || fs.driveDetails(drive).serial != entry->serial)
            continue;
        // An autorun.inf back on the drive is Protect's to read and remove.
        if (!infectedFileGone(fs, drive)) continue;
        const Infection found = scanDrive(fs, drive, entry->autorun);
        if (!found.empty()) ask(found);
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
