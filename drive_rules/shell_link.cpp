// The shortcut reader: see shell_link.h. The layout, in the order of the file:
//   header (76 bytes): size 0x4C, the class id 00021401-0000-0000-C000-000000000046, the
//     link flags at offset 20 (which optional parts follow, and whether strings are UTF-16)
//   ID list, when flagged: a 16-bit size and that many bytes (skipped)
//   link information, when flagged: a 32-bit size, its header size, flags and offsets
//     (from its own start) of the volume, the local base path, the network link and the
//     common path suffix; from a header size of 0x24 also UTF-16 offsets of the two paths
//   strings, each when flagged, in this order: name, relative path, working folder,
//     arguments, icon location; each a 16-bit count of characters and the characters
//   extra data: blocks of a 32-bit size and signature, until a size below 4; the
//     environment-variable block (0xA0000001, 0x314 bytes) holds the target with its
//     variables, 260 ANSI bytes and then 520 bytes of UTF-16
#include "drive_rules/shell_link.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/encoding.h"

namespace lockbay {

namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<std::uint8_t, 16> kLinkClassId = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                       0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Link flags.
constexpr std::uint32_t kHasTargetIdList = 1u << 0;
constexpr std::uint32_t kHasLinkInfo = 1u << 1;
constexpr std::uint32_t kHasName = 1u << 2;
constexpr std::uint32_t kHasRelativePath = 1u << 3;
constexpr std::uint32_t kHasWorkingDir = 1u << 4;
constexpr std::uint32_t kHasArguments = 1u << 5;
constexpr std::uint32_t kHasIconLocation = 1u << 6;
constexpr std::uint32_t kIsUnicode = 1u << 7;
constexpr std::uint32_t kForceNoLinkInfo = 1u << 8;

// Link information flags.
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 1u << 0;
constexpr std::uint32_t kCommonNetworkRelativeLink = 1u << 1;
constexpr std::uint32_t kLinkInfoHeaderWithUnicode = 0x24;

constexpr std::uint32_t kEnvironmentBlockSignature = 0xA0000001;
constexpr std::uint32_t kEnvironmentBlockSize = 0x314;
constexpr std::size_t kEnvironmentAnsiLength = 260;

// Reads little-endian values and strings inside a window of the file; every read checks
// its bounds, and a failed one makes the whole reader fail.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t size() const { return bytes_.size(); }

    std::uint32_t u16(std::size_t at) { return static_cast<std::uint32_t>(number(at, 2)); }
    std::uint32_t u32(std::size_t at) { return static_cast<std::uint32_t>(number(at, 4)); }

    std::string_view bytes(std::size_t at, std::size_t count) {
        if (!fits(at, count)) return {};
        return bytes_.substr(at, count);
    }

    // A string that ends at its first NUL; the NUL must lie inside the window.
    std::wstring ansiUntilNul(std::size_t at) {
        if (!fits(at, 1)) return {};
        const std::size_t nul = bytes_.find('\0', at);
        if (nul == std::string_view::npos) return fail(), std::wstring();
        return platform::fromWindows1252(bytes_.substr(at, nul - at));
    }
    std::wstring utf16UntilNul(std::size_t at) {
        for (std::size_t end = at;; end += 2) {
            if (!fits(end, 2)) return {};
            if (bytes_[end] == '\0' && bytes_[end + 1] == '\0')
                return platform::fromUtf16(bytes_.substr(at, end - at));
        }
    }

private:
    bool fits(std::size_t at, std::size_t count) {
        if (ok_ && at <= bytes_.size() && count <= bytes_.size() - at) return true;
        fail();
        return false;
    }
    void fail() { ok_ = false; }
    std::uint64_t number(std::size_t at, std::size_t width) {
        if (!fits(at, width)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = value << 8 | static_cast<std::uint8_t>(bytes_[at + i]);
        return value;
    }

    std::string_view bytes_;
    bool ok_ = true;
};

// Joins a base path and its suffix as the shell does, with one "\" between them.
std::wstring joinPath(std::wstring base, const std::wstring& suffix) {
    if (base.empty() || suffix.empty()) return base + suffix;
    if (base.back() != L'\\') base += L'\\';
    return base + suffix;
}

// The link information block at the start of `info` (its own size already checked).
bool readLinkInfo(std::string_view info, ShellLink& link) {
    Reader r(info);
    const std::uint32_t headerSize = r.u32(4);
    const std::uint32_t flags = r.u32(8);
    const std::uint32_t localBaseOffset = r.u32(16);
    const std::uint32_t networkOffset = r.u32(20);
    const std::uint32_t suffixOffset = r.u32(24);
    if (!r.ok() || headerSize < 0x1C || headerSize > info.size()) return false;
    const bool unicodeOffsets = headerSize >= kLinkInfoHeaderWithUnicode;

    std::wstring suffix;
    if (unicodeOffsets && r.u32(32) != 0) {
        suffix = r.utf16UntilNul(r.u32(32));
    } else if (suffixOffset != 0) {
        suffix = r.ansiUntilNul(suffixOffset);
    }
    if (flags & kVolumeIdAndLocalBasePath) {
        std::wstring base =
            unicodeOffsets && r.u32(28) != 0 ? r.utf16UntilNul(r.u32(28)) : r.ansiUntilNul(localBaseOffset);
        link.localPath = joinPath(std::move(base), suffix);
    }
    if (flags & kCommonNetworkRelativeLink) {
        Reader network(
            r.bytes(networkOffset, info.size() - std::min<std::size_t>(networkOffset, info.size())));
        const std::uint32_t networkSize = network.u32(0);
        const std::uint32_t netNameOffset = network.u32(8);
        if (!network.ok() || networkSize < 0x14 || networkSize > network.size()) return false;
        Reader inside(r.bytes(networkOffset, networkSize));
        std::wstring share = netNameOffset > 0x14 && inside.u32(20) != 0
                                 ? inside.utf16UntilNul(inside.u32(20))
                                 : inside.ansiUntilNul(netNameOffset);
        if (!inside.ok()) return false;
        link.networkPath = joinPath(std::move(share), suffix);
    }
    return r.ok();
}

}  // namespace

