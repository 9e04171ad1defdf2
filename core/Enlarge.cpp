#include "core/Enlarge.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

#include "core/VectorClones.h"

namespace tavelin {

namespace {

// Source pixels handled per pass, so the scratch rows live on the stack.
constexpr std::size_t kChunk = 256;
constexpr std::size_t kChunkBytes = 6 * kChunk;

// 0xFF on the bytes of odd output columns (each output pixel is 3 bytes).
constexpr std::array<std::uint8_t, kChunkBytes> kOddColumn = [] {
    std::array<std::uint8_t, kChunkBytes> a{};
    for (std::size_t k = 0; k < kChunkBytes; ++k)
        a[k] = (k / 3) & 1 ? 0xFF : 0;
    return a;
}();

// Writes every one of n pixels twice: out[6x ... 6x + 5] = in[3x ... 3x + 2] twice.
TAVELIN_VECTOR_CLONES
void DoublePixels(const std::uint8_t* __restrict in, std::size_t n, std::uint8_t* __restrict out) {
    std::size_t x = 0;
#if defined(__GNUC__) && !defined(__clang__)
    // Eight pixels (24 bytes) become 48 bytes; output byte k is input byte
    // 3 (k / 6) + k % 3, taken from loads at input bytes 0, 4 and 8.
    using V16 = std::uint8_t __attribute__((vector_size(16)));
    constexpr V16 kFirst = {0, 1, 2, 0, 1, 2, 3, 4, 5, 3, 4, 5, 6, 7, 8, 6};
    constexpr V16 kSecond = {3, 4, 5, 6, 7, 5, 6, 7, 8, 9, 10, 8, 9, 10, 11, 12};
    constexpr V16 kThird = {9, 7, 8, 9, 10, 11, 12, 10, 11, 12, 13, 14, 15, 13, 14, 15};
    for (; x + 8 <= n; x += 8) {
        V16 v0;
        V16 v4;
        V16 v8;
        std::memcpy(&v0, in + 3 * x, 16);
        std::memcpy(&v4, in + 3 * x + 4, 16);
        std::memcpy(&v8, in + 3 * x + 8, 16);
        const V16 o0 = __builtin_shuffle(v0, kFirst);
        const V16 o1 = __builtin_shuffle(v4, kSecond);
        const V16 o2 = __builtin_shuffle(v8, kThird);
        std::memcpy(out + 6 * x, &o0, 16);
        std::memcpy(out + 6 * x + 16, &o1, 16);
        std::memcpy(out + 6 * x + 32, &o2, 16);
    }
#endif
    for (; x < n; ++x) {
        std::memcpy(out + 6 * x, in + 3 * x, 3);
        std::memcpy(out + 6 * x + 3, in + 3 * x, 3);
    }
}

// Output rows 2 sy and 2 sy + 1 from doubled source rows a (row sy, followed by
// the pixel after the strip) and b (row sy + 1). a[k + 3] is the right
// neighbour of the pixel at byte k when k is in an odd output column. The
// weights (4 - fx - fy, fy, fx) are applied with masks instead of products.
TAVELIN_VECTOR_CLONES
void BlendRows(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
               std::size_t bytes, std::uint8_t* __restrict even, std::uint8_t* __restrict odd) {
    const std::uint8_t* __restrict oddColumn = kOddColumn.data();
    for (std::size_t k = 0; k < bytes; ++k) {
        const std::uint16_t m = oddColumn[k];
        const std::uint16_t av = a[k];
        const std::uint16_t cv = a[k + 3];
        even[k] = static_cast<std::uint8_t>((4 * av - (av & m) + (cv & m)) >> 2);
        odd[k] = static_cast<std::uint8_t>((3 * av + b[k] - (av & m) + (cv & m)) >> 2);
    }
}

}  // namespace

void Enlarge2x(const std::uint8_t* source, int w, int h, std::uint8_t* destination) {
    if (source == nullptr || destination == nullptr || w <= 0 || h <= 0)
        return;
    const std::size_t width = static_cast<std::size_t>(w);
    const std::size_t height = static_cast<std::size_t>(h);
    const std::size_t inRow = 3 * width;
    const std::size_t outRow = 6 * width;

    if (height == 1) {
        DoublePixels(source, width, destination);
        std::memcpy(destination + outRow, destination, outRow);
        return;
    }

    // Column strips, each from the bottom row up, so every source row is doubled
    // once: row sy + 1 of one pass is row sy of the next.
    alignas(32) std::uint8_t bufferA[kChunkBytes + 8];
    alignas(32) std::uint8_t bufferB[kChunkBytes + 8];
    for (std::size_t x0 = 0; x0 < width; x0 += kChunk) {
        const std::size_t n = width - x0 < kChunk ? width - x0 : kChunk;
        std::uint8_t* a = bufferA;
        std::uint8_t* b = bufferB;
        DoublePixels(source + 3 * x0, n, a);
        // The pixel after the strip; after a row's last pixel that is the first
        // pixel of the next row, which exists for every row but the top one.
        std::memcpy(a + 6 * n, source + 3 * (x0 + n), 3);
        for (std::size_t sy = 0; sy + 1 < height; ++sy) {
            const std::uint8_t* rowB = source + (sy + 1) * inRow + 3 * x0;
            DoublePixels(rowB, n, b);
            if (sy + 2 < height)
                std::memcpy(b + 6 * n, rowB + 3 * n, 3);
            std::uint8_t* even = destination + 2 * sy * outRow + 6 * x0;
            BlendRows(a, b, 6 * n, even, even + outRow);
            std::swap(a, b);
        }
    }
    const std::uint8_t* lastComputed = destination + (2 * height - 3) * outRow;
    std::memcpy(destination + (2 * height - 2) * outRow, lastComputed, outRow);
    std::memcpy(destination + (2 * height - 1) * outRow, lastComputed, outRow);
}

namespace reference {

void Enlarge2x(const std::uint8_t* source, int w, int h, std::uint8_t* destination) {
    if (source == nullptr || destination == nullptr || w <= 0 || h <= 0)
        return;
    const std::size_t width = static_cast<std::size_t>(w);
    const std::size_t height = static_cast<std::size_t>(h);
    const std::size_t outRow = 6 * width;
    if (height == 1) {
        for (std::size_t j = 0; j < 2 * width; ++j) {
            for (std::size_t c = 0; c < 3; ++c) {
                destination[3 * j + c] = destination[outRow + 3 * j + c] = source[3 * (j / 2) + c];
            }
        }
        return;
    }
    for (std::size_t i = 0; i + 2 < 2 * height; ++i) {
        for (std::size_t j = 0; j < 2 * width; ++j) {
            const std::size_t sy = i / 2;
            const std::size_t fy = i % 2;
            const std::size_t sx = j / 2;
            const std::size_t fx = j % 2;
            for (std::size_t c = 0; c < 3; ++c) {
                const unsigned a = source[(sy * width + sx) * 3 + c];
                const unsigned b = source[((sy + 1) * width + sx) * 3 + c];
                const unsigned cc = source[(sy * width + sx + 1) * 3 + c];
                destination[i * outRow + 3 * j + c] =
                    static_cast<std::uint8_t>((a * (4 - fx - fy) + b * fy + cc * fx) / 4);
            }
        }
    }
    for (std::size_t i = 2 * height - 2; i < 2 * height; ++i) {
        std::memcpy(destination + i * outRow, destination + (2 * height - 3) * outRow, outRow);
    }
}

}  // namespace reference

}  // namespace tavelin
