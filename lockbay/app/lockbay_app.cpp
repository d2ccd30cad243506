// The application object: see lockbay_app.h.
#include "lockbay/app/lockbay_app.h"

#include "lockbay/app/dialog.h"
#include "lockbay/app/frm_splash.h"
#include "lockbay/operations/cleaning_question.h"
#include "lockbay/operations/frs.h"
#include "lockbay/operations/protection.h"
#include "lockbay/ui/form1.h"
#include "lockbay/ui/form2.h"
#include "lockbay/ui/form3.h"
#include "lockbay/ui/module1.h"

namespace lockbay {

LockbayApp::LockbayApp(platform::Platform& platform)
    : platform_(platform),
      policies_(product::policy::read(platform.registry)),
      module1_(std::make_unique<Module1>(*this)),
      protection_(std::make_unique<Protection>(*this)),
      form1_(std::make_unique<Form1>(*this)),
      form2_(std::make_unique<Form2>(*this)),
      form3_(std::make_unique<Form3>(*this)),
      frs_(std::make_unique<frs>(*this)),
      cleaningQuestion_(std::make_unique<CleaningQuestion>(*this)),
      dialog_(std::make_unique<Dialog>(*this)),
      splash_(std::make_unique<frmSplash>(*this)) {}

LockbayApp::~LockbayApp() = default;

void LockbayApp::start() { splash_->load(); }

}  // namespace lockbay