std::optional<ShellLink> parseShellLink(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.size() > kMaxShellLinkSize) return std::nullopt;
    Reader r(bytes);
    if (r.u32(0) != kHeaderSize) return std::nullopt;
    const std::string_view classId = r.bytes(4, kLinkClassId.size());
    if (!r.ok() ||
        classId != std::string_view(reinterpret_cast<const char*>(kLinkClassId.data()), kLinkClassId.size()))
        return std::nullopt;
    const std::uint32_t flags = r.u32(20);
    std::size_t at = kHeaderSize;
    ShellLink link;

    if (flags & kHasTargetIdList) at += 2 + r.u16(at);

    if (flags & kHasLinkInfo) {
        const std::uint32_t infoSize = r.u32(at);
        const std::string_view info = r.bytes(at, infoSize);
        if (!r.ok() || infoSize < 0x1C) return std::nullopt;
        // A link that is told to ignore its link information still has to hold it whole.
        if (!(flags & kForceNoLinkInfo) && !readLinkInfo(info, link)) return std::nullopt;
        at += infoSize;
    }

    const bool unicode = flags & kIsUnicode;
    const auto readString = [&](std::wstring* into) {
        const std::uint32_t count = r.u16(at);
        const std::size_t length = unicode ? 2 * std::size_t{count} : count;
        const std::string_view text = r.bytes(at + 2, length);
        if (into != nullptr) *into = unicode ? platform::fromUtf16(text) : platform::fromWindows1252(text);
        at += 2 + length;
    };
    if (flags & kHasName) readString(nullptr);
    if (flags & kHasRelativePath) readString(&link.relativePath);
    if (flags & kHasWorkingDir) readString(&link.workingFolder);
    if (flags & kHasArguments) readString(&link.arguments);
    if (flags & kHasIconLocation) readString(nullptr);
    if (!r.ok()) return std::nullopt;

    // Extra data, up to the terminal block (a file that simply ends is read as ended).
    while (at + 4 <= bytes.size()) {
        const std::uint32_t blockSize = r.u32(at);
        if (blockSize < 4) break;
        const std::string_view block = r.bytes(at, blockSize);
        if (!r.ok() || blockSize < 8) return std::nullopt;
        Reader b(block);
        if (b.u32(4) == kEnvironmentBlockSignature) {
            if (blockSize != kEnvironmentBlockSize) return std::nullopt;
            std::wstring target = b.utf16UntilNul(8 + kEnvironmentAnsiLength);
            if (!b.ok() || target.empty()) {
                Reader ansi(block.substr(8, kEnvironmentAnsiLength));
                target = ansi.ansiUntilNul(0);
                if (!ansi.ok()) return std::nullopt;
            }
            link.environmentTarget = std::move(target);
        }
        at += blockSize;
    }
    return link;
}

}  // namespace lockbay
