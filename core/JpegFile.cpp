#include "core/JpegFile.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "core/BmpFile.h"
#include "core/Dib.h"
#include "core/FrameFormat.h"
#include "core/ReplacingFile.h"
#include "core/WriteBehind.h"

namespace tavelin {
namespace {

// No camera picture comes near this many pixels; anything larger is refused as invalid.
constexpr std::uint64_t kMaxJpegPixels = 1ull << 26;

// Rows handed to the library per call: one row of 16 x 16 blocks at its default 4:2:0
// sampling, so each call is compressed right away.
constexpr int kRowBatch = 16;

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

// The library's stdio destination hands the file 4 KB at a time, one write system call each:
// about a tenth of the time of a large picture. This one hands it 512 KB pieces, stored by
// CWriteBehind while the library compresses the next one, so the caller waits for little
// more than the compression. Pictures whose JPEG fits in one piece are written at the end,
// on the caller's thread.
constexpr std::size_t kOutputChunk = std::size_t{1} << 19;

struct FileDestination {
    jpeg_destination_mgr pub;
    CWriteBehind* writer;
};

FileDestination& DestinationOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<FileDestination*>(cinfo->dest);
}

void StartOutput(j_compress_ptr cinfo) {
    FileDestination& dest = DestinationOf(cinfo);
    dest.pub.next_output_byte = dest.writer->piece();
    dest.pub.free_in_buffer = dest.writer->pieceBytes();
}

boolean WriteFullBuffer(j_compress_ptr cinfo) {
    FileDestination& dest = DestinationOf(cinfo);
    if (!dest.writer->Hand(dest.writer->pieceBytes()))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    dest.pub.next_output_byte = dest.writer->piece();
    dest.pub.free_in_buffer = dest.writer->pieceBytes();
    return TRUE;
}

void FinishOutput(j_compress_ptr cinfo) {
    FileDestination& dest = DestinationOf(cinfo);
    if (!dest.writer->Finish(dest.writer->pieceBytes() - dest.pub.free_in_buffer))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

// The stored rows of `view` for picture rows first ... first + count - 1 (top row 0), as a
// view of their own.
DibView Strip(const DibView& view, int first, int count) {
    DibView strip = view;
    const int lowest = view.topDown ? first : view.height - first - count;
    strip.pixels = view.pixels + static_cast<std::size_t>(lowest) * view.stride;
    strip.height = count;
    return strip;
}

// Compresses every row of `view` into `out`. 24- and 32-bit rows go to the library where they
// are, as blue-green-red(-unused) input; the library converts them to YCbCr exactly as it
// does RGB rows. Other depths are converted to RGB one batch of rows at a time. A library error
// arrives here by longjmp, which skips destructors, so this function holds only trivially
// destructible objects and every library allocation lives in the compression object's pools,
// freed by jpeg_destroy_compress; the writer belongs to the caller.
bool Compress(const DibView& view, int quality, CWriteBehind& out, char* message) {
    jpeg_compress_struct cinfo{};  // mem == nullptr, so destroying it early is safe
    JpegErrorManager err{};
    FileDestination dest{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ReturnToCaller;
    err.pub.output_message = IgnoreMessage;
    if (setjmp(err.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        std::memcpy(message, err.message, JMSG_LENGTH_MAX);
        return false;
    }
    jpeg_create_compress(&cinfo);
    dest.pub.init_destination = StartOutput;
    dest.pub.empty_output_buffer = WriteFullBuffer;
    dest.pub.term_destination = FinishOutput;
    dest.writer = &out;
    cinfo.dest = &dest.pub;
    const bool direct = view.bitCount == 24 || view.bitCount == 32;
    cinfo.image_width = static_cast<JDIMENSION>(view.width);
    cinfo.image_height = static_cast<JDIMENSION>(view.height);
    cinfo.input_components = view.bitCount == 32 ? 4 : 3;
    cinfo.in_color_space = view.bitCount == 24   ? JCS_EXT_BGR
                           : view.bitCount == 32 ? JCS_EXT_BGRX
                                                 : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    JSAMPARRAY converted =
        direct ? nullptr
               : (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                            cinfo.image_width * 3, kRowBatch);
    JSAMPROW batch[kRowBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        const int first = static_cast<int>(cinfo.next_scanline);
        const int count = std::min(kRowBatch, view.height - first);
        const DibView strip = Strip(view, first, count);
        if (direct) {
            for (int i = 0; i < count; ++i) {
                const std::size_t stored = strip.topDown ? i : count - 1 - i;
                // The library only reads input rows; its row type is not const.
                batch[i] = const_cast<JSAMPROW>(strip.pixels + stored * strip.stride);
            }
        } else {
            DibViewToRgbRows(strip, converted);
            std::copy(converted, converted + count, batch);
        }
        if (jpeg_write_scanlines(&cinfo, batch, static_cast<JDIMENSION>(count)) == 0)
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
    // Nothing is buffered in the fresh stream, so the pieces go straight to its descriptor.
    CWriteBehind writer(::fileno(out.file()), kOutputChunk);
    if (!Compress(view, quality, writer, message)) {
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
