#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <jpeglib.h>

#include "core/StillImage.h"
#include "tests/support/TempFolder.h"

namespace tavelin {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const std::string& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}
void Put(Bytes& b, std::size_t at, std::uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::int32_t Get32(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}

// A packed DIB: 40-byte header, colour table, pixel rows as stored (bottom row first).
Bytes MakeDib(int w, int h, int bits, const Bytes& table, const Bytes& pixels,
              int compression = 0) {
    Bytes dib(40);
    Put(dib, 0, 40);
    Put(dib, 4, static_cast<std::uint32_t>(w));
    Put(dib, 8, static_cast<std::uint32_t>(h));
    Put(dib, 12, 1, 2);
    Put(dib, 14, static_cast<std::uint32_t>(bits), 2);
    Put(dib, 16, static_cast<std::uint32_t>(compression));
    dib.insert(dib.end(), table.begin(), table.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

// The BMP file of a DIB; `masks` go between the header and the colour table.
Bytes MakeBmp(const Bytes& dib, std::size_t tableBytes, const Bytes& masks = {}) {
    Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put(file, 2, static_cast<std::uint32_t>(14 + dib.size() + masks.size()));
    Put(file, 10, static_cast<std::uint32_t>(54 + masks.size() + tableBytes));
    file.insert(file.end(), dib.begin(), dib.begin() + 40);
    file.insert(file.end(), masks.begin(), masks.end());
    file.insert(file.end(), dib.begin() + 40, dib.end());
    return file;
}

// RGB rows, top first, from DibToRgbRows; empty on failure. An implausible header size gets a
// single 3-byte row, so wrongly accepting it shows as an overflow.
Bytes ToRgb(const Bytes& dib, std::string* error = nullptr) {
    std::string own;
    const long long w = dib.size() >= 40 ? Get32(dib, 4) : 0;
    const long long h = dib.size() >= 40 ? std::llabs(Get32(dib, 8)) : 0;
    const bool plausible = w > 0 && h > 0 && w * h <= (1 << 16);
    Bytes out(plausible ? static_cast<std::size_t>(w * h * 3) : 3);
    std::vector<std::uint8_t*> rows;
    for (long long i = 0; i < (plausible ? h : 1); ++i)
        rows.push_back(&out[i * w * 3]);
    const int rowBytes = plausible ? static_cast<int>(w * 3) : 3;
    if (!DibToRgbRows(dib.data(), dib.size(), rowBytes, rows.data(), error ? error : &own))
        return {};
    return out;
}

std::uint8_t Byte(int v) {
    return static_cast<std::uint8_t>(v);
}

Bytes Ramp(int entries) {  // colour table entry i: blue i, green 255 - i, red i ^ 0x55
    Bytes t;
    for (int i = 0; i < entries; ++i)
        t.insert(t.end(), {Byte(i), Byte(255 - i), Byte(i ^ 0x55), 0xEE});
    return t;
}
Bytes RampRgb(std::initializer_list<int> indices) {
    Bytes out;
    for (int i : indices)
        out.insert(out.end(), {Byte(i ^ 0x55), Byte(255 - i), Byte(i)});
    return out;
}

struct DibCase {
    const char* name;
    int w, h, bits;
    Bytes table, pixels, rgb;  // rgb: expected, top row first
};

// clang-format off
const DibCase kDibCases[] = {
    // Eight pixels from the first byte, most significant bit first, four from the second.
    {"bits1width12", 12, 1, 1, Ramp(2), {0xB3, 0x5F, 0xEE, 0xEE}, RampRgb({1, 0, 1, 1, 0, 0, 1, 1, 0, 1, 0, 1})},
    {"bits4", 3, 1, 4, Ramp(16), {0x2F, 0x7E, 0xEE, 0xEE}, RampRgb({2, 15, 7})},
    {"bits8", 5, 2, 8, Ramp(256), {0, 1, 2, 3, 255, 9, 9, 9, 10, 20, 30, 40, 50, 9, 9, 9},
     RampRgb({10, 20, 30, 40, 50, 0, 1, 2, 3, 255})},
    // 0x7FFF white; 0x0421 (each channel 1) 16; r2 g30 b31; odd widths pad rows to 4 bytes.
    {"bits16", 3, 2, 16, {}, {0xFF, 0x7F, 0x21, 0x04, 0xDF, 0x0B, 9, 9, 0, 0, 0, 0x7C, 0x42, 0, 9, 9},
     {0, 0, 0, 255, 0, 0, 0, 24, 24, 255, 255, 255, 16, 16, 16, 24, 248, 255}},
    // Width 5: 15 bytes a row padded to 16; the padding never shows.
    {"bits24width5", 5, 2, 24, {},
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 99, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 99},
     {23, 22, 21, 26, 25, 24, 29, 28, 27, 32, 31, 30, 35, 34, 33, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13}},
    {"bits32", 2, 1, 32, {}, {1, 2, 3, 99, 4, 5, 6, 99}, {3, 2, 1, 6, 5, 4}},
};
// clang-format on

class StillFileTest : public testing::TempFolderTest {};

class DibCaseTest : public StillFileTest, public ::testing::WithParamInterface<DibCase> {};

TEST_P(DibCaseTest, ConvertsDirectlyTopDownAndThroughABmpFile) {
    const DibCase& c = GetParam();
    EXPECT_EQ(ToRgb(MakeDib(c.w, c.h, c.bits, c.table, c.pixels)), c.rgb);
    if (c.h == 2) {  // the same picture stored top-down
        Bytes flipped(c.pixels.begin() + c.pixels.size() / 2, c.pixels.end());
        flipped.insert(flipped.end(), c.pixels.begin(), c.pixels.begin() + c.pixels.size() / 2);
        EXPECT_EQ(ToRgb(MakeDib(c.w, -2, c.bits, c.table, flipped)), c.rgb);
    }
    WriteAll(In("p.bmp"), MakeBmp(MakeDib(c.w, c.h, c.bits, c.table, c.pixels), c.table.size()));
    const Bytes dib = ReadBmpAsDib(In("p.bmp"));
    EXPECT_EQ(Get32(dib, 8), c.h);
    EXPECT_EQ(ToRgb(dib), c.rgb);
}

INSTANTIATE_TEST_SUITE_P(Depths, DibCaseTest, ::testing::ValuesIn(kDibCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DibToRgbRowsTest, NeedsRowsWideEnoughAndAnErrorText) {
    const Bytes good = MakeDib(1, 1, 24, {}, {1, 2, 3, 0});
    Bytes out(3);
    std::uint8_t* row = out.data();
    std::string error;
    EXPECT_FALSE(DibToRgbRows(good.data(), good.size(), 2, &row, &error));
    EXPECT_EQ(error, "Invalid input data");
    EXPECT_FALSE(DibToRgbRows(good.data(), good.size(), 3, &row, nullptr));
    EXPECT_TRUE(DibToRgbRows(good.data(), good.size(), 3, &row, &error));
    EXPECT_EQ(out, (Bytes{3, 2, 1}));
}

Bytes TestFrame(int w, int h) {
    Bytes f(static_cast<std::size_t>(w) * h * 3);
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::size_t x = i / 3 % w, y = i / 3 / w;
        f[i] = Byte(i % 3 == 0 ? x * 255 / w : i % 3 == 1 ? y * 255 / h : 128 + (x + y) % 64);
    }
    return f;
}

TEST_F(StillFileTest, BmpHasTheFixedHeaderThenTheFrameBytes) {
    const Bytes frame = TestFrame(320, 240);
    ASSERT_TRUE(WriteBmp(frame.data(), In("a.bmp"), 320, 240));
    const Bytes file = ReadAll(In("a.bmp"));
    ASSERT_EQ(file.size(), 230454u);
    Bytes header(54);
    header[0] = 'B', header[1] = 'M', header[26] = 1, header[28] = 24;
    for (auto [at, v] : {std::pair{2, 230454}, {10, 54}, {14, 40}, {18, 320}, {22, 240}}) {
        Put(header, at, v);
    }
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), header);
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), file.begin() + 54));

    // Odd widths get padded rows, as the format requires, and read back unchanged.
    ASSERT_TRUE(WriteBmp(frame.data(), In("a.bmp"), 5, 3));
    EXPECT_EQ(ReadAll(In("a.bmp")).size(), 54u + 16 * 3);
    Bytes upright;
    for (int row = 2; row >= 0; --row) {
        for (int i = row * 15; i < row * 15 + 15; i += 3)
            upright.insert(upright.end(), {frame[i + 2], frame[i + 1], frame[i]});
    }
    EXPECT_EQ(ToRgb(ReadBmpAsDib(In("a.bmp"))), upright);

    EXPECT_FALSE(WriteBmp(frame.data(), In("missing/c.bmp"), 8, 2));
    EXPECT_FALSE(WriteBmp(frame.data(), dir_, 8, 2));
    EXPECT_FALSE(WriteBmp(nullptr, In("c.bmp"), 8, 2));
    EXPECT_EQ(Listing(), std::vector<std::string>{"a.bmp"});  // no temporary files left
}

