// The setup program served in the download benchmark: it ends at once. The benchmark
// pads a copy of it with filler to the size under test; the padding lies past the last
// section, so the program still loads and runs.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
