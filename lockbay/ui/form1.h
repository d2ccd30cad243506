// The main window: the drive list, Refresh, Protect and Restore, the Simple/Advanced
// switch, the busy notice, the language and Program Support buttons and the web link.
// It lives until the program ends; closing it ends the whole process at once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/ui.h"
#include "texts/language_file.h"

namespace lockbay {

class LockbayApp;

class Form1 : public platform::ui::Form {
public:
    explicit Form1(LockbayApp& app);

    // Controls, in the order of the layout table (their ids follow this order).
    platform::ui::Control Image1;
    platform::ui::Control Image2;
    platform::ui::Control Label1;
    platform::ui::ListBox List1;
    platform::ui::Control waitt;
    platform::ui::Control Picture15;
    platform::ui::Control Label4;
    platform::ui::Control Picture6;
    platform::ui::Control Label7;
    platform::ui::Control Picture7;
    platform::ui::Control Label8;
    platform::ui::Control Picture1;
    platform::ui::Control Label5;
    platform::ui::Control Label2;
    platform::ui::Control Picture2;
    platform::ui::Control Label3;
    platform::ui::Control Label6;
    platform::ui::Control Picture13;
    platform::ui::Control Label10;
    platform::ui::Control Picture12;
    platform::ui::Control Label9;
    // The computer's AutoRun switch: its state, and the action that turns it around.
    platform::ui::Control Label11;
    platform::ui::Control Picture16;
    platform::ui::Control Label12;

    // The timers that sequence the operations (intervals in the timer table).
    platform::ui::Timer Timer1;  // refresh step: ends every operation
    platform::ui::Timer Timer2;  // conversion watch
    platform::ui::Timer Timer3;  // Restore: protection folder removal
    platform::ui::Timer Timer4;  // Protect: retry of an infected file's deletion
    platform::ui::Timer Timer5;  // caption step: re-applies the language
    platform::ui::Timer Timer6;  // Restore: grant step
    platform::ui::Timer Timer7;  // live list: rebuilds once a burst of drive changes is over
    platform::ui::Timer Timer8;  // AutoRun switch: watches the elevated command line
    platform::ui::Timer Timer9;  // handed-over drives: asked about once the window shows, idle

    // State shared with the other windows and the operations.
    std::wstring d;                      // current drive letter, upper case, no colon
    bool ok = false;                     // the conversion watch has seen the drive go away
    std::wstring st1 = englishText(CaptionLine::kProtectedWord);  // status words
    std::wstring st2 = englishText(CaptionLine::kInfectedWord);
    std::wstring st3 = englishText(CaptionLine::kUnprotectedWord);
    bool adv = false;                    // protection mode: true = Advanced
    std::vector<wchar_t> Drive1;         // the system drive list, ascending

    // Rebuilds the drive list with the current status words.
    void loadlist();
    // True when the path exists and is a folder; any error gives false.
    bool DirExists(const std::wstring& DirName);
    // Enters the busy state (the caller then shows waitt).
    void hidem();
    // Shows the list, its heading and Refresh again.
    void showm();
    // Reads the computer's AutoRun settings afresh and shows them in the current language.
    void showAutoRun();
    // Shows the AutoRun line in the current language (after a language change).
    void showAutoRunTexts();

    void closeRequested() override;
    // A drive arrived or went away: the list follows once the burst is over.
    void drivesChanged(const platform::ui::DriveChange& change) override;

    // The busy state: an operation runs ("Please Wait..." shown) until its refresh step.
    bool busy() const { return waitt.visible(); }

    // How long the list waits after a drive change for the next one before it rebuilds.
    static constexpr int kDriveChangeSettleMs = 300;
    // How soon after a rebuild the handed-over drives are looked at (and how often while
    // the window is hidden).
    static constexpr int kHandoverCheckMs = 200;

protected:
    void onLoad() override;

private:
    void refreshStep();
    void driveChangeStep();
    void handoverStep();
    void listClicked();
    void refreshClicked();
    void switchToAdvanced();
    void switchToSimple();
    void autoRunClicked();
    void autoRunWatchStep();
    void autoRunNotChanged(const std::wstring& reason);

    LockbayApp& app_;
    // Drives came or went since Drive1 was read; the next rebuild reads it afresh.
    bool drivesStale_ = false;
    bool autoRunOff_ = false;
    bool autoRunSaved_ = false;
    // The command line started with administrator rights to switch AutoRun, while it runs.
    std::unique_ptr<platform::RunningProcess> autoRunCommand_;
};

}  // namespace lockbay
