// The splash window: see frm_splash.h.
#include "lockbay/app/frm_splash.h"

#include <string>

#include "drive_rules/best_effort.h"
#include "lockbay/app/dialog.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/app/version_rule.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/module1.h"
#include "lockbay/ui/widgets.h"
#include "product/identity.h"
#include "product/policies.h"
#include "product/running_version.h"

namespace lockbay {

using namespace platform::ui;

namespace {

const std::vector<ControlSpec>& layout() {
    static const std::vector<ControlSpec> table = {
        image(L"imgLogo", {128, 56, 250, 73}, Art::Logo),
        label(L"lblPlatform", {410, 192, 75, 24}, L"Windows", 15.75, kBlack, Visible::Yes, Align::Right),
        label(L"lblVersion", {435, 224, 48, 18}, L"Version", 12, kBlack, Visible::Yes, Align::Right),
        label(L"lblCompany", {24, 232, 225, 17},
              std::wstring(product::kVendorName) + L" - " + product::kWebSiteName, 9.75, kBlack, Visible::Yes,
              Align::Left),
    };
    return table;
}

const ControlSpec& row(const wchar_t* name) { return findSpec(layout(), name); }

FormSpec windowSpec() {
    FormSpec form;
    form.name = L"frmSplash";
    form.clientWidth = 527;
    form.clientHeight = 277;
    form.frame = Frame::FixedDialogNoTitle;
    return form;
}

}  // namespace

frmSplash::frmSplash(LockbayApp& app)
    : Form(app.ui(), windowSpec()),
      imgLogo(*this, row(L"imgLogo")),
      lblPlatform(*this, row(L"lblPlatform")),
      lblVersion(*this, row(L"lblVersion")),
      lblCompany(*this, row(L"lblCompany")),
      Timer1(*this, L"Timer1", 300),
      Timer2(*this, L"Timer2", 300),
      Timer3(*this, L"Timer3", kPrepareDelayMs),
      app_(app) {
    // A timer comes after the splash's first paint: the pause's idle time creates the main
    // window hidden, with its drive list and pictures, so that it shows at once.
    Timer3.onTick = [this] {
        Timer3.setEnabled(false);
        app_.form1().prepare();
    };
    Timer1.onTick = [this] {
        Timer3.setEnabled(false);
        app_.form1().show();
        Timer1.setEnabled(false);
        unload();
    };
    Timer2.onTick = [this] {
        app_.dialog().show();
        Timer2.setEnabled(false);
        unload();
    };
}

void frmSplash::onLoad() {
    app_.module1().loadlang();
    const platform::ProgramVersion version = product::runningVersion(app_.platform().program);
    lblVersion.setText(L"Ver: " + std::to_wstring(version.major) + L"." + std::to_wstring(version.minor));
    show();
    // From here on nothing is reported: a failed check simply leads to the main window.
    // With the check turned off by the organisation no request goes out at all.
    const bool check = app_.policies().updateCheck.value_or(true);
    if (check && updateAvailable()) {
        Timer2.setEnabled(true);
    } else {
        Timer1.setEnabled(true);
        Timer3.setEnabled(true);
    }
}

bool frmSplash::updateAvailable() {
    platform::FileSystem& fs = app_.fs();
    // Only a file of that name goes; a folder called updatever.php is left alone.
    const auto attributes = fs.attributes(L"updatever.php");
    if (attributes && !(*attributes & platform::attr::kDirectory)) ignoreFailure(fs.deleteFile(L"updatever.php"));

    std::string body;
    const platform::HttpResult result = app_.platform().http.get(
        L"http://" + app_.policies().updateHost.value_or(product::kUpdateHost) + L"/LOCKBAY/updatever.php",
        [&body](std::string_view piece) {
            body.append(piece);
            return body.size() <= kVersionAnswerLimit;
        },
        platform::HttpLimits{.totalMs = kVersionCheckLimitMs, .maxBodyBytes = kVersionAnswerLimit});
    if (!result.completed || result.status < 200 || result.status > 299) return false;
    return isNewerVersion(body, product::runningVersion(app_.platform().program));
}

}  // namespace lockbay
