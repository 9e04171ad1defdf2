#pragma once
// A few texts are kept in the binary as bytes rotated right, so they do not show up
// as plain strings; rotating each byte left again gives the text back.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavelin {

template <std::size_t N>
std::string Unscramble(const std::uint8_t (&stored)[N], unsigned rotateLeftBits) {
    std::string text;
    text.reserve(N);
    const unsigned r = rotateLeftBits & 7u;
    for (std::uint8_t byte : stored) {
        text.push_back(
            static_cast<char>(static_cast<std::uint8_t>((byte << r) | (byte >> ((8u - r) & 7u)))));
    }
    return text;
}

}  // namespace tavelin
