// The updater's window frmUpdate: layout, the attempt loop on Timer1, the verified and
// atomic save of the setup program, the check of its signature, and its start.
#include "update/core/updater_form.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <stdexcept>
#include <string_view>

#include "platform/best_effort.h"
#include "product/identity.h"
#include "product/policies.h"
#include "update/core/setup_check.h"

namespace update {

namespace {

using platform::ui::Align;
using platform::ui::Art;
using platform::ui::Color;
using platform::ui::ControlKind;
using platform::ui::ControlSpec;
using platform::ui::Font;
using platform::ui::FormSpec;
using platform::ui::Frame;
using platform::ui::kBlack;

// ---- Texts (the updater is not translated) ----

constexpr const wchar_t* kTitle = L"Lockbay Updater";
constexpr const wchar_t* kDownloadingText = L"Downloading files...";
constexpr const wchar_t* kConnectionFailedText =
    L"Connection failed. Please check the network connection. Retrying ...";

// Why a complete download was not started, in the order of SetupTrust.
struct Refusal {
    SetupTrust trust;
    const wchar_t* status;
};
constexpr Refusal kRefusals[] = {
    {SetupTrust::NotSigned, L"Not started: the setup program is not signed. Retrying ..."},
    {SetupTrust::Altered, L"Not started: the setup program was altered after signing. Retrying ..."},
    {SetupTrust::SignedBySomeoneElse,
     L"Not started: the setup program is signed by someone else. Retrying ..."},
    {SetupTrust::Unverifiable, L"Not started: the setup program's signature cannot be checked. Retrying ..."},
};

constexpr const wchar_t* kSetupPath = L"C:\\LockbaySetup.exe";
// A download is written beside the setup file as "LockbaySetup.exe.part-<process id>"
// (see FileSystem::createReplacing). One whose updater was stopped before it could
// remove it is left behind; the next updater removes it.
constexpr const wchar_t* kSetupFolder = L"C:\\";
constexpr std::wstring_view kTemporaryPrefix = L"LockbaySetup.exe.part-";
constexpr const wchar_t* kSetupUrlPath = L"/LOCKBAY/LockbaySetup.exe";

// ---- Layout (pixels at 96 dpi), in the order of the window's control table ----

const FormSpec kFormSpec{.name = L"frmUpdate",
                         .title = kTitle,
                         .clientWidth = 524,
                         .clientHeight = 202,
                         .frame = Frame::Sizable,
                         .background = Art::Background};

const Font kHeadingFont{L"Verdana", 14.25, true, false};
const Font kStatusFont{L"Verdana", 12, true, false};
constexpr Color kOlive = Color::rgb(143, 143, 0);

// clang-format off
const ControlSpec kLayout[] = {
    // name     kind                 x    y    width height visible text        font           colour  align          art        pressable
    {L"Image1", ControlKind::Image, {112,   8, 250,  73},   true,   L"",        Font{},        kBlack, Align::Center, Art::Logo, false},
    {L"Label1", ControlKind::Label, {312,  72, 121,  41},   true,   L"Updater", kHeadingFont,  kOlive, Align::Left,   Art::None, false},
    {L"Label2", ControlKind::Label, { 56, 144, 417,  49},   true,   L"Update",  kStatusFont,   kBlack, Align::Center, Art::None, false},
};
// clang-format on

const ControlSpec& row(std::wstring_view name) {
    for (const ControlSpec& design : kLayout) {
        if (name == design.name) return design;
    }
    throw std::logic_error("no such control in the updater's layout");
}

constexpr int kTimer1FirstMs = 1000;  // the first attempt, after the window has shown
constexpr int kTimer1RetryMs = 5000;  // every attempt after a failed one

std::wstring withReason(std::wstring message, const std::wstring& reason) {
    if (!reason.empty()) message += L"\n\n" + reason;
    return message;
}

std::wstring saveFailedMessage(const std::wstring& reason) {
    return withReason(std::wstring(L"The setup program could not be saved as ") + kSetupPath + L".", reason) +
           L"\n\nPlease make sure that drive C: can be written to and that the file is not in use, "
           L"then start the update again.";
}

const wchar_t* refusalStatus(SetupTrust trust) {
    for (const Refusal& refusal : kRefusals) {
        if (refusal.trust == trust) return refusal.status;
    }
    throw std::logic_error("no status text for a refused setup program");
}

// "LockbaySetup.exe.part-" followed by a process id, in any case.
bool isOurTemporaryFile(std::wstring_view name) {
    if (name.size() <= kTemporaryPrefix.size()) return false;
    for (std::size_t i = 0; i < kTemporaryPrefix.size(); ++i) {
        if (std::towlower(name[i]) != std::towlower(kTemporaryPrefix[i])) return false;
    }
    const std::wstring_view id = name.substr(kTemporaryPrefix.size());
    return std::all_of(id.begin(), id.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// What stands at a name the setup program needs, told on the status line.
std::wstring inTheWayStatus(const std::wstring& path, std::uint32_t attributes) {
    if (attributes & platform::attr::kDirectory)
        return L"Not started: " + path + L" is a folder in the way. Retrying ...";
    return L"Not started: " + path + L" is in the way and cannot be replaced. Retrying ...";
}

std::wstring startFailedMessage(const std::wstring& reason) {
    return withReason(std::wstring(L"The setup program ") + kSetupPath + L" could not be started.", reason) +
           L"\n\nPlease start " + kSetupPath + L" yourself to finish the update.";
}

}  // namespace

std::wstring setupUrl() {
    return setupUrl(product::kDownloadHost);
}

std::wstring setupUrl(const std::wstring& downloadHost) {
    return L"http://" + downloadHost + kSetupUrlPath;
}

bool updatesManagedByOrganisation(platform::Platform& platform) {
    if (product::policy::read(platform.registry).updateCheck.value_or(true)) return false;
    platform.ui.messageBox(
        L"Updates of Lockbay are managed by your organisation (set by your organisation). "
        L"Ask your administrator for a newer version.",
        kTitle);
    return true;
}

UpdaterForm::UpdaterForm(platform::Platform& platform, platform::SignatureCheck& signatures,
                         const platform::KeyHash& trustedKey)
    : Form(platform.ui, kFormSpec),
      Image1(*this, row(L"Image1")),
      Label1(*this, row(L"Label1")),
      Label2(*this, row(L"Label2")),
      Timer1(*this, L"Timer1", kTimer1FirstMs),
      platform_(platform),
      signatures_(signatures),
      trustedKey_(trustedKey),
      downloadHost_(product::policy::read(platform.registry).downloadHost.value_or(product::kDownloadHost)) {
    Timer1.onTick = [this] { Timer1_Tick(); };
}

void UpdaterForm::onLoad() {
    removeStaleTemporaryFiles();
    Label2.setText(kDownloadingText);
    Timer1.setEnabled(true);
    // Shown even when the updater was started with a hidden window: the user must see
    // that it is working and be able to close it.
    show();
}

// A temporary file that another updater is still writing is open without leave to
// delete it, so only those of stopped updaters go.
void UpdaterForm::removeStaleTemporaryFiles() {
    const auto entries = platform_.fs.listFolder(kSetupFolder);
    if (!entries) return;
    for (const platform::FolderEntry& entry : *entries) {
        if ((entry.attributes & platform::attr::kDirectory) == 0 && isOurTemporaryFile(entry.name)) {
            platform::ignoreFailure(platform_.fs.deleteFile(kSetupFolder + entry.name));
        }
    }
}

void UpdaterForm::closeRequested() {
    // During an attempt the transfer is stopped first, so that its temporary file is
    // gone before the process ends.
    if (attemptRunning_) {
        closeAfterAttempt_ = true;
        hide();
        return;
    }
    endUpdater();
}

void UpdaterForm::Timer1_Tick() {
    // The request keeps the window responsive, so the timer may tick again meanwhile;
    // attempts never overlap.
    if (attemptRunning_ || ending_) return;
    attemptRunning_ = true;
    attemptDownload();
    attemptRunning_ = false;
}

// One attempt: receive the setup program into a temporary file, move it into place
// only when it is complete and verified, then start it and end the updater.
void UpdaterForm::attemptDownload() {
    Label2.setText(kDownloadingText);
    runtime().pumpEvents();  // let the status line paint before the request blocks
    if (ending_) return;
    // Closed while the status line painted: no request goes out.
    if (closeAfterAttempt_) return endUpdater();

    std::wstring error;
    // Only administrators may change the file from its first byte to its start.
    auto file = platform_.fs.createPrivateReplacing(kSetupPath, error);
    if (!file) {
        if (const auto inTheWay = temporaryNameInTheWay()) return retryLater(*inTheWay);
        return giveUp(saveFailedMessage(error));
    }

    const Download download = receiveSetup(*file);
    if (ending_) return;
    if (closeAfterAttempt_) {
        file.reset();  // discards what arrived
        return endUpdater();
    }
    if (download.writeFailed) return giveUp(saveFailedMessage(file->lastError()));
    // From here on, dropping `file` discards what arrived.
    if (!download.accepted) return retryLater(kConnectionFailedText);
    if (!file->finish()) return giveUp(saveFailedMessage(file->lastError()));
    // Checked under its temporary name, through the handle that holds it: a setup program
    // that is not ours never gets the final name, let alone started.
    if (const SetupTrust trust = examine(*file); trust != SetupTrust::Trusted)
        return retryLater(refusalStatus(trust));
    if (!file->commit()) {
        // Whatever stands at the final name is neither written through nor started.
        if (const auto attributes = platform_.fs.attributes(kSetupPath))
            return retryLater(inTheWayStatus(kSetupPath, *attributes));
        return giveUp(saveFailedMessage(file->lastError()));
    }

    // Still held, so that nobody can change or replace it until the system has it.
    const platform::StartResult started = platform_.processes.startProgram(kSetupPath);
    file.reset();
    if (!started.started) return giveUp(startFailedMessage(started.error));
    Timer1.setEnabled(false);
    endUpdater();
}

UpdaterForm::Download UpdaterForm::receiveSetup(platform::OutputFile& file) {
    SetupCheck check;
    Download download;
    const platform::HttpResult transfer =
        platform_.http.get(setupUrl(downloadHost_), [&](std::string_view piece) {
            if (closeAfterAttempt_) return false;  // the user closed the window
            check.feed(piece);
            if (check.rejected()) return false;  // not a setup program: stop receiving it
            if (!file.write(piece)) {
                download.writeFailed = true;
                return false;
            }
            return true;
        });
    download.accepted = !download.writeFailed && check.accepts(transfer);
    return download;
}

SetupTrust UpdaterForm::examine(platform::OutputFile& file) {
    return judgeSetup(signatures_.examineHeld(file), trustedKey_);
}

// Something at a temporary name (a folder, or a file that was not ours to remove) keeps
// the download from being written; nothing when there is none.
std::optional<std::wstring> UpdaterForm::temporaryNameInTheWay() {
    const auto entries = platform_.fs.listFolder(kSetupFolder);
    if (!entries) return std::nullopt;
    for (const platform::FolderEntry& entry : *entries) {
        if (isOurTemporaryFile(entry.name))
            return inTheWayStatus(kSetupFolder + entry.name, entry.attributes);
    }
    return std::nullopt;
}

void UpdaterForm::retryLater(const std::wstring& status) {
    Label2.setText(status);
    Timer1.setInterval(kTimer1RetryMs);  // stays enabled; the countdown starts afresh
}

void UpdaterForm::giveUp(const std::wstring& message) {
    // No attempt may start while the message box keeps the event loop running.
    Timer1.setEnabled(false);
    runtime().messageBox(message, kTitle);
    endUpdater();
}

void UpdaterForm::endUpdater() {
    ending_ = true;
    runtime().endProgram();
}

}  // namespace update
