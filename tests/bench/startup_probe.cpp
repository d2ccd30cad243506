// Where Lockbay's start-up time goes: the same steps the program takes from its entry
// point to the main window, on the real platform, each timed on its own. The splash's
// 300 ms pause is not waited for (it is a fixed part of the start-up).
//
//   startup_probe.exe <result-file>
//
// The result file holds "key value" lines (milliseconds):
//   before_entry_ms   process creation to the program's entry point (Wine, C runtime,
//                     the platform's own set-up)
//   splash_load_ms    the splash window's load: language, version, window shown, and
//                     the update check, during which the splash paints; of that:
//   splash_paint_ms   the splash window's first paint (here done just before the check)
//   update_check_ms   the HTTP GET of the version (the host as the run arranges it)
//   main_load_ms      the main window made ready in the splash's pause: created hidden,
//                     with its first drive list and its pictures rendered (Form::prepare)
//   main_show_ms      after the pause: the main window shown and painted
//   art_<name>_ms     rendering one of the product's pictures at its design size (the
//                     first paint of a window renders the pictures it shows)
#include <windows.h>
// After <windows.h>, which it builds on.
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "art.h"
#include "lockbay/app/frm_splash.h"
#include "lockbay/app/lockbay_app.h"
#include "lockbay/ui/form1.h"
#include "platform/platform.h"

#include "bench_clock.h"

namespace {

double nowMilliseconds() {
    return bench::secondsSince(LARGE_INTEGER{}) * 1000.0;
}

void pumpUntilPainted() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Times every request that passes through it. Before the request, the windows' pending
// paints are done and timed apart: during the real request they happen in its wait.
class TimedHttp final : public platform::HttpClient {
public:
    explicit TimedHttp(platform::HttpClient& real) : real_(real) {}
    double paintMs = 0;
    double lastMs = 0;
    platform::HttpResult last;

    using platform::HttpClient::get;
    platform::HttpResult get(const std::wstring& url, const std::function<bool(std::string_view)>& onBody,
                             const platform::HttpLimits& limits) override {
        double start = nowMilliseconds();
        pumpUntilPainted();
        paintMs = nowMilliseconds() - start;
        start = nowMilliseconds();
        last = real_.get(url, onBody, limits);
        lastMs = nowMilliseconds() - start;
        return last;
    }

private:
    platform::HttpClient& real_;
};

double millisecondsSinceProcessCreation() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const auto value = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(value(now) - value(created)) / 10000.0;
}

}  // namespace

int platform::programMain(platform::Platform& real) {
    const double beforeEntry = millisecondsSinceProcessCreation();
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (count < 2) return 2;
    FILE* out = nullptr;
    const bool opened = _wfopen_s(&out, args[1], L"w") == 0 && out;
    LocalFree(args);
    if (!opened) return 3;

    TimedHttp http(real.http);
    platform::Platform platform{real.ui, real.fs, real.processes, http, real.program, real.registry};
    double start = nowMilliseconds();
    lockbay::LockbayApp app(platform);
    const double construct = nowMilliseconds() - start;

    start = nowMilliseconds();
    app.splash().load();
    pumpUntilPainted();
    const double splashLoad = nowMilliseconds() - start;

    start = nowMilliseconds();
    app.form1().prepare();
    const double mainLoad = nowMilliseconds() - start;
    start = nowMilliseconds();
    app.form1().show();
    pumpUntilPainted();
    const double mainShow = nowMilliseconds() - start;

    std::fprintf(out, "before_entry_ms %.1f\n", beforeEntry);
    std::fprintf(out, "construct_ms %.1f\n", construct);
    std::fprintf(out, "splash_load_ms %.1f\n", splashLoad);
    std::fprintf(out, "splash_paint_ms %.1f\n", http.paintMs);
    std::fprintf(out, "update_check_ms %.1f\n", http.lastMs);
    std::fprintf(out, "update_check_status %d\n", http.last.status);
    std::fprintf(out, "main_load_ms %.1f\n", mainLoad);
    std::fprintf(out, "main_show_ms %.1f\n", mainShow);

    // The pictures, rendered afresh (this cache is not the windows' own).
    using platform::ui::Art;
    const struct {
        Art art;
        const char* name;
    } pictures[] = {{Art::Background, "background"}, {Art::Logo, "logo"},     {Art::Flags, "flags"},
                    {Art::ButtonFace, "button"},     {Art::LinkFace, "link"}, {Art::ModeSimple, "mode"}};
    platform::win32::ArtCache cache;
    for (const auto& picture : pictures) {
        const SIZE size = platform::win32::nominalArtSize(picture.art);
        start = nowMilliseconds();
        cache.get(picture.art, size.cx, size.cy);
        std::fprintf(out, "art_%s_ms %.1f\n", picture.name, nowMilliseconds() - start);
    }
    std::fclose(out);
    return 0;
}
