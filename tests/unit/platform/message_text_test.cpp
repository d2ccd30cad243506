// Filling the file name into a system error text such as "%1 is not a valid Win32
// application.", which the system hands over with its inserts left in.
#include "platform/message_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct InsertCase {
    const char* what;
    std::wstring text;
    std::wstring filled;
};

TEST(MessageText, FillsTheFirstInsertWithTheValue) {
    const std::wstring path = L"C:\\LockbaySetup.exe";
    const InsertCase cases[] = {
        {"a text beginning with the insert", L"%1 is not a valid Win32 application.",
         L"C:\\LockbaySetup.exe is not a valid Win32 application."},
        {"the insert inside the text", L"The program %1 cannot run.",
         L"The program C:\\LockbaySetup.exe cannot run."},
        {"the insert at the end", L"Cannot start %1", L"Cannot start C:\\LockbaySetup.exe"},
        {"the insert twice", L"%1: %1", L"C:\\LockbaySetup.exe: C:\\LockbaySetup.exe"},
        {"the insert with a printf format", L"%1!s! is damaged.", L"C:\\LockbaySetup.exe is damaged."},
        {"a text without inserts", L"Access is denied.", L"Access is denied."},
        {"an empty text", L"", L""},
        {"an escaped percent sign", L"100%% done", L"100%% done"},
        {"an escaped percent sign before a 1", L"%%1 stays", L"%%1 stays"},
        {"the second insert", L"%2 is missing", L"%2 is missing"},
        {"the twelfth insert", L"%12 is missing", L"%12 is missing"},
        {"a line break escape", L"Line%nnext", L"Line%nnext"},
        {"a lone percent sign at the end", L"50%", L"50%"},
        {"a format without its closing mark", L"%1!s is cut", L"C:\\LockbaySetup.exe!s is cut"},
    };
    for (const InsertCase& c : cases) {
        EXPECT_EQ(platform::fillFirstInsert(c.text, path), c.filled) << c.what;
    }
}

TEST(MessageText, AValueHoldingAnInsertIsNotFilledAgain) {
    EXPECT_EQ(platform::fillFirstInsert(L"%1 is not valid.", L"C:\\%1\\%2.exe"),
              L"C:\\%1\\%2.exe is not valid.");
}

}  // namespace
