// The language file and the built-in English texts: see language_file.h.
#include "texts/language_file.h"

#include <algorithm>

#include "platform/encoding.h"
#include "product/identity.h"

namespace lockbay {

namespace {
constexpr char kCr = '\r';
constexpr char kLf = '\n';

// The English texts in file order. The credit and support lines are left
// out here: they carry the product identity and are completed at run time.
constexpr std::wstring_view kEnglish[] = {
    L"PROTECTED",
    L"INFECTED",
    L"UNPROTECTED",
    L"Lockbay - Update Available",
    L"An update is available. Updates are very important. They include security and bug fixes, as well as "
    L"new features for this program. Would you like to update?",
    L"Update",
    L"Cancel",
    L"Lockbay - Free up some space",
    L"You don't have enough free space on your drive. Please make sure you have at least 10 MB free space "
    L"on your drive. The program needs this space to convert your USB to NTFS, which will enable Advanced "
    L"Protection.",
    L"Continue",
    L"Cancel",
    L"Select the drive to protect / restore:",
    L"Please Wait...",
    L"Refresh",
    L"Protect",
    L"Restore",
    L"Simple",
    L"Advanced",
    L"Program Support",
    L"About Lockbay",
    L"How does it work?",
    L"How to protect a drive?",
    L"How to restore a drive?",
    L"Click here to see the online FAQ section.",
    L"TITLE: Lockbay",
    L"VERSION: 4.0.0",
    L"CREATED BY: ",
    L"SUPPORT: ",
    L"Simple protection method:",
    L"Advanced protection method:",
    // The two blanks after the second "NTFS" belong to the text.
    L"You can protect your USB drive against autorun viruses, as well as your hard drive. Just select the "
    L"desired drive and click Protect. If your USB flash drive is not formatted in NTFS, the program will "
    L"automatically convert it to NTFS  if you want Advanced Protection. Your files won't be affected in "
    L"any way. However, we don't take responsibility in case of data loss during this process, so it's "
    L"better to back-up your files before applying advanced protection.",
    L"How to restore a drive or USB",
    L"You can restore your drive to its initial state. Just select the desired drive and click Restore. The "
    L"protection will be removed, but if you formatted the disk in NTFS, it will keep the NTFS format. If "
    L"you want to format it to FAT, go to My Computer and right click the drive, format, and choose FAT32 "
    L"option.",
    L"The simple protection method creates a hidden folder on your (flash) drive that will block Windows "
    L"and the virus to copy a bad autorun file on your drive. Your drive won't crash and will function as "
    L"always. The program even deletes existing autorun files to make sure that your drive is protected. "
    L"You can restore the drive later by clicking the Restore button instead of Protect.",
    L"The advanced protection method applies the simple protection and sets additional permissions to that "
    L"folder, so no virus could delete it. If you want to restore the drive, just click Restore. Don't "
    L"worry, your activities with the USB Drive won't be affected in any way. The program will "
    L"automatically convert your drive to NTFS file system without interfering with your files. However you "
    L"need at least 10 MB free on your drive for the conversion to succeed.",
    L"Application description:",
    L"How to protect a drive or USB",
    L"Welcome to Lockbay. This is a simple application that helps you to protect your USB flash drive "
    L"against autorun viruses. You can also protect your hard-disk drives against this type of viruses.",
    // Lines 39 and up.
    // The watcher.
    L"Open Lockbay",
    L"Start with Windows",
    L"Exit",
    L"Lockbay protects USB drives when they are plugged in",
    L"Drive protected",
    L"%1 is now protected against autorun viruses.",
    L"An autorun.inf file was removed from %1, and the drive is now protected.",
    L"%1 is already protected.",
    L"Drive not protected",
    L"The autorun.inf file on %1 could not be removed. Scan the drive for viruses, then protect it with "
    L"Lockbay.",
    L"%1 was removed before it could be protected.",
    L"%1 could not be protected. It may be write-protected: remove the write protection, then plug it in "
    L"again.",
    // The main window's AutoRun line.
    L"This computer: AutoRun is on",
    L"This computer: AutoRun is off",
    L"Turn off",
    L"Turn on",
    L"This computer's AutoRun setting was not changed.",
    // Cleaning an infected drive.
    L"Lockbay has removed the autorun.inf file of drive %1:, but the virus that it started is still on the "
    L"drive.",
    L"Programs that the virus runs:",
    L"Shortcuts that pose as folders:",
    L"Folders that the virus has hidden:",
    L"... and %1 more",
    L"Clean the drive now? Lockbay moves the programs and shortcuts into the folder \"%1\" on the drive "
    L"(nothing is deleted) and shows the hidden folders again.",
    L"Nothing has been changed. Drive %1: still carries the files that were listed, and opening one of them "
    L"can start the virus again.",
    L"Drive %1: has been cleaned. The files have been moved into \"%2\"; README.txt there lists them and "
    L"tells "
    L"how to put each one back.",
    L"Drive %1: has been cleaned only in part. README.txt in \"%2\" lists what has been moved and tells how "
    L"to "
    L"put each file back.",
    L"Moved:",
    L"Could not be moved, still in place:",
    L"Shown again:",
    L"Still hidden, could not be changed:",
    L"Nothing has been moved: the folder \"%1\" could not be made on the drive. The drive may be full or "
    L"write-protected.",
    L"README.txt could not be written: %1",
    L"Lockbay moved these files here from drive %1: on %2. An infected autorun.inf file started them, or "
    L"they "
    L"were shortcuts that posed as folders. Nothing has been deleted.",
    L"To put a file back, move it to its old path and take \".quarantined\" off its name. Do this only for a "
    L"file you know to be safe.",
    L"Old path: %1",
    L"New path: %1",
    L"Size: %1 bytes",
    L"SHA-256: %1",
    L"Not moved, still at its old path: %1",
    L"A copy of the autorun.inf file that Lockbay removed from the drive, kept to show what it said:",
    L"The copy holds the first %1 bytes of the %2 bytes that the file had.",
    // The watcher, on a protected drive that still needs cleaning.
    L"%1 still carries %2 files that its autorun.inf started. Open Lockbay to clean it",
    // What cleaning left alone.
    L"Not moved, and why:",
    L"it leads off the drive",
    L"no such file on the drive",
    L"it is a folder, not a file",
    L"not a file name that Lockbay accepts",
    L"it is in the quarantine already",
    L"Nothing has been moved: the folder \"%1\" on the drive is a link that may lead off the drive, and "
    L"Lockbay writes nothing through it. Remove the link and clean the drive again.",
    // Advanced protection and Restore in the main window.
    L"Converting drive %1: to NTFS takes it off-line for a while: files that are open from it will be "
    L"closed, and the conversion cannot be undone. Convert it now? (No keeps its Simple protection.)",
    L"Drive %1: uses %2, which cannot be converted to NTFS: only FAT and FAT32 drives can. Advanced "
    L"protection needs NTFS, so nothing on the drive has been changed. Protect it in Simple mode instead.",
    L"The conversion of drive %1: to NTFS did not succeed (convert ended with exit code %2, and the drive "
    L"reads as %3), so Everyone has not been denied access to its autorun.inf folder.",
    L"Advanced protection could not be applied to drive %1: the access list of its autorun.inf folder does "
    L"not deny Everyone access after the permission step. The drive has Simple protection.",
    L"The autorun.inf folder of drive %1: could not be removed, so the drive is still protected. The folder "
    L"may hold files (Lockbay never deletes them), or its access could not be given back.",
    // Every removed autorun.inf kept in the quarantine.
    L"Lockbay moved the autorun.inf file of drive %1: here on %2 when it protected the drive, because an "
    L"autorun.inf file in a drive's root can start a virus. Nothing has been deleted.",
    L"Its attributes were %1 (R read-only, H hidden, S system). To give them back once it is at its old "
    L"path: attrib %1 \"%2\"",
    L"No copy of %1:\\autorun.inf could be kept: the folder \"%2\" could not be made on the drive (it may "
    L"be full or write-protected). The file has been deleted so that the drive could be protected.",
    L"%1 is now protected against autorun viruses. Its autorun.inf file has been deleted: no copy could "
    L"be kept on the drive.",
    // The cleaning question's buttons.
    L"Yes",
    L"No",
    // Where the organisation's policy decides.
    L"Cleaning drives is turned off by your organisation (set by your organisation). Lockbay only reports "
    L"what the autorun.inf of drive %1: started; nothing has been moved.",
    L"Drive %1: is not NTFS, and your organisation does not allow converting drives to NTFS (set by your "
    L"organisation), so it cannot get Advanced protection. Nothing on the drive was changed.",
    L"The Lockbay plug-in watcher is turned off by your organisation (set by your organisation).",
    L"Start with Windows (set by your organisation)",
};
static_assert(std::size(kEnglish) == kLanguageLineCount, "one English text for every line of a language file");

constexpr std::size_t indexOf(CaptionLine line) {
    return static_cast<std::size_t>(line) - 1;
}

std::array<std::wstring, kLanguageLineCount> buildEnglishTexts() {
    std::array<std::wstring, kLanguageLineCount> texts;
    for (std::size_t i = 0; i < kLanguageLineCount; ++i) texts[i] = kEnglish[i];
    texts[indexOf(CaptionLine::kCreatedByLine)] += product::kWebSiteName;
    texts[indexOf(CaptionLine::kSupportLine)] += product::kSupportAddress;
    return texts;
}
}  // namespace

LanguageLines parseLanguageFile(std::string_view bytes) {
    LanguageLines result;
    std::size_t pos = 0;
    while (pos < bytes.size() && result.lines.size() < kLanguageLineCount) {
        // One byte is one character in Windows-1252, so the cut can be made on the bytes.
        const std::size_t cr = bytes.find(kCr, pos);
        const std::size_t end = cr == std::string_view::npos ? bytes.size() : cr;
        result.lines.push_back(
            platform::fromWindows1252(bytes.substr(pos, std::min(end - pos, kMaxLanguageLineLength))));
        if (cr == std::string_view::npos) break;  // the last line, without a line end
        pos = cr + 1;
        if (pos < bytes.size() && bytes[pos] == kLf) ++pos;
    }
    return result;
}

const std::array<std::wstring, kLanguageLineCount>& englishTexts() {
    static const std::array<std::wstring, kLanguageLineCount> texts = buildEnglishTexts();
    return texts;
}

const std::wstring& englishText(CaptionLine line) {
    return englishTexts()[indexOf(line)];
}

const std::wstring& textOrEnglish(const LanguageLines& language, CaptionLine line) {
    const std::size_t index = indexOf(line);
    return index < language.lines.size() ? language.lines[index] : englishText(line);
}

}  // namespace lockbay
