// The updater's only window, frmUpdate: it downloads the newest setup program,
// checks that it is complete and signed with our key, saves it as C:\LockbaySetup.exe,
// starts it and ends the updater. While the download host cannot deliver such a setup
// program it retries every five seconds.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/signatures.h"
#include "platform/ui.h"
#include "update/core/setup_trust.h"

namespace update {

class UpdaterForm : public platform::ui::Form {
public:
    // `trustedKey` is the key a setup program must be signed with (the build's pin).
    UpdaterForm(platform::Platform& platform, platform::SignatureCheck& signatures,
                const platform::KeyHash& trustedKey);

    platform::ui::Control Image1;  // product logo
    platform::ui::Control Label1;  // heading "Updater"
    platform::ui::Control Label2;  // status line
    platform::ui::Timer Timer1;    // one download attempt per tick

    // Closing the window ends the updater, also while it waits for the next attempt.
    void closeRequested() override;

protected:
    void onLoad() override;

private:
    struct Download {
        bool accepted = false;     // a complete setup program arrived
        bool writeFailed = false;  // the temporary file could not take the bytes
    };

    void removeStaleTemporaryFiles();
    void Timer1_Tick();
    void attemptDownload();
    Download receiveSetup(platform::OutputFile& file);
    SetupTrust examine(platform::OutputFile& file);
    std::optional<std::wstring> temporaryNameInTheWay();
    void retryLater(const std::wstring& status);
    void giveUp(const std::wstring& message);
    void endUpdater();

    platform::Platform& platform_;
    platform::SignatureCheck& signatures_;
    const platform::KeyHash trustedKey_;
    const std::wstring downloadHost_;  // the vendor's, or the organisation's by policy
    bool attemptRunning_ = false;      // a tick that arrives while a request pumps messages waits
    bool closeAfterAttempt_ = false;   // closed during an attempt: end once it is cleaned up
    bool ending_ = false;              // the updater is ending; nothing more may happen
};

// The address the setup program is downloaded from: on the vendor's download host, or
// on the organisation's when its update-host policy names one.
std::wstring setupUrl();
std::wstring setupUrl(const std::wstring& downloadHost);

// When the organisation has turned the update check off, says that updates are managed
// by the organisation (in English, like the updater's other texts) and gives true: the
// updater then ends without a request.
bool updatesManagedByOrganisation(platform::Platform& platform);

}  // namespace update
