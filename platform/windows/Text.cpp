#include "platform/windows/Text.h"

#include <cstdint>
#include <utility>

namespace platform::windows {
namespace {

// A byte that begins no well-formed UTF-8 sequence crosses as the lone low
// surrogate U+DC80 + its value and comes back as itself: the store hands back
// whatever bytes were written, text or not, as the ANSI calls did.
constexpr char32_t kEscape = 0xDC00;

// The code point of the well-formed sequence at `at`, and its length; 0 as
// the length where none begins there.
std::pair<char32_t, std::size_t> decode(std::string_view s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[at + i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07u;
        least = 0x10000;
    } else {
        return {0, 0};
    }
    if (at + length > s.size()) return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80) return {0, 0};
        c = (c << 6) | (byte(i) & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
    return {c, length};
}

void append(std::string& out, char32_t c) {
    const auto put = [&](char32_t b) { out += static_cast<char>(b); };
    if (c < 0x80) return put(c);
    // The lead byte, then six bits in each byte that follows.
    const int following = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr char32_t kLead[] = {0, 0xC0, 0xE0, 0xF0};
    put(kLead[following] | (c >> (6 * following)));
    for (int i = following - 1; i >= 0; --i) put(0x80 | ((c >> (6 * i)) & 0x3F));
}

}  // namespace

std::wstring wide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const auto [c, length] = decode(utf8, at);
        if (length == 0) {
            out += static_cast<wchar_t>(kEscape + static_cast<std::uint8_t>(utf8[at++]));
            continue;
        }
        at += length;
        if (c < 0x10000) {
            out += static_cast<wchar_t>(c);
        } else {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string utf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t at = 0; at < wide.size(); ++at) {
        const char32_t unit = static_cast<char16_t>(wide[at]);
        const char32_t next = at + 1 < wide.size() ? static_cast<char16_t>(wide[at + 1]) : 0;
        if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            append(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++at;
        } else if (unit >= kEscape + 0x80 && unit <= kEscape + 0xFF) {
            out += static_cast<char>(unit - kEscape);
        } else {
            append(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit);
        }
    }
    return out;
}

}  // namespace platform::windows