TEST_F(StillFileTest, LyingOrCutBmpsAreRefused) {
    const Bytes good = MakeBmp(MakeDib(7, 5, 8, Ramp(256), Bytes(8 * 5, 3)), 1024);
    ASSERT_FALSE(BmpBytesToDib(good.data(), good.size()).empty());
    const std::vector<std::tuple<std::size_t, int, std::uint32_t>> lies = {
        {0, 2, 0x4D43},      {10, 4, 0xFFFFFFF0}, {10, 4, 20},         {14, 4, 12},
        {14, 4, 0x7FFFFFFF}, {18, 4, 0},          {18, 4, 0xFFFFFFF9}, {18, 4, 0x7FFFFFFF},
        {22, 4, 0x7FFFFFFF}, {22, 4, 0x80000001}, {22, 4, 0x80000000}, {22, 4, 0},
        {26, 2, 2},          {28, 2, 2},          {28, 2, 0xFFFF},     {30, 4, 1},
        {30, 4, 3},          {30, 4, 4}};
    for (const auto& [at, bytes, value] : lies) {
        Bytes file = good;
        Put(file, at, value, bytes);
        EXPECT_TRUE(BmpBytesToDib(file.data(), file.size()).empty()) << at << " = " << value;
    }
    for (std::size_t size : {0u, 13u, 53u, 54u + 600u, 54u + 1024u + 39u}) {
        WriteAll(In("cut.bmp"), Bytes(good.begin(), good.begin() + size));
        std::string error;
        EXPECT_FALSE(SaveJpegFromBmp(In("cut.bmp"), In("cut.jpg"), true, &error)) << size;
        EXPECT_EQ(error, "Invalid input data");
    }
    EXPECT_EQ(Listing(), std::vector<std::string>{"cut.bmp"});

    // Not a lie: a pixel offset that ends the colour table early leaves the rest black.
    const Bytes shortTable = MakeBmp(MakeDib(2, 1, 8, Ramp(4), {3, 4, 0, 0}), 16);
    Bytes expected = RampRgb({3});
    expected.insert(expected.end(), {0, 0, 0});
    EXPECT_EQ(ToRgb(BmpBytesToDib(shortTable.data(), shortTable.size())), expected);
}

