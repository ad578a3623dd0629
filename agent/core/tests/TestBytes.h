// Byte helpers shared by the agent core tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ovix::agent::testing {

using Bytes = std::vector<std::uint8_t>;

// "01 93 01 13 C4" -> bytes. Spaces are ignored.
inline Bytes Hex(std::string_view text) {
    Bytes out;
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        } else {
            continue;
        }
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    return out;
}

inline Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// n bytes of a repeating, recognisable pattern.
inline Bytes Pattern(std::size_t n, std::uint8_t seed = 0) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>('a' + (i + seed) % 26);
    }
    return out;
}

inline std::string ToHex(const Bytes& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace ovix::agent::testing
