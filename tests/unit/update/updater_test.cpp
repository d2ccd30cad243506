// The updater's window: its layout, the attempt loop on the virtual clock, which answers
// count as a download, the atomic save of C:\LockbaySetup.exe, the start of the setup
// program and the end of the updater.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "product/identity.h"
#include "update/core/updater_form.h"

namespace {

using fakes::FakeHttp;
using platform::ui::Backend;

const std::wstring kSetupFile = L"C:\\LockbaySetup.exe";
constexpr platform::KeyHash kOurKey = fakes::FakeSignatureCheck::ourKey;
const std::wstring kDownloading = L"Downloading files...";
const std::wstring kConnectionFailed =
    L"Connection failed. Please check the network connection. Retrying ...";

std::wstring expectedUrl() {
    return std::wstring(L"http://") + product::kDownloadHost + L"/LOCKBAY/LockbaySetup.exe";
}

// A small Windows executable: "MZ", the PE offset 0x80 at 0x3C, "PE\0\0" there, a file
// header naming one section and no optional header, and that section's data from 0xC0
// to the end: `size` bytes in all, with a pattern so that byte-for-byte comparisons
// mean something.
std::string setupProgram(std::size_t size = 1000) {
    constexpr std::size_t kSectionData = 0xC0;
    std::string body(size, '\0');
    for (std::size_t i = kSectionData; i < size; ++i) body[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    body[0] = 'M';
    body[1] = 'Z';
    body[0x3C] = '\x80';
    body.replace(0x80, 4, std::string("PE\0\0", 4));
    body[0x86] = 1;  // one section, whose header follows the 20-byte file header
    const auto putUint32 = [&](std::size_t offset, std::size_t value) {
        for (std::size_t i = 0; i < 4; ++i) body[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    putUint32(0x98 + 16, size - kSectionData);  // the size of its data
    putUint32(0x98 + 20, kSectionData);         // and where the data begins
    return body;
}

const std::string kHtmlErrorPage =
    "<!DOCTYPE html><html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>" +
    std::string(20000, ' ') + "</body></html>";

FakeHttp::Answer ok(std::string body) {
    return {true, 200, std::move(body), {}};
}
FakeHttp::Answer noConnection() {
    return {false, 0, {}, L"The server name or address could not be resolved"};
}

// Counts the body bytes the updater took before it stopped the transfer.
class CountingHttp : public FakeHttp {
public:
    std::size_t bytesTaken = 0;
    std::function<void(std::string_view)> onPiece;  // before each piece reaches the updater
    using FakeHttp::get;
    platform::HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody,
                             const platform::HttpLimits& limits) override {
        return FakeHttp::get(
            url,
            [&](std::string_view piece) {
                if (onPiece) onPiece(piece);
                const bool more = onBody(piece);
                if (more) bytesTaken += piece.size();
                return more;
            },
            limits);
    }
};

// Records, at the moment the setup program is started, what the file held then.
class WatchingProcesses : public fakes::FakeProcesses {
public:
    explicit WatchingProcesses(fakes::FakeFileSystem& fs) : fs_(fs) {}
    std::optional<std::string> contentAtStart;
    platform::StartResult startProgram(const std::wstring& path) override {
        contentAtStart = fs_.content(path);
        return FakeProcesses::startProgram(path);
    }

private:
    fakes::FakeFileSystem& fs_;
};

// A file system whose temporary files refuse every write (a full disk).
class FullDiskFileSystem : public fakes::FakeFileSystem {
public:
    class RefusingFile : public platform::OutputFile {
    public:
        bool write(std::string_view) override { return false; }
        bool finish() override { return false; }
        std::wstring temporaryPath() const override { return L"C:\\LockbaySetup.exe.part-1"; }
        bool commit() override { return false; }
        std::wstring lastError() const override { return L"There is not enough space on the disk."; }
    };
    std::unique_ptr<platform::OutputFile> createReplacing(const std::wstring&, std::wstring&) override {
        return std::make_unique<RefusingFile>();
    }
};

class UpdaterTest : public ::testing::Test {
protected:
    UpdaterTest() { fs.addDrive(L'C'); }

    void start() {
        form = std::make_unique<update::UpdaterForm>(platform, fake.signatures, kOurKey);
        form->show();
    }
    const std::wstring& status() const { return form->Label2.text(); }
    bool ended() const { return fake.backend.ended(); }
    const std::vector<std::wstring>& requests() const { return http.requests; }
    void advance(std::int64_t ms) { fake.advance(ms); }

    fakes::FakePlatform fake;
    fakes::FakeFileSystem& fs = fake.fs;
    CountingHttp http;
    WatchingProcesses processes{fake.fs};
    platform::Platform platform{fake.runtime, fake.fs, processes, http, fake.program, fake.registry};
    std::unique_ptr<update::UpdaterForm> form;
};

TEST_F(UpdaterTest, WindowFollowsItsLayoutTable) {
    start();
    const auto& design = form->design();
    EXPECT_STREQ(design.name, L"frmUpdate");
    EXPECT_EQ(form->title(), L"Lockbay Updater");
    EXPECT_EQ(design.clientWidth, 524);
    EXPECT_EQ(design.clientHeight, 202);
    EXPECT_EQ(design.frame, platform::ui::Frame::Sizable);
    EXPECT_EQ(design.background, platform::ui::Art::Background);

    ASSERT_EQ(form->controls().size(), 3u);
    struct Row {
        const platform::ui::Control* control;
        const wchar_t* name;
        platform::ui::Rect rect;
    };
    const Row rows[] = {{&form->Image1, L"Image1", {112, 8, 250, 73}},
                        {&form->Label1, L"Label1", {312, 72, 121, 41}},
                        {&form->Label2, L"Label2", {56, 144, 417, 49}}};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& s = rows[i].control->design();
        EXPECT_EQ(form->controls()[i], rows[i].control);
        EXPECT_STREQ(s.name, rows[i].name);
        EXPECT_EQ(s.rect.x, rows[i].rect.x) << rows[i].name;
        EXPECT_EQ(s.rect.y, rows[i].rect.y) << rows[i].name;
        EXPECT_EQ(s.rect.width, rows[i].rect.width) << rows[i].name;
        EXPECT_EQ(s.rect.height, rows[i].rect.height) << rows[i].name;
    }
    EXPECT_EQ(form->Image1.design().kind, platform::ui::ControlKind::Image);
    EXPECT_EQ(form->Image1.design().art, platform::ui::Art::Logo);

    const auto& label1 = form->Label1.design();
    EXPECT_EQ(label1.text, L"Updater");
    EXPECT_EQ(label1.font.face, L"Verdana");
    EXPECT_DOUBLE_EQ(label1.font.points, 14.25);
    EXPECT_TRUE(label1.font.bold);
    EXPECT_EQ(label1.color.r, 143);
    EXPECT_EQ(label1.color.g, 143);
    EXPECT_EQ(label1.color.b, 0);
    EXPECT_EQ(label1.align, platform::ui::Align::Left);

    const auto& label2 = form->Label2.design();
    EXPECT_EQ(label2.text, L"Update");
    EXPECT_EQ(label2.font.face, L"Verdana");
    EXPECT_DOUBLE_EQ(label2.font.points, 12);
    EXPECT_TRUE(label2.font.bold);
    EXPECT_EQ(label2.color.r, 0);
    EXPECT_EQ(label2.color.g, 0);
    EXPECT_EQ(label2.color.b, 0);
    EXPECT_FALSE(label2.color.systemWindowText);
    EXPECT_EQ(label2.align, platform::ui::Align::Center);
}

TEST_F(UpdaterTest, LoadShowsTheWindowWithTheDownloadStatusAndArmsTheFirstAttempt) {
    start();
    EXPECT_TRUE(form->visible());
    EXPECT_EQ(status(), kDownloading);
    EXPECT_TRUE(form->Timer1.enabled());
    EXPECT_EQ(form->Timer1.interval(), 1000);
    EXPECT_TRUE(requests().empty());
}

TEST_F(UpdaterTest, ShowsItselfEvenWhenCreatedHidden) {
    form = std::make_unique<update::UpdaterForm>(platform, fake.signatures, kOurKey);
    form->load();  // created without being asked to show
    EXPECT_TRUE(form->visible());
}

// Lets a test see the window at the moments the updater hands control to the event loop.
class PumpWatchingBackend : public platform::ui::HeadlessBackend {
public:
    std::function<void()> onPump;
    void pumpEvents() override {
        if (onPump) onPump();
    }
};

TEST(UpdaterStatus, TheDownloadStatusIsPaintedBeforeEachRequestBlocks) {
    PumpWatchingBackend backend;
    platform::ui::Runtime runtime{backend};
    fakes::FakeFileSystem fs;
    fs.addDrive(L'C');
    fakes::FakeProcesses processes;
    FakeHttp http;
    fakes::FakeProgramInfo program;
    fakes::FakeRegistry registry;
    platform::Platform p{runtime, fs, processes, http, program, registry};
    fakes::FakeSignatureCheck signatures;
    update::UpdaterForm form(p, signatures, kOurKey);

    struct Pump {
        std::wstring status;
        std::size_t requestsSoFar;
    };
    std::vector<Pump> pumps;
    backend.onPump = [&] { pumps.push_back({form.Label2.text(), http.requests.size()}); };
    form.show();

    backend.advance(1000);
    backend.advance(5000);
    ASSERT_EQ(http.requests.size(), 2u);
    ASSERT_EQ(pumps.size(), 2u);
    EXPECT_EQ(pumps[0].status, kDownloading);
    EXPECT_EQ(pumps[0].requestsSoFar, 0u);
    EXPECT_EQ(pumps[1].status, kDownloading);  // flipped back from the connection message
    EXPECT_EQ(pumps[1].requestsSoFar, 1u);
}

TEST_F(UpdaterTest, FirstAttemptComesAfter1000MsAndNotBefore) {
    start();
    advance(999);
    EXPECT_TRUE(requests().empty());
    advance(1);
    ASSERT_EQ(requests().size(), 1u);
    EXPECT_EQ(requests()[0], expectedUrl());
    // A setup program takes as long as the connection needs; only the gaps are limited.
    EXPECT_EQ(http.limits.at(0).totalMs, 0);
}

TEST_F(UpdaterTest, RetriesEvery5000MsWhileTheHostCannotBeReached) {
    std::vector<std::wstring> statusDuringRequest;
    http.onRequest = [&](const std::wstring&) { statusDuringRequest.push_back(status()); };
    start();

    advance(1000);
    ASSERT_EQ(requests().size(), 1u);
    EXPECT_EQ(status(), kConnectionFailed);
    EXPECT_TRUE(form->Timer1.enabled());
    EXPECT_EQ(form->Timer1.interval(), 5000);

    // Every later attempt follows 5000 ms after the previous one.
    for (std::size_t attempt = 2; attempt <= 5; ++attempt) {
        advance(4999);
        EXPECT_EQ(requests().size(), attempt - 1);
        EXPECT_EQ(status(), kConnectionFailed);
        advance(1);
        EXPECT_EQ(requests().size(), attempt);
        EXPECT_EQ(status(), kConnectionFailed);
    }
    EXPECT_EQ(fake.backend.now(), 21000);
    // Each attempt showed the download status before its request went out.
    EXPECT_EQ(statusDuringRequest, std::vector<std::wstring>(5, kDownloading));
    for (const auto& url : requests()) EXPECT_EQ(url, expectedUrl());
    EXPECT_FALSE(ended());
    EXPECT_TRUE(processes.programs.empty());
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

struct RefusedAnswer {
    const char* name;
    FakeHttp::Answer answer;
};

TEST_F(UpdaterTest, AnythingButACompleteSetupProgramIsAFailedAttempt) {
    const std::string setup = setupProgram();
    const RefusedAnswer cases[] = {
        {"no connection", noConnection()},
        {"empty body", ok("")},
        {"one byte", ok("M")},
        {"two bytes MZ", ok("MZ")},
        {"HTML error page with status 200", ok(kHtmlErrorPage)},
        {"HTML error page with status 404", {true, 404, kHtmlErrorPage, {}}},
        {"setup program with status 404", {true, 404, setup, {}}},
        {"setup program with status 500", {true, 500, setup, {}}},
        {"setup program with a redirect status", {true, 302, setup, {}}},
        {"setup program truncated before its PE signature", ok(setup.substr(0, 0x81))},
        {"setup program truncated inside its section table", ok(setup.substr(0, 0xB0))},
        {"setup program one byte short of the end of its section", ok(setup.substr(0, setup.size() - 1))},
        {"setup program whose transfer broke off", {false, 200, setup, L"The connection was reset"}},
        {"PE offset beyond 64 KiB", ok(std::string("MZ") + std::string(0x3A, '\0') +
                                       std::string("\x01\x00\x01\x00", 4) + std::string(100, '\0'))},
    };
    for (const RefusedAnswer& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakePlatform f;
        f.fs.addDrive(L'C');
        f.http.answers = {c.answer};
        platform::Platform p{f.runtime, f.fs, f.processes, f.http, f.program, f.registry};
        update::UpdaterForm updater(p, f.signatures, kOurKey);
        updater.show();

        f.advance(1000);
        EXPECT_EQ(f.http.requests.size(), 1u);
        EXPECT_EQ(updater.Label2.text(), kConnectionFailed);
        EXPECT_EQ(updater.Timer1.interval(), 5000);
        EXPECT_TRUE(updater.Timer1.enabled());
        // Nothing was saved, under any name, and nothing was started.
        EXPECT_TRUE(f.fs.snapshot().empty());
        EXPECT_TRUE(f.processes.programs.empty());
        EXPECT_TRUE(f.backend.messageBoxes().empty());
        EXPECT_FALSE(f.backend.ended());

        f.advance(5000);
        EXPECT_EQ(f.http.requests.size(), 2u);
        EXPECT_TRUE(f.fs.snapshot().empty());
        EXPECT_TRUE(f.processes.programs.empty());
    }
}

TEST_F(UpdaterTest, StopsReceivingABodyThatIsNotASetupProgram) {
    http.answers = {ok(kHtmlErrorPage)};
    start();
    advance(1000);
    EXPECT_EQ(http.bytesTaken, 0u);  // rejected at its first byte, "<"
    EXPECT_EQ(status(), kConnectionFailed);
}

TEST_F(UpdaterTest, SavesStartsAndEndsOnASetupProgram) {
    const std::string setup = setupProgram(5000);
    http.answers = {ok(setup)};
    start();

    advance(1000);
    EXPECT_EQ(http.bytesTaken, setup.size());
    EXPECT_EQ(fs.content(kSetupFile), setup);
    ASSERT_EQ(processes.programs, std::vector<std::wstring>{L"C:\\LockbaySetup.exe"});
    EXPECT_EQ(processes.contentAtStart, setup);  // complete and in place before it starts
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_TRUE(ended());
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
    // Only the setup file was written.
    EXPECT_EQ(fs.snapshot().size(), 1u);

    advance(60000);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(processes.programs.size(), 1u);
}

TEST_F(UpdaterTest, SucceedsOnTheFirstGoodAnswerAfterFailedAttempts) {
    const std::string setup = setupProgram();
    http.answers = {noConnection(), ok(kHtmlErrorPage), ok("M"), ok(setup)};
    start();

    advance(1000 + 5000 + 5000);
    EXPECT_EQ(requests().size(), 3u);
    EXPECT_EQ(status(), kConnectionFailed);
    EXPECT_FALSE(fs.exists(kSetupFile));
    EXPECT_FALSE(ended());

    advance(4999);
    EXPECT_EQ(requests().size(), 3u);
    advance(1);
    EXPECT_EQ(requests().size(), 4u);
    EXPECT_EQ(status(), kDownloading);
    EXPECT_EQ(fs.content(kSetupFile), setup);
    EXPECT_EQ(processes.programs, std::vector<std::wstring>{L"C:\\LockbaySetup.exe"});
    EXPECT_TRUE(ended());
}

TEST_F(UpdaterTest, AnOlderSetupFileIsReplacedByteForByteOnlyOnSuccess) {
    const std::string older(20000, 'o');  // longer than the new one: no old byte may remain
    fs.addFile(kSetupFile, older);
    const std::string setup = setupProgram(700);
    http.answers = {ok(kHtmlErrorPage), {true, 404, setup, {}}, ok(setup.substr(0, 0x60)), ok(setup)};
    start();

    for (int failed = 0; failed < 3; ++failed) {
        advance(failed == 0 ? 1000 : 5000);
        EXPECT_EQ(fs.content(kSetupFile), older) << "after failed attempt " << failed + 1;
    }
    EXPECT_TRUE(processes.programs.empty());

    advance(5000);
    EXPECT_EQ(fs.content(kSetupFile), setup);
    EXPECT_EQ(processes.programs.size(), 1u);
    EXPECT_TRUE(ended());
}

TEST_F(UpdaterTest, ASetupFileThatCannotBeReplacedIsReportedOnTheStatusLineAndRetried) {
    fs.addFile(kSetupFile, "older");
    fs.unwritable.insert(fakes::FakeFileSystem::key(kSetupFile));
    http.answers = {ok(setupProgram())};
    start();

    advance(1000);
    EXPECT_EQ(status(),
              L"Not started: C:\\LockbaySetup.exe is in the way and cannot be replaced. Retrying ...");
    EXPECT_EQ(fs.content(kSetupFile), "older");
    EXPECT_TRUE(processes.programs.empty());
    EXPECT_EQ(form->Timer1.interval(), 5000);
    EXPECT_FALSE(ended());
}

TEST_F(UpdaterTest, ASetupFileThatCannotBeCreatedIsReportedAndEndsTheUpdater) {
    fs.drive(L'C').readOnly = true;
    http.answers = {ok(setupProgram())};
    start();

    advance(1000);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    const auto& box = fake.backend.messageBoxes()[0];
    EXPECT_EQ(box.title, L"Lockbay Updater");
    EXPECT_NE(box.text.find(L"C:\\LockbaySetup.exe"), std::wstring::npos) << box.text;
    EXPECT_NE(box.text.find(L"The system cannot find the path specified."), std::wstring::npos) << box.text;
    EXPECT_FALSE(fs.exists(kSetupFile));
    EXPECT_TRUE(processes.programs.empty());
    EXPECT_TRUE(ended());
}

TEST(UpdaterWriteFailure, ASetupFileThatCannotBeWrittenIsReportedAndEndsTheUpdater) {
    fakes::FakePlatform fake;
    FullDiskFileSystem fs;
    fs.addDrive(L'C');
    fake.http.answers = {ok(setupProgram())};
    platform::Platform p{fake.runtime, fs, fake.processes, fake.http, fake.program, fake.registry};
    update::UpdaterForm form(p, fake.signatures, kOurKey);
    form.show();

    fake.advance(1000);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    const auto& box = fake.backend.messageBoxes()[0];
    EXPECT_EQ(box.title, L"Lockbay Updater");
    EXPECT_NE(box.text.find(L"C:\\LockbaySetup.exe"), std::wstring::npos) << box.text;
    EXPECT_NE(box.text.find(L"There is not enough space on the disk."), std::wstring::npos) << box.text;
    EXPECT_TRUE(fake.processes.programs.empty());
    EXPECT_TRUE(fake.backend.ended());
}

TEST_F(UpdaterTest, ASetupProgramThatCannotBeStartedIsReportedAndEndsTheUpdater) {
    processes.failPrograms = true;
    const std::string setup = setupProgram();
    http.answers = {ok(setup)};
    start();

    advance(1000);
    ASSERT_EQ(fake.backend.messageBoxes().size(), 1u);
    const auto& box = fake.backend.messageBoxes()[0];
    EXPECT_EQ(box.title, L"Lockbay Updater");
    EXPECT_EQ(box.buttons, Backend::Buttons::Ok);
    EXPECT_NE(box.text.find(L"C:\\LockbaySetup.exe"), std::wstring::npos) << box.text;
    EXPECT_NE(box.text.find(L"The system cannot find the file specified."), std::wstring::npos) << box.text;
    EXPECT_EQ(fs.content(kSetupFile), setup);  // saved; the user may start it by hand
    EXPECT_TRUE(ended());
}

TEST_F(UpdaterTest, NoAttemptStartsWhileTheErrorMessageIsOpen) {
    processes.failPrograms = true;
    http.answers = {ok(setupProgram())};
    fake.backend.onMessageBox = [&](const platform::ui::HeadlessBackend::MessageBoxCall&) {
        advance(30000);  // the modal box keeps timers running
        return Backend::Answer::Ok;
    };
    start();

    advance(1000);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(fake.backend.messageBoxes().size(), 1u);
    EXPECT_TRUE(ended());
}

TEST_F(UpdaterTest, AttemptsNeverOverlapWhileARequestKeepsTheWindowResponsive) {
    // While the request runs, time passes and Timer1 keeps ticking.
    int nestedRequests = 0;
    bool inRequest = false;
    http.onRequest = [&](const std::wstring&) {
        if (inRequest) {
            ++nestedRequests;
            return;
        }
        inRequest = true;
        advance(12000);
        inRequest = false;
    };
    http.answers = {noConnection()};
    start();

    advance(1000);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(nestedRequests, 0);
    EXPECT_EQ(status(), kConnectionFailed);
    EXPECT_TRUE(form->Timer1.enabled());
}

TEST_F(UpdaterTest, ClosingTheWindowWhileWaitingEndsTheUpdater) {
    start();
    advance(1000);
    ASSERT_EQ(status(), kConnectionFailed);

    form->closeRequested();
    EXPECT_TRUE(ended());
    advance(60000);
    EXPECT_EQ(requests().size(), 1u);
}

TEST_F(UpdaterTest, ClosingTheWindowBeforeTheFirstAttemptEndsTheUpdater) {
    start();
    advance(500);
    form->closeRequested();
    EXPECT_TRUE(ended());
    advance(60000);
    EXPECT_TRUE(requests().empty());
}

TEST_F(UpdaterTest, ClosingTheWindowDuringARequestSavesAndStartsNothing) {
    http.answers = {ok(setupProgram())};
    http.onRequest = [&](const std::wstring&) { form->closeRequested(); };
    start();

    advance(1000);
    EXPECT_TRUE(ended());
    EXPECT_FALSE(fs.exists(kSetupFile));
    EXPECT_TRUE(processes.programs.empty());
    EXPECT_TRUE(fake.backend.messageBoxes().empty());
}

TEST_F(UpdaterTest, ClosingTheWindowMidDownloadLeavesNoPartialFileBehind) {
    // The window is closed while the body is arriving; what is on drive C: at the
    // moment the process ends is what the user is left with.
    http.answers = {ok(setupProgram(5000))};
    std::size_t pieces = 0;
    std::optional<std::map<std::wstring, fakes::FakeFileSystem::Entry>> leftAtEnd;
    fake.backend.onEndProgram = [&] { leftAtEnd = fs.snapshot(); };
    start();
    auto closeDuringBody = [&](std::string_view) {
        if (++pieces == 3) form->closeRequested();
    };
    http.onPiece = closeDuringBody;
    advance(1000);
    ASSERT_TRUE(leftAtEnd.has_value());
    for (const auto& [path, entry] : *leftAtEnd) {
        EXPECT_EQ(path.rfind(L"C:\\LOCKBAYSETUP", 0), std::wstring::npos) << "left behind: " << path;
    }
    EXPECT_TRUE(ended());
    EXPECT_FALSE(form->visible()) << "the window goes at once";
    EXPECT_LT(http.bytesTaken, 5000u) << "the transfer is stopped";
    EXPECT_TRUE(processes.programs.empty());
}

// ---- Only a setup program signed with our key is saved and started ----

struct Refusal {
    const char* name;
    platform::SignatureReport report;
    std::wstring status;
};

TEST_F(UpdaterTest, ASetupProgramThatIsNotOursIsNeitherSavedNorStartedAndTheStatusSaysWhy) {
    constexpr platform::KeyHash kOtherKey{0x0e};
    namespace trust = platform::trust_status;
    const Refusal refusals[] = {
        {"not signed",
         {trust::kNoSignature, std::nullopt},
         L"Not started: the setup program is not signed. Retrying ..."},
        {"altered",
         {trust::kBadDigest, std::nullopt},
         L"Not started: the setup program was altered after signing. Retrying ..."},
        {"another key",
         {trust::kUntrustedRoot, kOtherKey},
         L"Not started: the setup program is signed by someone else. Retrying ..."},
        {"check failed",
         {0x80070005, std::nullopt},
         L"Not started: the setup program's signature cannot be checked. Retrying ..."},
    };
    const std::string setup = setupProgram();
    http.answers = {ok(setup)};
    start();
    for (std::size_t i = 0; i < std::size(refusals); ++i) {
        SCOPED_TRACE(refusals[i].name);
        fake.signatures.report = refusals[i].report;
        advance(i == 0 ? 1000 : 5000);
        ASSERT_EQ(requests().size(), i + 1);
        EXPECT_EQ(status(), refusals[i].status);
        EXPECT_TRUE(fs.snapshot().empty()) << "neither the setup file nor its temporary file is left";
        EXPECT_TRUE(processes.programs.empty());
        EXPECT_TRUE(form->Timer1.enabled());
        EXPECT_EQ(form->Timer1.interval(), 5000);
        EXPECT_FALSE(ended());
    }
    // Ours again: the next attempt saves and starts it.
    fake.signatures.report = {platform::trust_status::kUntrustedRoot, kOurKey};
    advance(5000);
    EXPECT_EQ(fs.content(kSetupFile), setup);
    EXPECT_EQ(processes.programs.size(), 1u);
    EXPECT_TRUE(ended());
}

TEST_F(UpdaterTest, TheSignatureIsCheckedBeforeTheSetupFileGetsItsFinalName) {
    const std::string setup = setupProgram();
    http.answers = {ok(setup)};
    std::optional<std::string> examinedContent;
    bool finalNameTaken = true;
    fake.signatures.onExamine = [&](const std::wstring& path) {
        examinedContent = fs.content(path);
        finalNameTaken = fs.exists(kSetupFile);
    };
    start();
    advance(1000);
    ASSERT_EQ(fake.signatures.examined.size(), 1u);
    EXPECT_NE(fakes::FakeFileSystem::key(fake.signatures.examined[0]),
              fakes::FakeFileSystem::key(kSetupFile));
    EXPECT_EQ(examinedContent, setup) << "the whole download, written out";
    EXPECT_FALSE(finalNameTaken);
    EXPECT_EQ(processes.programs.size(), 1u);
}

TEST_F(UpdaterTest, ATemporaryFileLeftByAStoppedUpdaterIsRemovedAtStart) {
    fs.addFile(L"C:\\LockbaySetup.exe.part-4711", "left by a killed updater");
    fs.addFile(L"C:\\lockbaysetup.EXE.PART-12", "also ours");
    fs.addFile(L"C:\\LockbaySetup.exe.part-99", "being written by a running updater");
    fs.undeletable.insert(fakes::FakeFileSystem::key(L"C:\\LockbaySetup.exe.part-99"));
    const std::vector<std::wstring> notOurs = {L"C:\\LockbaySetup.exe", L"C:\\LockbaySetup.exe.part-",
                                               L"C:\\LockbaySetup.exe.part-7x",
                                               L"C:\\LockbaySetup.exe.partial"};
    for (const auto& path : notOurs) fs.addFile(path, "someone's");
    start();
    EXPECT_FALSE(fs.exists(L"C:\\LockbaySetup.exe.part-4711"));
    EXPECT_FALSE(fs.exists(L"C:\\LockbaySetup.exe.part-12"));
    EXPECT_TRUE(fs.exists(L"C:\\LockbaySetup.exe.part-99"));
    for (const auto& path : notOurs) EXPECT_TRUE(fs.exists(path)) << std::string(path.begin(), path.end());
}

TEST(UpdaterClose, ClosingTheWindowWhileTheStatusLinePaintsSendsNoRequestAndEndsAtOnce) {
    PumpWatchingBackend backend;
    platform::ui::Runtime runtime{backend};
    fakes::FakeFileSystem fs;
    fs.addDrive(L'C');
    fakes::FakeProcesses processes;
    FakeHttp http;
    http.answers = {ok(setupProgram())};
    fakes::FakeProgramInfo program;
    fakes::FakeRegistry registry;
    platform::Platform p{runtime, fs, processes, http, program, registry};
    fakes::FakeSignatureCheck signatures;
    update::UpdaterForm form(p, signatures, kOurKey);
    backend.onPump = [&] { form.closeRequested(); };
    form.show();

    backend.advance(1000);
    EXPECT_TRUE(http.requests.empty());
    EXPECT_TRUE(backend.ended());
    EXPECT_TRUE(fs.snapshot().empty());
}

}  // namespace
