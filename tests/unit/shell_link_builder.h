// Builds shortcut files (.lnk) byte by byte from the published Shell Link layout, for the
// tests of the reader: a header, an optional ID list, link information with a local or
// network path, the strings, and an environment-variable block.
#pragma once

#include <cstdint>
#include <string>

#include "platform/encoding.h"

namespace testing_links {

struct LinkSpec {
    std::wstring localBasePath;    // link information: the local base path...
    std::wstring pathSuffix;       // ...and the common path suffix after it
    std::wstring networkShare;     // link information: a network share ("\\server\share")
    bool unicodeLinkInfo = false;  // the paths also in UTF-16 (link information header of 0x24)
    std::wstring relativePath;
    std::wstring workingFolder;
    std::wstring arguments;
    std::wstring environmentTarget;  // "%windir%\system32\cmd.exe"
    bool unicodeStrings = true;
    bool idList = true;  // an ID list the reader must skip
};

inline void put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8 & 0xFF));
}
inline void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
inline void set32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}
inline std::string utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) put16(out, static_cast<std::uint32_t>(c));
    return out;
}

inline std::string buildShellLink(const LinkSpec& spec) {
    const bool hasLinkInfo = !spec.localBasePath.empty() || !spec.networkShare.empty();
    std::uint32_t flags = 0;
    if (spec.idList) flags |= 1u << 0;
    if (hasLinkInfo) flags |= 1u << 1;
    if (!spec.relativePath.empty()) flags |= 1u << 3;
    if (!spec.workingFolder.empty()) flags |= 1u << 4;
    if (!spec.arguments.empty()) flags |= 1u << 5;
    if (spec.unicodeStrings) flags |= 1u << 7;
    if (!spec.environmentTarget.empty()) flags |= 1u << 9;

    std::string out;
    put32(out, 0x4C);
    out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    put32(out, flags);
    out += std::string(76 - out.size(), '\0');  // attributes, times, size, icon, show, hot key

    if (spec.idList) {
        // One item the reader skips (a "My Computer" root item), then the terminator.
        std::string items;
        put16(items, 20);
        items += std::string("\x1F\x50\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D", 18);
        put16(items, 0);
        put16(out, static_cast<std::uint32_t>(items.size()));
        out += items;
    }
    if (hasLinkInfo) {
        const std::uint32_t headerSize = spec.unicodeLinkInfo ? 0x24 : 0x1C;
        std::string info(headerSize, '\0');
        std::uint32_t infoFlags = 0;
        std::uint32_t localOffset = 0, networkOffset = 0, suffixOffset = 0, localUnicode = 0,
                      suffixUnicode = 0;
        if (!spec.localBasePath.empty()) {
            infoFlags |= 1;
            const auto volumeOffset = static_cast<std::uint32_t>(info.size());
            put32(info, 0x11);  // volume id: size, drive type, serial, label offset, empty label
            put32(info, 2);
            put32(info, 0x1234);
            put32(info, 0x10);
            info.push_back('\0');
            set32(info, 12, volumeOffset);
            localOffset = static_cast<std::uint32_t>(info.size());
            info += platform::toWindows1252(spec.localBasePath) + '\0';
        }
        if (!spec.networkShare.empty()) {
            infoFlags |= 2;
            networkOffset = static_cast<std::uint32_t>(info.size());
            std::string link;
            put32(link, 0);  // size, set below
            put32(link, 0);
            put32(link, 0x14);
            put32(link, 0);
            put32(link, 0);
            link += platform::toWindows1252(spec.networkShare) + '\0';
            set32(link, 0, static_cast<std::uint32_t>(link.size()));
            info += link;
        }
        suffixOffset = static_cast<std::uint32_t>(info.size());
        info += platform::toWindows1252(spec.pathSuffix) + '\0';
        if (spec.unicodeLinkInfo) {
            if (!spec.localBasePath.empty()) {
                localUnicode = static_cast<std::uint32_t>(info.size());
                info += utf16(spec.localBasePath) + std::string(2, '\0');
            }
            suffixUnicode = static_cast<std::uint32_t>(info.size());
            info += utf16(spec.pathSuffix) + std::string(2, '\0');
            set32(info, 28, localUnicode);
            set32(info, 32, suffixUnicode);
        }
        set32(info, 0, static_cast<std::uint32_t>(info.size()));
        set32(info, 4, headerSize);
        set32(info, 8, infoFlags);
        set32(info, 16, localOffset);
        set32(info, 20, networkOffset);
        set32(info, 24, suffixOffset);
        out += info;
    }
    for (const std::wstring* text : {&spec.relativePath, &spec.workingFolder, &spec.arguments}) {
        if (text->empty()) continue;
        put16(out, static_cast<std::uint32_t>(text->size()));
        out += spec.unicodeStrings ? utf16(*text) : platform::toWindows1252(*text);
    }
    if (!spec.environmentTarget.empty()) {
        put32(out, 0x314);
        put32(out, 0xA0000001);
        std::string ansi = platform::toWindows1252(spec.environmentTarget);
        ansi.resize(260, '\0');
        std::string wide = utf16(spec.environmentTarget);
        wide.resize(520, '\0');
        out += ansi + wide;
    }
    put32(out, 0);  // terminal block
    return out;
}

}  // namespace testing_links
