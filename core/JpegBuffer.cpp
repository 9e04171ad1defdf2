#include "core/JpegBuffer.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "core/Handle.h"

namespace tavelin {
namespace {

// No camera picture comes near this many pixels; anything larger is refused.
constexpr std::uint64_t kMaxPixels = 1ull << 26;

// The library's error manager with the way back to the caller: its default error_exit
// ends the process.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}  // warnings would go to stderr, where no one reads them

// The compression object, destroyed however the compression ends (jpeg_destroy_compress
// is harmless on an object that was never created).
struct Compression {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};

    Compression() {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = JumpBack;
        err.pub.output_message = IgnoreMessage;
    }
    ~Compression() { jpeg_destroy_compress(&cinfo); }
    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;
};

void FreeLibraryBuffer(unsigned char* buffer) {
    std::free(buffer);
}
using LibraryBuffer = Handle<unsigned char, FreeLibraryBuffer>;

// The largest JPEG the library makes of a w x h picture at its default 4:2:0 sampling:
// three bytes a pixel of the picture padded to whole 16 x 16 blocks, and the headers.
std::size_t LargestJpeg(int width, int height) {
    const auto padded = [](int n) { return (static_cast<std::size_t>(n) + 15) / 16 * 16; };
    return padded(width) * padded(height) * 3 + 2048;
}

// Compresses into the memory destination `buffer` / `size`. A library error comes back
// here by longjmp, so this frame holds nothing with a destructor: what needs one is the
// caller's.
bool Compress(Compression& c, const FramePicture& picture, int quality, unsigned char*& buffer,
              unsigned long& size) {
    if (setjmp(c.err.jump) != 0)
        return false;
    jpeg_create_compress(&c.cinfo);
    jpeg_mem_dest(&c.cinfo, &buffer, &size);
    c.cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    c.cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    c.cinfo.input_components = 3;
    c.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_quality(&c.cinfo, quality, TRUE);
    jpeg_start_compress(&c.cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    while (c.cinfo.next_scanline < c.cinfo.image_height) {
        // Row r from the top is stored row height - 1 - r. The library only reads it.
        const std::size_t stored = c.cinfo.image_height - 1 - c.cinfo.next_scanline;
        JSAMPROW row = const_cast<JSAMPROW>(picture.bgr.data() + stored * stride);
        jpeg_write_scanlines(&c.cinfo, &row, 1);
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

}  // namespace

bool EncodeJpeg(const FramePicture& picture, int quality, std::vector<std::uint8_t>& out) {
    out.clear();
    if (picture.empty() || quality < 1 || quality > 100 ||
        static_cast<std::uint64_t>(picture.width) * static_cast<std::uint64_t>(picture.height) >
            kMaxPixels ||
        picture.bgr.size() < static_cast<std::size_t>(picture.width) * picture.height * 3) {
        return false;
    }
    // The library writes straight into `out`, made as large as any JPEG of the picture can
    // be, so it never needs a buffer of its own.
    out.resize(LargestJpeg(picture.width, picture.height));
    unsigned char* buffer = out.data();
    unsigned long size = out.size();
    Compression compression;
    if (!Compress(compression, picture, quality, buffer, size)) {
        out.clear();
        return false;
    }
    if (buffer != out.data()) {
        // It outgrew the estimate after all, and moved to a buffer it allocated.
        const LibraryBuffer own(buffer);
        out.assign(buffer, buffer + size);
    } else {
        out.resize(size);
    }
    return true;
}

}  // namespace tavelin
