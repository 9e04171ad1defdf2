#include "core/BmpFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "core/ByteOrder.h"
#include "core/Dib.h"
#include "core/FrameFormat.h"
#include "core/Handle.h"
#include "core/ReplacingFile.h"

namespace tavelin {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
// Larger files are not pictures this program deals in; refuse them before allocating.
constexpr std::uint64_t kMaxBmpFileBytes = 512ull << 20;

// Where the pixel rows of a BMP file are and how to turn them into a DIB.
struct BmpLayout {
    std::int32_t width = 0;
    std::uint32_t rows = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint64_t stride = 0;
    std::uint64_t pixelOffset = 0;
    std::uint64_t tableOffset = 0;
    std::uint32_t tableEntries = 0;  // entries present in the file
    std::uint32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
};

bool ParseBmp(const std::uint8_t* file, std::size_t fileBytes, BmpLayout& bmp) {
    if (file == nullptr || fileBytes < kBmpFileHeaderBytes + kDibHeaderBytes)
        return false;
    if (file[0] != 'B' || file[1] != 'M')
        return false;
    const std::uint8_t* info = file + kBmpFileHeaderBytes;
    const std::uint64_t pixelOffset = ReadLe32(file + 10);
    const std::uint64_t infoSize = ReadLe32(info);
    const std::int32_t width = static_cast<std::int32_t>(ReadLe32(info + 4));
    const std::int32_t height = static_cast<std::int32_t>(ReadLe32(info + 8));
    const int planes = ReadLe16(info + 12);
    const int bitCount = ReadLe16(info + 14);
    const std::uint32_t compression = ReadLe32(info + 16);
    const std::uint32_t coloursUsed = ReadLe32(info + 32);

    // Only the 40-byte header and its later, longer versions; they share the first 40 bytes.
    if (infoSize < kDibHeaderBytes || infoSize > fileBytes - kBmpFileHeaderBytes)
        return false;
    if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1)
        return false;
    if (!IsDibBitCount(bitCount))
        return false;

    std::uint64_t headersEnd = kBmpFileHeaderBytes + infoSize;
    bmp = BmpLayout{};
    if (compression == kBiBitfields && (bitCount == 16 || bitCount == 32)) {
        // Colour masks are accepted when they describe the plain layout of the depth; the
        // masks follow a 40-byte header and are its first fields in the longer ones.
        constexpr std::uint64_t masksAt = kBmpFileHeaderBytes + kDibHeaderBytes;
        if (fileBytes < masksAt + 12)
            return false;
        headersEnd = std::max(headersEnd, masksAt + 12);
        const std::uint32_t r = ReadLe32(file + masksAt);
        const std::uint32_t g = ReadLe32(file + masksAt + 4);
        const std::uint32_t b = ReadLe32(file + masksAt + 8);
        const bool plain = bitCount == 16 ? (r == 0x7C00 && g == 0x03E0 && b == 0x001F)
                                          : (r == 0xFF0000 && g == 0xFF00 && b == 0xFF);
        if (!plain)
            return false;
    } else if (compression != kBiRgb) {
        return false;
    }

    bmp.width = width;
    bmp.rows = height < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(height))
                          : static_cast<std::uint32_t>(height);
    bmp.topDown = height < 0;
    bmp.bitCount = bitCount;
    bmp.stride = DibRowStride(static_cast<std::uint32_t>(width), bitCount);
    bmp.pixelOffset = pixelOffset;
    bmp.xPelsPerMeter = ReadLe32(info + 24);
    bmp.yPelsPerMeter = ReadLe32(info + 28);

    // Pixels after the headers and inside the file; that also keeps the colour table, which
    // lies between the two, inside the file.
    if (pixelOffset < headersEnd || pixelOffset > fileBytes)
        return false;
    if (bitCount <= 8) {
        // Some writers leave the table shorter than the header claims; the pixel offset
        // decides where it ends, and missing entries stay black.
        const std::uint32_t full = static_cast<std::uint32_t>(DibColourEntries(bitCount));
        const std::uint64_t room = (pixelOffset - headersEnd) / 4;
        bmp.tableEntries = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(coloursUsed == 0 ? full : std::min(coloursUsed, full), room));
        bmp.tableOffset = headersEnd;
    }
    return bmp.rows <= (fileBytes - pixelOffset) / bmp.stride;
}

}  // namespace

