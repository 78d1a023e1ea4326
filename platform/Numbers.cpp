#include "platform/Numbers.h"

namespace platform {

std::string GroupThousands(const std::string& digits) {
    std::string out;
    std::size_t taken = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, ++taken) {
        if (taken > 0 && taken % 3 == 0) out.insert(out.begin(), ',');
        out.insert(out.begin(), *it);
    }
    return out;
}

std::string TerminalSafe(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    const auto escape = [&out](unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7f) {
            escape(c);
            ++i;
            continue;
        }
        // A whole UTF-8 sequence is kept; a stray or cut one is escaped byte by byte.
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k)
            whole = (static_cast<unsigned char>(text[i + k]) & 0xc0) == 0x80;
        // Two-byte forms of C1 controls (U+0080 to U+009F) are controls too.
        if (whole && length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) whole = false;
        if (!whole) {
            escape(c);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace platform