Bytes DecodeJpeg(const std::string& path, int& w, int& h) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
    Bytes out(static_cast<std::size_t>(w) * h * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out[static_cast<std::size_t>(cinfo.output_scanline) * w * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return out;
}

TEST_F(StillFileTest, JpegDecodesBackUprightAndCloseToTheFrame) {
    const int w = 96, h = 64;
    const Bytes frame = TestFrame(w, h);
    std::string error = "stale";
    ASSERT_TRUE(
        WriteJpegFromFrame(frame.data(), frame.size(), w, h, 100, In("direct.jpg"), &error));
    EXPECT_EQ(error, "");
    ASSERT_TRUE(WriteBmp(frame.data(), In("shot.bmp"), w, h));
    EXPECT_TRUE(SaveJpegFromBmp(In("shot.bmp"), In("no.jpg"), false));  // read only
    EXPECT_FALSE(SaveJpegFromBmp(In("none.bmp"), In("no.jpg"), true, &error));
    EXPECT_EQ(error, "Cannot open " + In("none.bmp"));
    ASSERT_TRUE(SaveJpegFromBmp(In("shot.bmp"), In("shot.jpg"), true, &error)) << error;
    EXPECT_EQ(ReadAll(In("direct.jpg")), ReadAll(In("shot.jpg")));

    int dw = 0, dh = 0;
    const Bytes rgb = DecodeJpeg(In("shot.jpg"), dw, dh);
    ASSERT_TRUE(dw == w && dh == h);
    long long total = 0;
    for (int i = 0; i < h * w * 3; ++i) {  // decoded row r is frame row h - 1 - r, BGR
        const int r = i / (w * 3), rest = i % (w * 3);
        total += std::abs(rgb[i] - frame[(h - 1 - r) * w * 3 + rest - rest % 3 + 2 - rest % 3]);
    }
    EXPECT_LT(static_cast<double>(total) / (w * h * 3), 2.0);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"direct.jpg", "shot.bmp", "shot.jpg"}));
}

