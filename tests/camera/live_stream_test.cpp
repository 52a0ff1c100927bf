// The frame header chosen for a picture size and the stream assembled around a body.

#include <gtest/gtest.h>

#include <cstring>

#include "camera/live_stream.h"

namespace {

// The frame's height and width, big-endian, at this offset of every header.
constexpr std::size_t kFrameHeight = 561;

struct ChoiceRow {
    std::int32_t width, height;     // the picture's size
    int frame_width, frame_height;  // the frame size the chosen header declares
};

TEST(FrameHeader, ChosenByWidthThenHeightAndAssembledAroundTheBody) {
    const ChoiceRow rows[] = {
        {1024, 720, 1024, 768}, {1280, 720, 1280, 720},   {1280, 960, 1280, 960},
        {640, 960, 1280, 960},  {1280, 1000, 1280, 1024},
    };
    for (const ChoiceRow& row : rows) {
        const std::uint8_t* h = jpeg_header_for(row.width, row.height) + kFrameHeight;
        EXPECT_EQ(h[0] << 8 | h[1], row.frame_height) << row.width << " x " << row.height;
        EXPECT_EQ(h[2] << 8 | h[3], row.frame_width) << row.width << " x " << row.height;
    }
    const std::uint8_t body[1] = {0x5A};
    std::size_t length = 0;
    std::uint8_t* stream = assemble_jpeg_stream(body, 1, 1280, 960, &length);
    ASSERT_EQ(length, 578u);
    EXPECT_EQ(std::memcmp(stream, gJpegHeader_1280x960.data(), kJpegHeaderSize), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(stream + 575, stream + 578),
              (std::vector<std::uint8_t>{0x5A, 0xFF, 0xD9}));
    delete[] stream;
}

}  // namespace