bool WriteBmp(const std::uint8_t* frame, const std::string& path, int width, int height) {
    if (frame == nullptr || width <= 0 || height <= 0 || path.empty())
        return false;
    const std::uint64_t packed = static_cast<std::uint64_t>(width) * kBytesPerPixel;
    const std::uint64_t stride = DibRowStride(static_cast<std::uint32_t>(width), 24);
    // The file size field is 32 bits wide.
    if (static_cast<std::uint64_t>(height) > (UINT32_MAX - kBmpHeaderBytes) / stride)
        return false;
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(height);

    std::uint8_t header[kBmpHeaderBytes] = {'B', 'M'};
    WriteLe32(header + 2, static_cast<std::uint32_t>(kBmpHeaderBytes + imageBytes));
    WriteLe32(header + 10, kBmpHeaderBytes);
    WriteLe32(header + 14, kDibHeaderBytes);
    WriteLe32(header + 18, static_cast<std::uint32_t>(width));
    WriteLe32(header + 22, static_cast<std::uint32_t>(height));
    WriteLe16(header + 26, 1);
    WriteLe16(header + 28, 24);

    CReplacingFile out(path);
    if (!out.isOpen())
        return false;
    out.Write(header, sizeof header);
    if (stride == packed) {
        // The frame's memory is the file's pixel layout: one write.
        out.Write(frame, static_cast<std::size_t>(imageBytes));
    } else {
        const std::uint8_t padding[4] = {};
        for (int y = 0; y < height; ++y) {
            out.Write(frame + static_cast<std::size_t>(y) * packed,
                      static_cast<std::size_t>(packed));
            out.Write(padding, static_cast<std::size_t>(stride - packed));
        }
    }
    return out.Commit();
}

std::vector<std::uint8_t> BmpBytesToDib(const std::uint8_t* file, std::size_t fileBytes) {
    BmpLayout bmp;
    if (!ParseBmp(file, fileBytes, bmp))
        return {};

    const std::size_t tableBytes = 4u * static_cast<unsigned>(DibColourEntries(bmp.bitCount));
    const std::uint64_t imageBytes = bmp.stride * bmp.rows;
    std::vector<std::uint8_t> dib(kDibHeaderBytes + tableBytes + imageBytes);

    std::uint8_t* header = dib.data();
    WriteLe32(header, kDibHeaderBytes);
    WriteLe32(header + 4, static_cast<std::uint32_t>(bmp.width));
    WriteLe32(header + 8, bmp.rows);
    WriteLe16(header + 12, 1);
    WriteLe16(header + 14, static_cast<std::uint32_t>(bmp.bitCount));
    WriteLe32(header + 20, imageBytes <= UINT32_MAX ? static_cast<std::uint32_t>(imageBytes) : 0);
    WriteLe32(header + 24, bmp.xPelsPerMeter);
    WriteLe32(header + 28, bmp.yPelsPerMeter);

    // Entries the file leaves out stay black; the reserved byte is always 0.
    std::uint8_t* table = header + kDibHeaderBytes;
    for (std::uint32_t i = 0; i < bmp.tableEntries; ++i) {
        std::memcpy(table + 4 * i, file + bmp.tableOffset + 4 * i, 3);
    }

    std::uint8_t* pixels = table + tableBytes;
    for (std::uint32_t i = 0; i < bmp.rows; ++i) {
        // DIB rows are bottom-up: stored row i is picture row i counted from the bottom.
        const std::uint32_t fileRow = bmp.topDown ? bmp.rows - 1 - i : i;
        std::memcpy(pixels + i * bmp.stride, file + bmp.pixelOffset + fileRow * bmp.stride,
                    static_cast<std::size_t>(bmp.stride));
    }
    return dib;
}

std::vector<std::uint8_t> ReadBmpAsDib(const std::string& bmpPath, std::string* errorText) {
    auto fail = [errorText](std::string text) {
        if (errorText != nullptr)
            *errorText = std::move(text);
        return std::vector<std::uint8_t>{};
    };
    // Non-blocking open, so a FIFO planted under the name cannot hang the window thread.
    const UniqueFd in(::open(bmpPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in)
        return fail("Cannot open " + bmpPath);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > kMaxBmpFileBytes) {
        return fail(kInvalidInputData);
    }
    std::vector<std::uint8_t> file(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < file.size()) {
        const ssize_t n = ::read(in.get(), file.data() + got, file.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    std::vector<std::uint8_t> dib = BmpBytesToDib(file.data(), got);
    if (dib.empty())
        return fail(kInvalidInputData);
    return dib;
}

}  // namespace tavelin