TEST_F(StillFileTest, JpegFailuresCreateNothingAndKeepTheOldFile) {
    const Bytes dib = MakeDib(8, 8, 24, {}, TestFrame(8, 8));
    const Bytes badBits = MakeDib(8, 8, 12, {}, TestFrame(8, 8));
    const Bytes tooWide = MakeDib(70000, 1, 24, {}, Bytes(210000, 7));  // past libjpeg's limit
    const std::string old = In("old.jpg"), none = In("none/x.jpg");
    WriteAll(old, {'o', 'l', 'd'});
    const std::vector<std::tuple<const Bytes*, std::size_t, int, std::string, std::string>> cases =
        {
            {&dib, dib.size(), 101, In("new.jpg"), "Invalid input data"},
            {&dib, dib.size(), -1, old, "Invalid input data"},
            {nullptr, 0, 100, old, "Invalid input data"},
            {&dib, dib.size(), 100, "", "Invalid input data"},
            {&dib, dib.size() - 1, 100, old, "Invalid input data"},
            {&badBits, badBits.size(), 100, old, "Invalid bitmap bit count"},
            {&dib, dib.size(), 100, none, "Cannot open " + none},
            {&dib, dib.size(), 100, dir_, "Cannot open " + dir_},
            {&tooWide, tooWide.size(), 100, old,
             "Maximum supported image dimension is 65500 pixels"},
        };
    for (const auto& [bytes, size, quality, path, text] : cases) {
        std::string error;
        EXPECT_FALSE(WriteJpeg(bytes ? bytes->data() : nullptr, size, quality, path, &error));
        EXPECT_EQ(error, text);
    }
    EXPECT_FALSE(WriteJpeg(dib.data(), dib.size(), 100, In("new.jpg"), nullptr));
    EXPECT_EQ(ReadAll(old), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Listing(), std::vector<std::string>{"old.jpg"});

    std::string error;
    ASSERT_TRUE(WriteJpeg(dib.data(), dib.size(), 0, old, &error)) << error;
    EXPECT_EQ(ReadAll(old)[0], 0xFF);  // now replaced by a finished JPEG
}

