#include "core/JpegFile.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "core/BmpFile.h"
#include "core/Dib.h"
#include "core/FrameFormat.h"
#include "core/ReplacingFile.h"

namespace tavelin {
namespace {

// Pictures beyond this would need a sample array of hundreds of megabytes; no camera
// picture comes near it.
constexpr std::uint64_t kMaxJpegPixels = 1ull << 26;

// The library's error manager, extended with the way back to the caller: its default
// error_exit ends the process.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ReturnToCaller(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}  // warnings would go to stderr; there is no one to read them

// Compresses every row of `view` into `out`. A library error arrives here by longjmp, which
// skips destructors, so this function holds only trivially destructible objects and every
// library allocation lives in the compression object's pools, freed by jpeg_destroy_compress.
bool Compress(const DibView& view, int quality, std::FILE* out, char* message) {
    jpeg_compress_struct cinfo{};  // mem == nullptr, so destroying it early is safe
    JpegErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ReturnToCaller;
    err.pub.output_message = IgnoreMessage;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        std::memcpy(message, err.message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(view.width);
    cinfo.image_height = static_cast<JDIMENSION>(view.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    // One sample array for the whole picture, written in one go.
    JSAMPARRAY rows =
        (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                   cinfo.image_width * 3, cinfo.image_height);
    DibViewToRgbRows(view, rows);
    while (cinfo.next_scanline < cinfo.image_height) {
        const JDIMENSION left = cinfo.image_height - cinfo.next_scanline;
        if (jpeg_write_scanlines(&cinfo, rows + cinfo.next_scanline, left) == 0)
            break;
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool Encode(const DibView& view, int quality, CReplacingFile& out, const std::string& jpegPath,
            std::string& errorText) {
    if (static_cast<std::uint64_t>(view.width) * static_cast<std::uint64_t>(view.height) >
        kMaxJpegPixels) {
        errorText = kInvalidInputData;
        return false;
    }
    char message[JMSG_LENGTH_MAX] = {};
    if (!Compress(view, quality, out.file(), message)) {
        errorText = message[0] != '\0' ? message : "JPEG library error";
        return false;
    }
    if (!out.Commit()) {
        errorText = "Cannot open " + jpegPath;
        return false;
    }
    return true;
}

bool CheckArguments(int quality, const void* pixels, const std::string& jpegPath,
                    std::string* errorText) {
    if (errorText == nullptr)
        return false;
    if (quality < 0 || quality > 100 || pixels == nullptr || jpegPath.empty()) {
        *errorText = kInvalidInputData;
        return false;
    }
    errorText->clear();
    return true;
}

}  // namespace

bool WriteJpeg(const std::uint8_t* dib, std::size_t dibBytes, int quality,
               const std::string& jpegPath, std::string* errorText) {
    if (!CheckArguments(quality, dib, jpegPath, errorText))
        return false;
    CReplacingFile out(jpegPath);
    if (!out.isOpen()) {
        *errorText = "Cannot open " + jpegPath;
        return false;
    }
    DibView view;
    switch (ParseDib(dib, dibBytes, view)) {
        case DibError::None:
            return Encode(view, quality, out, jpegPath, *errorText);
        case DibError::InvalidBitCount:
            *errorText = kInvalidBitCount;
            return false;
        case DibError::InvalidInput:
            break;
    }
    *errorText = kInvalidInputData;
    return false;
}

bool WriteJpegFromFrame(const std::uint8_t* frame, std::size_t frameBytes, int width, int height,
                        int quality, const std::string& jpegPath, std::string* errorText) {
    if (!CheckArguments(quality, frame, jpegPath, errorText))
        return false;
    if (width <= 0 || height <= 0 || frameBytes < FrameBytes(width, height)) {
        *errorText = kInvalidInputData;
        return false;
    }
    CReplacingFile out(jpegPath);
    if (!out.isOpen()) {
        *errorText = "Cannot open " + jpegPath;
        return false;
    }
    DibView view;
    view.width = width;
    view.height = height;
    view.bitCount = 24;
    view.pixels = frame;
    view.stride = static_cast<std::size_t>(width) * kBytesPerPixel;  // frame rows are packed
    return Encode(view, quality, out, jpegPath, *errorText);
}

bool SaveJpegFromBmp(const std::string& bmpPath, const std::string& jpegPath, bool convert,
                     std::string* errorText) {
    std::string ownText;
    std::string& text = errorText != nullptr ? *errorText : ownText;
    const std::vector<std::uint8_t> dib = ReadBmpAsDib(bmpPath, &text);
    if (dib.empty())
        return false;
    text.clear();
    if (!convert)
        return true;
    return WriteJpeg(dib.data(), dib.size(), kSnapshotJpegQuality, jpegPath, &text);
}

}  // namespace tavelin
