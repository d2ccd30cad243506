// Text conversions between the program's one internal string type (std::wstring)
// and the byte encodings it meets: Windows-1252 language files, UTF-8, UTF-16 and ASCII.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Decodes Windows-1252 bytes. The five bytes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as Windows does.
std::wstring fromWindows1252(std::string_view bytes);

// Encodes to Windows-1252; a character the code page cannot hold becomes '?'.
std::string toWindows1252(std::wstring_view text);

std::string toUtf8(std::wstring_view text);
// Decodes UTF-16 bytes, little-endian unless `bigEndian`. A surrogate without its pair
// becomes U+FFFD; an odd last byte is dropped.
std::wstring fromUtf16(std::string_view bytes, bool bigEndian = false);

// Decodes UTF-8. Every ill-formed part (a stray byte, a sequence cut off by a wrong byte
// or by the end, an overlong form, a surrogate, a code point beyond U+10FFFF) becomes one
// U+FFFD, and the text after it is kept.
std::wstring fromUtf8(std::string_view bytes);

}  // namespace platform
