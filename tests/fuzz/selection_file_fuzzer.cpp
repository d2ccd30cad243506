// Fuzz target for the selection-file reader: any bytes give either nothing or a
// non-empty name taken from the first field, and a plain name written by
// selectionFileContent reads back unchanged, whatever follows it in the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/encoding.h"
#include "texts/selection_file.h"

namespace {

// A name that the selection file can hold as a bare, unquoted first field.
bool writableAsBareField(std::wstring_view name) {
    return !name.empty() && name.front() != L' ' && name.find_first_of(L"\",\r\n") == std::wstring_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto name = lockbay::readSelectionName(bytes);

    // Leading spaces never change the outcome.
    const std::string padded = "  " + std::string(bytes);
    FUZZ_CHECK(lockbay::readSelectionName(padded) == name);

    if (!name) return 0;
    FUZZ_CHECK(!name->empty());
    FUZZ_CHECK(name->size() <= size);
    // Windows-1252 is one byte per character, so the name's bytes stand in the input
    // exactly as they were read.
    const std::string nameBytes = platform::toWindows1252(*name);
    FUZZ_CHECK(nameBytes.size() == name->size());
    FUZZ_CHECK(bytes.find(nameBytes) != std::string_view::npos);
    FUZZ_CHECK(platform::fromWindows1252(nameBytes) == *name);

    if (writableAsBareField(*name)) {
        const std::string content = lockbay::selectionFileContent(*name);
        FUZZ_CHECK(content == nameBytes + "\r\n");
        FUZZ_CHECK(lockbay::readSelectionName(content) == name);
        // Only the first line counts: anything after it is ignored.
        FUZZ_CHECK(lockbay::readSelectionName(content + std::string(bytes)) == name);
        // The same name in quotes reads the same.
        FUZZ_CHECK(lockbay::readSelectionName("\"" + nameBytes + "\"\r\n") == name);
    }
    return 0;
}
