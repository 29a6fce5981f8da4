// Windows-style file-name wildcards, worked on Unicode code points so that '?' takes one
// letter also when it is an umlaut.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace ardeko::platform {
namespace {

std::vector<char32_t> decode(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > s.size()) len = 1;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

// Simple upper-casing: ASCII, Latin-1 and the Latin Extended-A pairs, which covers the
// letters of the languages our users write file names in.
char32_t fold(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c >= 0x100 && c <= 0x17F) {
        bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddPairs) return (c % 2 == 0) ? c - 1 : c;
        if (c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) return c & ~char32_t{1};
    }
    return c;
}

bool match(const std::vector<char32_t>& p, const std::vector<char32_t>& n) {
    std::size_t pi = 0, ni = 0, starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == U'?' || (p[pi] != U'*' && fold(p[pi]) == fold(n[ni])))) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == U'*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") return true;
    auto p = decode(pattern);
    auto n = decode(name);
    if (match(p, n)) return true;
    // As on Windows, "NAME.*" also finds NAME without any extension.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos) {
        p.resize(p.size() - 2);
        return match(p, n);
    }
    return false;
}

}  // namespace ardeko::platform
