#include "core/Dib.h"

#include <array>
#include <climits>

#include "core/ByteOrder.h"

namespace tavelin {
namespace {

// 5-bit channel to 8 bits: 0, 16, then 8v + 8 up to 248, and 255 for full intensity.
constexpr std::array<std::uint8_t, 32> BuildExpand5() {
    std::array<std::uint8_t, 32> t{};
    for (int v = 0; v < 32; ++v) {
        t[v] = static_cast<std::uint8_t>(v == 0 ? 0 : v == 1 ? 16 : v == 31 ? 255 : 8 * v + 8);
    }
    return t;
}
constexpr std::array<std::uint8_t, 32> kExpand5 = BuildExpand5();

inline void PutColour(std::uint8_t* out, const std::uint8_t* table, unsigned index) {
    const std::uint8_t* entry = table + 4 * index;
    out[0] = entry[2];
    out[1] = entry[1];
    out[2] = entry[0];
}

void ConvertRow(const DibView& view, const std::uint8_t* __restrict src,
                std::uint8_t* __restrict out) {
    const int w = view.width;
    switch (view.bitCount) {
        case 1:
            for (int x = 0; x < w; ++x) {
                PutColour(out + 3 * x, view.colourTable, (src[x >> 3] >> (7 - (x & 7))) & 1u);
            }
            break;
        case 4:
            for (int x = 0; x < w; ++x) {
                const unsigned b = src[x >> 1];
                PutColour(out + 3 * x, view.colourTable, (x & 1) ? (b & 0x0Fu) : (b >> 4));
            }
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                PutColour(out + 3 * x, view.colourTable, src[x]);
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const unsigned v = src[2 * x] | (static_cast<unsigned>(src[2 * x + 1]) << 8);
                out[3 * x] = kExpand5[(v >> 10) & 31u];
                out[3 * x + 1] = kExpand5[(v >> 5) & 31u];
                out[3 * x + 2] = kExpand5[v & 31u];
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x) {
                out[3 * x] = src[3 * x + 2];
                out[3 * x + 1] = src[3 * x + 1];
                out[3 * x + 2] = src[3 * x];
            }
            break;
        case 32:
            for (int x = 0; x < w; ++x) {
                out[3 * x] = src[4 * x + 2];
                out[3 * x + 1] = src[4 * x + 1];
                out[3 * x + 2] = src[4 * x];
            }
            break;
        default:
            break;
    }
}

}  // namespace

DibError ParseDib(const std::uint8_t* dib, std::size_t dibBytes, DibView& view) {
    if (dib == nullptr || dibBytes < kDibHeaderBytes)
        return DibError::InvalidInput;
    const std::uint32_t headerSize = ReadLe32(dib);
    const std::int32_t width = static_cast<std::int32_t>(ReadLe32(dib + 4));
    const std::int32_t height = static_cast<std::int32_t>(ReadLe32(dib + 8));
    const int bitCount = ReadLe16(dib + 14);
    const std::uint32_t compression = ReadLe32(dib + 16);
    if (headerSize < kDibHeaderBytes || headerSize > dibBytes)
        return DibError::InvalidInput;
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return DibError::InvalidInput;
    if (!IsDibBitCount(bitCount))
        return DibError::InvalidBitCount;
    if (compression != 0)
        return DibError::InvalidInput;

    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    const std::uint64_t stride = DibRowStride(static_cast<std::uint32_t>(width), bitCount);
    const std::uint64_t tableBytes = 4u * static_cast<unsigned>(DibColourEntries(bitCount));
    const std::uint64_t available = dibBytes - headerSize;
    if (tableBytes > available || rows > (available - tableBytes) / stride) {
        return DibError::InvalidInput;
    }

    view.width = width;
    view.height = static_cast<int>(rows);
    view.topDown = height < 0;
    view.bitCount = bitCount;
    view.colourTable = tableBytes != 0 ? dib + headerSize : nullptr;
    view.pixels = dib + headerSize + tableBytes;
    view.stride = static_cast<std::size_t>(stride);
    return DibError::None;
}

void DibViewToRgbRows(const DibView& view, std::uint8_t* const* rows) {
    for (int i = 0; i < view.height; ++i) {
        const std::size_t stored = view.topDown ? i : view.height - 1 - i;
        ConvertRow(view, view.pixels + stored * view.stride, rows[i]);
    }
}

bool DibToRgbRows(const std::uint8_t* dib, std::size_t dibBytes, int rowBytes, std::uint8_t** rows,
                  std::string* errorText) {
    if (errorText == nullptr)
        return false;
    if (dib == nullptr || rowBytes <= 0 || rows == nullptr) {
        *errorText = kInvalidInputData;
        return false;
    }
    DibView view;
    switch (ParseDib(dib, dibBytes, view)) {
        case DibError::None:
            break;
        case DibError::InvalidBitCount:
            *errorText = kInvalidBitCount;
            return false;
        case DibError::InvalidInput:
            *errorText = kInvalidInputData;
            return false;
    }
    // Rows narrower than the picture would be written past their end.
    if (rowBytes / 3 < view.width) {
        *errorText = kInvalidInputData;
        return false;
    }
    DibViewToRgbRows(view, rows);
    return true;
}

}  // namespace tavelin