// The writer as it was first built, kept to pin its files: every row converted to RGB into
// one whole-picture array, then compressed with the library's defaults into memory.
Bytes ReferenceJpeg(const Bytes& dib, int quality) {
    const int w = Get32(dib, 4), h = std::abs(Get32(dib, 8));
    Bytes rgb(static_cast<std::size_t>(w) * h * 3);
    std::vector<std::uint8_t*> rows;
    for (int y = 0; y < h; ++y)
        rows.push_back(&rgb[static_cast<std::size_t>(y) * w * 3]);
    std::string error;
    if (!DibToRgbRows(dib.data(), dib.size(), w * 3, rows.data(), &error))
        return {};
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outBytes = 0;
    jpeg_mem_dest(&cinfo, &out, &outBytes);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    jpeg_write_scanlines(&cinfo, rows.data(), static_cast<JDIMENSION>(h));
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes file(out, out + outBytes);
    std::free(out);
    return file;
}

struct JpegCase {
    const char* name;
    int w, h, bits, quality;  // h < 0: rows stored top-down
};

const JpegCase kJpegCases[] = {
    {"snapshot1600x1200", 1600, 1200, 24, 100},
    {"frame640x480q75", 640, 480, 24, 75},
    {"oddWidth97x61", 97, 61, 24, 90},
    {"topDown97x61", 97, -61, 24, 100},
    {"oneColumn", 1, 19, 24, 100},
    {"oneRow", 203, 1, 24, 0},
    {"bits32", 33, 20, 32, 100},
    {"bits32TopDown", 35, -18, 32, 50},
    {"bits16", 31, 9, 16, 100},
    {"bits8", 45, 33, 8, 100},
    {"bits4", 17, 40, 4, 90},
    {"bits1TopDown", 70, -23, 1, 100},
};

class JpegCaseTest : public StillFileTest, public ::testing::WithParamInterface<JpegCase> {};

