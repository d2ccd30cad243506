// A Lockbay application on the fake platform, for the window and operation tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "lockbay/app/dialog.h"
#include "lockbay/app/frm_splash.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/operations/frs.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/form2.h"
#include "lockbay/ui/form3.h"

class LockbayTest : public ::testing::Test {
protected:
    LockbayTest() { fake.fs.addDrive(L'C', {L"NTFS", 50ull << 30, true, false}); }

    // Creates the application; the main window is opened directly unless a test
    // wants the whole start-up.
    lockbay::LockbayApp& app() {
        if (!app_) app_ = std::make_unique<lockbay::LockbayApp>(fake.platform);
        return *app_;
    }
    lockbay::Form1& openMainWindow() {
        app().form1().show();
        return app().form1();
    }
    lockbay::Form1& form1() { return app().form1(); }

    std::vector<std::wstring> listLines() { return form1().List1.items(); }
    // Selects the list line of a drive, as a click would.
    void selectDrive(wchar_t letter) {
        const auto& items = form1().List1.items();
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!items[i].empty() && items[i][0] == letter) {
                form1().List1.select(static_cast<int>(i));
                return;
            }
        }
        FAIL() << "no line for drive " << static_cast<char>(letter);
    }
    bool busy() { return form1().waitt.visible() && !form1().List1.visible(); }
    void advance(std::int64_t ms) { fake.advance(ms); }

    fakes::FakePlatform fake;

private:
    std::unique_ptr<lockbay::LockbayApp> app_;
};
