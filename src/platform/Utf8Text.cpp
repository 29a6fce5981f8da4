#include "platform/Utf8Text.h"

namespace ardeko::platform {

namespace {

void AppendEscapedByte(std::string& out, unsigned char b) {
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[b >> 4];
    out += digits[b & 0x0F];
}

}  // namespace

std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string VisibleText(std::string_view text, Backslashes backslashes) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0 || b < 0x20 || b == 0x7F) {
            AppendEscapedByte(out, b);
            ++i;
            continue;
        }
        // C1 controls (U+0080 to U+009F) move terminals about as much as C0 ones do.
        if (length == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            AppendEscapedByte(out, b);
            AppendEscapedByte(out, static_cast<unsigned char>(text[i + 1]));
            i += 2;
            continue;
        }
        if (b == '\\' && backslashes == Backslashes::Doubled) out += '\\';
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

std::size_t CodePointCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const std::size_t length = Utf8SequenceAt(text, i);
        i += length == 0 ? 1 : length;
    }
    return count;
}

}  // namespace ardeko::platform
