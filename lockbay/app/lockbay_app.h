// The application object: owns the single instance of every window and the
// operations, and is how the windows reach each other.
#pragma once

#include <memory>

#include "platform/platform.h"
#include "product/policies.h"

namespace lockbay {

class Form1;
class Form2;
class Form3;
class frs;
class CleaningQuestion;
class Dialog;
class frmSplash;
class Module1;
class Protection;

class LockbayApp {
public:
    explicit LockbayApp(platform::Platform& platform);
    ~LockbayApp();
    LockbayApp(const LockbayApp&) = delete;
    LockbayApp& operator=(const LockbayApp&) = delete;

    platform::Platform& platform() { return platform_; }
    platform::FileSystem& fs() { return platform_.fs; }
    platform::ui::Runtime& ui() { return platform_.ui; }
    // The organisation's policies, read once at start.
    const product::policy::Policies& policies() const { return policies_; }

    Form1& form1() { return *form1_; }
    Form2& form2() { return *form2_; }
    Form3& form3() { return *form3_; }
    frs& freeSpaceDialog() { return *frs_; }
    CleaningQuestion& cleaningQuestion() { return *cleaningQuestion_; }
    Dialog& dialog() { return *dialog_; }
    frmSplash& splash() { return *splash_; }
    Module1& module1() { return *module1_; }
    Protection& protection() { return *protection_; }

    // Opens the first window: the splash window, which runs the start-up.
    void start();

private:
    platform::Platform& platform_;
    const product::policy::Policies policies_;
    // The operations first: the windows bind their controls to them.
    std::unique_ptr<Module1> module1_;
    std::unique_ptr<Protection> protection_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<frs> frs_;
    std::unique_ptr<CleaningQuestion> cleaningQuestion_;
    std::unique_ptr<Dialog> dialog_;
    std::unique_ptr<frmSplash> splash_;
};

}  // namespace lockbay
