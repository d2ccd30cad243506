// A stick as a worm of the autorun family leaves it, on the fake file system: an
// autorun.inf that starts a hidden program in a hidden folder, three of the user's folders
// hidden (Hidden and System) behind decoy shortcuts of three kinds, and what must be left
// alone: a folder the user hid, a hidden folder beside a shortcut to itself, a damaged
// shortcut and the user's own files.
#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "fakes/fake_platform.h"

#ifndef LOCKBAY_LINK_SAMPLES
#error "LOCKBAY_LINK_SAMPLES names the folder of the sample shortcut files"
#endif

namespace infected_stick {

inline constexpr std::uint32_t kHiddenSystem = platform::attr::kHidden | platform::attr::kSystem;

inline constexpr const char* kAutorun =
    "[autorun]\r\nopen=RECYCLER\\S-1-5-21\\autorun.exe\r\nicon=RECYCLER\\S-1-5-21\\autorun.exe,0\r\n"
    "shell\\open\\command=RECYCLER\\S-1-5-21\\autorun.exe -open\r\n";

// A shortcut made by tests/e2e/lib/make_lnk.py (its command line is in tests/fuzz/README.md).
inline std::string sampleLink(const std::string& name) {
    std::ifstream in(std::string(LOCKBAY_LINK_SAMPLES) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("no sample shortcut " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stick on drive E: (which must exist).
inline void addTo(fakes::FakeFileSystem& fs) {
    namespace attr = platform::attr;
    fs.addFile(L"E:\\autorun.inf", kAutorun);
    fs.addFolder(L"E:\\RECYCLER", attr::kDirectory | kHiddenSystem);
    fs.addFolder(L"E:\\RECYCLER\\S-1-5-21", attr::kDirectory | attr::kHidden);
    fs.addFile(L"E:\\RECYCLER\\S-1-5-21\\autorun.exe", "MZ the worm", kHiddenSystem);
    fs.addFile(L"E:\\RECYCLER\\x.dll", "MZ its library", kHiddenSystem);
    // A relative target (the absolute one names the drive letter the stick had before).
    fs.addFolder(L"E:\\Photos", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\Photos\\beach.jpg", "a photo");
    fs.addFile(L"E:\\Photos.lnk", sampleLink("relative_target"));
    // cmd through a variable, starting the worm by a name without ".exe".
    fs.addFolder(L"E:\\Music", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\Music.lnk", sampleLink("cmd_through_variable"));
    // rundll32 of the system, running the worm's library.
    fs.addFolder(L"E:\\Work", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\Work.lnk", sampleLink("rundll32_local"));
    fs.addFolder(L"E:\\Private", attr::kDirectory | kHiddenSystem);
    fs.addFolder(L"E:\\Docs", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\Docs.lnk", sampleLink("folder_target"));
    fs.addFolder(L"E:\\Old", attr::kDirectory | kHiddenSystem);
    fs.addFile(L"E:\\Old.lnk", sampleLink("truncated"));
    fs.addFile(L"E:\\report.docx", "the user's report");
}

}  // namespace infected_stick
