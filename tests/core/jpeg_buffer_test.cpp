// A picture compressed in memory reads back at its size, upright, and only a picture that
// is whole is compressed.

#include "core/JpegBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace tavelin {
namespace {

// Decoded RGB rows, top first.
std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& jpeg, int& width, int& height) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    width = static_cast<int>(cinfo.output_width);
    height = static_cast<int>(cinfo.output_height);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &rgb[static_cast<std::size_t>(cinfo.output_scanline) * width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

TEST(JpegBufferTest, PictureComesBackUprightAtItsSize) {
    // Bottom-up BGR: the first stored rows are the bottom of the picture, blue; the top is red.
    FramePicture picture;
    picture.width = 40;
    picture.height = 30;
    for (int row = 0; row < picture.height; ++row) {
        for (int x = 0; x < picture.width; ++x) {
            const bool top = row >= picture.height / 2;
            picture.bgr.insert(picture.bgr.end(),
                               {std::uint8_t(top ? 0 : 255), 0, std::uint8_t(top ? 255 : 0)});
        }
    }
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(picture, 90, jpeg));
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);

    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = Decode(jpeg, width, height);
    ASSERT_EQ(width, 40);
    ASSERT_EQ(height, 30);
    const std::uint8_t* topLeft = &rgb[0];
    const std::uint8_t* bottomLeft = &rgb[static_cast<std::size_t>(29) * 40 * 3];
    EXPECT_GT(topLeft[0], 200);  // red
    EXPECT_LT(topLeft[2], 60);
    EXPECT_GT(bottomLeft[2], 200);  // blue
    EXPECT_LT(bottomLeft[0], 60);

    FramePicture shortPicture = picture;
    shortPicture.bgr.pop_back();
    for (const auto& [bad, quality] : {std::pair{FramePicture{}, 90}, std::pair{shortPicture, 90},
                                       std::pair{picture, 0}, std::pair{picture, 101}}) {
        EXPECT_FALSE(EncodeJpeg(bad, quality, jpeg));
        EXPECT_TRUE(jpeg.empty());
    }
}

}  // namespace
}  // namespace tavelin
