// The main window's offer to clean a drive: Protect reads an infected autorun.inf before
// it removes it; once the operation is over (after the refresh step, when the window is
// no longer busy), the window lists what the drive still carries in one message and asks
// whether to clean it. Yes quarantines the files and shows the hidden folders again, then
// sums up what happened; No changes nothing and says that the files are still there.
#pragma once

#include <optional>
#include <string>

#include "drive_rules/cleaning.h"
#include "lockbay/operations/cleaning_question.h"

namespace lockbay {

class LockbayApp;

class CleaningOffer {
public:
    explicit CleaningOffer(LockbayApp& app) : app_(app) {}

    // Protect's first file step: reads the drive's infected autorun.inf, if it has one,
    // before it is removed. Forgets any earlier drive.
    void readBeforeRemoval(wchar_t drive);
    // Protect deleted the drive's autorun.inf without a copy (no quarantine folder could
    // be made): offer() says so before anything else.
    void noteNoCopyKept(wchar_t drive) { noCopyKept_ = drive; }
    // After the busy state has ended: when Protect did remove the autorun.inf it read and
    // the drive carries anything to clean, asks the user. Asks at most once per Protect.
    void offer();
    // When the window is idle with a fresh list: the drives that the watcher (or the
    // command line) protected and handed over (cleaning_handover.h), each asked about as
    // after Protect, under whatever letter the volume has now, once: the entry goes once
    // the user has answered, whatever the answer. The entry of a volume that is not here
    // stays until it is back (or too old); one of bad data is dropped, and one of a volume
    // in a drive the watcher would not watch.
    void offerHandedOver();

private:
    struct Pending {
        wchar_t drive;
        AutorunRead autorun;
    };
    // The question, and what the answer does.
    void ask(const Infection& found);

    LockbayApp& app_;
    std::optional<Pending> pending_;
    std::optional<wchar_t> noCopyKept_;
    // A question is open: its modal loop runs the timers, and no second one may start.
    bool asking_ = false;
};

// The most entries of one list that the summary's message shows; the rest are counted.
// The question lists every one.
inline constexpr std::size_t kListedPerGroup = 5;
// The most characters of a path that a message shows; a longer one loses its middle.
inline constexpr std::size_t kShownPathLength = 70;

// The question's window: its first line, every item the drive carries in its group, and
// whether to clean it.
std::wstring cleaningIntro(const Infection& found, const TextOf& text);
std::vector<QuestionGroup> cleaningGroups(const Infection& found, const TextOf& text);
std::wstring cleaningQuestion(const Infection& found, const TextOf& text);
// What cleaning did, and what it could not do.
std::wstring cleaningSummary(const CleanReport& report, const TextOf& text);
// `path` shortened to kShownPathLength characters: its first folder and its name stay,
// the middle becomes "...".
std::wstring shortenedPath(const std::wstring& path);

}  // namespace lockbay