// Random pixels (padding included) so every byte of the file depends on the rows being
// taken in the right order and from the right place.
TEST_P(JpegCaseTest, FilesMatchTheWholePictureEncoderByteForByte) {
    const JpegCase& c = GetParam();
    const int rows = std::abs(c.h);
    const std::size_t stride = (static_cast<std::size_t>(c.w) * c.bits + 31) / 32 * 4;
    std::mt19937 rng(static_cast<unsigned>(c.w * 7919 + c.h));
    Bytes pixels(stride * rows);
    for (auto& b : pixels)
        b = Byte(rng());
    Bytes table(c.bits <= 8 ? 4u << c.bits : 0u);
    for (auto& b : table)
        b = Byte(rng());
    const Bytes dib = MakeDib(c.w, c.h, c.bits, table, pixels);
    const Bytes expected = ReferenceJpeg(dib, c.quality);
    ASSERT_FALSE(expected.empty());

    std::string error;
    ASSERT_TRUE(WriteJpeg(dib.data(), dib.size(), c.quality, In("dib.jpg"), &error)) << error;
    EXPECT_TRUE(ReadAll(In("dib.jpg")) == expected);

    if (c.bits == 24 && c.h > 0) {  // the same picture as a frame: packed rows, bottom-up
        Bytes frame;
        for (int y = 0; y < rows; ++y) {
            const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(stride) * y;
            frame.insert(frame.end(), row, row + c.w * 3);
        }
        ASSERT_TRUE(WriteJpegFromFrame(frame.data(), frame.size(), c.w, c.h, c.quality,
                                       In("frame.jpg"), &error))
            << error;
        EXPECT_TRUE(ReadAll(In("frame.jpg")) == expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, JpegCaseTest, ::testing::ValuesIn(kJpegCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Valid BMP files and DIBs of every depth with randomly damaged headers: nothing may read or
// write out of bounds (the sanitizer build watches), whatever is accepted must convert, and
// the JPEG writer must agree with the reader.
TEST_F(StillFileTest, MutatedHeadersNeverBreakReaderConverterOrWriter) {
    const std::vector<Bytes> dibs = {
        MakeDib(7, 5, 8, Ramp(256), Bytes(8 * 5, 200)), MakeDib(13, 4, 1, Ramp(2), Bytes(16, 0xA5)),
        MakeDib(9, 3, 4, Ramp(16), Bytes(8 * 3, 0x3C)), MakeDib(3, -4, 16, {}, Bytes(8 * 4, 0x7B)),
        MakeDib(5, 2, 24, {}, Bytes(32, 0x42)),         MakeDib(4, 2, 32, {}, Bytes(32, 0x11))};
    const std::vector<std::size_t> tables = {1024, 8, 64, 0, 0, 0};
    std::vector<Bytes> bmps;
    for (std::size_t i = 0; i < dibs.size(); ++i)
        bmps.push_back(MakeBmp(dibs[i], tables[i]));
    bmps.push_back(MakeBmp(MakeDib(4, 2, 16, {}, Bytes(16, 0x37), 3), 0,
                           {0, 0x7C, 0, 0, 0xE0, 3, 0, 0, 0x1F, 0, 0, 0}));  // plain masks
    const std::uint32_t interesting[] = {
        0,  1,   2,    4,      8,      12,    16,         24,         32,        40,
        54, 124, 1078, 0x7FFF, 0xFFFF, 65501, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    std::mt19937 rng(20060102);
    int accepted[2] = {0, 0};
    for (int iteration = 0; iteration < 8000; ++iteration) {
        const bool bmp = iteration % 2 == 0;
        Bytes data = bmp ? bmps[rng() % bmps.size()] : dibs[rng() % dibs.size()];
        const std::size_t base = bmp ? 14 : 0;  // where the 40-byte header starts
        for (int e = 0, edits = 1 + static_cast<int>(rng() % 4); e < edits; ++e) {
            const std::uint32_t value =
                rng() % 3 == 0 ? rng() : interesting[rng() % std::size(interesting)];
            const std::size_t field = rng() % 8;
            if (field < 5 && data.size() >= 70) {  // size, width, height, compression, colours used
                Put(data, base + std::array<std::size_t, 5>{0, 4, 8, 16, 32}[field], value);
            } else if (field == 5 && data.size() >= 70) {
                Put(data, base + (rng() % 2 ? 12 : 14), value, 2);
            } else if (field == 6 && bmp && data.size() >= 14) {
                Put(data, 10, value);  // pixel offset
            } else {
                data.resize(rng() % 2 ? rng() % (data.size() + 1) : data.size() + rng() % 64,
                            Byte(rng()));
            }
        }
        const Bytes dib = bmp ? BmpBytesToDib(data.data(), data.size()) : data;
        std::string error;
        const bool converted = !dib.empty() && !ToRgb(dib, &error).empty();
        if (bmp && !dib.empty()) {
            ASSERT_TRUE(converted) << "iteration " << iteration << ": " << error;
        }
        accepted[bmp] += converted;
        if (iteration % 50 < 2) {  // through files, as the snapshot command goes
            WriteAll(In("f.bmp"), data);
            const bool saved = bmp ? SaveJpegFromBmp(In("f.bmp"), In("f.jpg"), true)
                                   : WriteJpeg(data.data(), data.size(), 90, In("f.jpg"), &error);
            EXPECT_EQ(saved, converted) << "iteration " << iteration;
            EXPECT_EQ(fs::exists(In("f.jpg")), saved);
            fs::remove(In("f.jpg"));
        }
    }
    EXPECT_GT(accepted[0], 200);  // the mutations must not all be trivially fatal
    EXPECT_GT(accepted[1], 200);
    EXPECT_EQ(Listing(), std::vector<std::string>{"f.bmp"});
}

}  // namespace
}  // namespace tavelin
