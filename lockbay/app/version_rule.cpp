// The version rule: see version_rule.h.
#include "lockbay/app/version_rule.h"

#include <tuple>

namespace lockbay {

namespace {

// Nine digits always fit an int (at most 999,999,999), so no part can overflow.
constexpr std::size_t kMaxDigits = 9;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads one part of one to nine digits from the front of `text` and removes it.
std::optional<int> takeNumber(std::string_view& text) {
    std::size_t length = 0;
    while (length < text.size() && isDigit(text[length])) ++length;
    if (length == 0 || length > kMaxDigits) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) value = value * 10 + (text[i] - '0');
    text.remove_prefix(length);
    return value;
}

bool takeDot(std::string_view& text) {
    if (text.empty() || text.front() != '.') return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<platform::ProgramVersion> parseServerVersion(std::string_view serverBody) {
    std::string_view text = trimBlanks(serverBody);
    const auto major = takeNumber(text);
    if (!major || !takeDot(text)) return std::nullopt;
    const auto minor = takeNumber(text);
    if (!minor || !takeDot(text)) return std::nullopt;
    const auto revision = takeNumber(text);
    if (!revision || !text.empty()) return std::nullopt;
    return platform::ProgramVersion{*major, *minor, *revision};
}

bool isNewerVersion(std::string_view serverBody, platform::ProgramVersion local) {
    const auto server = parseServerVersion(serverBody);
    if (!server) return false;
    return std::tie(server->major, server->minor, server->revision) >
           std::tie(local.major, local.minor, local.revision);
}

}  // namespace lockbay
