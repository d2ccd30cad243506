// An arrived drive's protection and its notification: see drive_arrival.h.
#include "watch/core/drive_arrival.h"

#include "drive_rules/drive_status.h"
#include "drive_rules/drive_steps.h"
#include "platform/message_text.h"
#include "texts/text_inserts.h"

namespace watch {

using lockbay::CaptionLine;
using lockbay::DriveStatus;

namespace {

// Why a drive that went through the steps does not read as protected. A write-protected
// medium cannot be told apart for sure (the write probe counts a user's folder "a" as
// written), so it is one of the failures whose text names it as the likely reason.
Arrival whyNotProtected(platform::FileSystem& fs, wchar_t drive) {
    if (!fs.isReady(drive)) return Arrival::Gone;
    if (!lockbay::infectedFileGone(fs, drive)) return Arrival::FileNotRemoved;
    return Arrival::Failed;
}

}  // namespace

Arrival protectArrivedDrive(platform::FileSystem& fs, wchar_t drive, const lockbay::TextOf& text,
                            const platform::LocalTime& when) {
    const DriveStatus before = lockbay::classifyDrive(fs, drive);
    if (before == DriveStatus::Protected) return Arrival::AlreadyProtected;

    const lockbay::AutorunRemoval removal = lockbay::removeInfectedFile(fs, drive, text, when);
    if (removal.outcome == lockbay::FileRemoval::Failed) return whyNotProtected(fs, drive);
    lockbay::makeProtectionFolder(fs, drive);

    // Read afresh: a read-only medium may have accepted nothing, and a stick pulled out
    // meanwhile has nothing at all.
    if (lockbay::classifyDrive(fs, drive) != DriveStatus::Protected) return whyNotProtected(fs, drive);
    if (removal.outcome == lockbay::FileRemoval::NoFile) return Arrival::Protected;
    return removal.copyKept ? Arrival::Cleaned : Arrival::CleanedNoCopy;
}

std::wstring driveName(wchar_t drive, const std::wstring& label) {
    const std::wstring letter{drive, L':'};
    return label.empty() ? letter : label + L" (" + letter + L")";
}

Notification notificationFor(Arrival arrival, const std::wstring& drive,
                             const lockbay::LanguageLines& language) {
    CaptionLine title = CaptionLine::kWatchNotProtectedTitle;
    CaptionLine text = CaptionLine::kWatchFailedText;
    auto kind = platform::NotificationKind::Warning;
    switch (arrival) {
        case Arrival::AlreadyProtected:
            title = CaptionLine::kWatchProtectedTitle;
            text = CaptionLine::kWatchAlreadyProtectedText;
            kind = platform::NotificationKind::Info;
            break;
        case Arrival::Protected:
            title = CaptionLine::kWatchProtectedTitle;
            text = CaptionLine::kWatchProtectedText;
            kind = platform::NotificationKind::Info;
            break;
        case Arrival::Cleaned:
            title = CaptionLine::kWatchProtectedTitle;
            text = CaptionLine::kWatchCleanedText;
            kind = platform::NotificationKind::Info;
            break;
        case Arrival::CleanedNoCopy:
            title = CaptionLine::kWatchProtectedTitle;
            text = CaptionLine::kWatchCleanedNoCopyText;
            break;
        case Arrival::FileNotRemoved:
            text = CaptionLine::kWatchFileNotRemovedText;
            break;
        case Arrival::Gone:
            text = CaptionLine::kWatchDriveGoneText;
            break;
        case Arrival::Failed:
            break;
    }
    std::wstring body = lockbay::textOrEnglish(language, text);
    // A translation that lost its "%1" still names the drive.
    body = body.find(L"%1") == std::wstring::npos ? drive + L" - " + body
                                                  : platform::fillFirstInsert(body, drive);
    return {lockbay::textOrEnglish(language, title), body, kind};
}

bool endsProtected(Arrival arrival) {
    return arrival == Arrival::AlreadyProtected || arrival == Arrival::Protected ||
           arrival == Arrival::Cleaned || arrival == Arrival::CleanedNoCopy;
}

Notification stillCarriesNotification(const std::wstring& drive, std::size_t files,
                                      const lockbay::LanguageLines& language) {
    const std::wstring& text = lockbay::textOrEnglish(language, CaptionLine::kWatchStillCarriesText);
    std::wstring body = lockbay::fillInserts(text, {drive, std::to_wstring(files)});
    if (text.find(L"%1") == std::wstring::npos) body = drive + L" - " + body;
    return {lockbay::textOrEnglish(language, CaptionLine::kWatchProtectedTitle), body,
            platform::NotificationKind::Warning};
}

}  // namespace watch
