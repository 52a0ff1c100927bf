// The frame header chosen for a picture size, the stream assembled around a body, and the
// test picture's tables matching the header's.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "camera/live_stream.h"
#include "simcam/simcam.h"

namespace {

// Offsets in a header: the table payloads and the frame size.
constexpr std::size_t kQuantPayload = 6, kQuantPayloadSize = 130;
constexpr std::size_t kHuffPayload = 140, kHuffPayloadSize = 416;
constexpr std::size_t kFrameHeight = 561;

struct ChoiceRow {
    std::int32_t width, height;     // the picture's size
    int frame_width, frame_height;  // the frame size the chosen header declares
};

TEST(FrameHeader, ChosenByWidthThenHeight) {
    const ChoiceRow rows[] = {
        {1024, 768, 1024, 768},   {1024, 720, 1024, 768}, {1024, 1024, 1024, 768},
        {1280, 720, 1280, 720},   {1280, 960, 1280, 960}, {1280, 1024, 1280, 1024},
        {1280, 1000, 1280, 1024}, {640, 480, 1280, 1024},
    };
    for (const ChoiceRow& row : rows) {
        const std::uint8_t* h = jpeg_header_for(row.width, row.height) + kFrameHeight;
        EXPECT_EQ(h[0] << 8 | h[1], row.frame_height) << row.width << " x " << row.height;
        EXPECT_EQ(h[2] << 8 | h[3], row.frame_width) << row.width << " x " << row.height;
    }
}

TEST(FrameHeader, OneByteBodyGivesA578ByteStream) {
    const std::uint8_t body[1] = {0x5A};
    std::size_t length = 0;
    std::uint8_t* stream = assemble_jpeg_stream(body, 1, 1280, 960, &length);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(length, 578u);
    EXPECT_EQ(std::memcmp(stream, gJpegHeader_1280x960.data(), kJpegHeaderSize), 0);
    EXPECT_EQ(stream[575], 0x5A);
    EXPECT_EQ(stream[576], 0xFF);
    EXPECT_EQ(stream[577], 0xD9);
    delete[] stream;
}

// The payloads of every segment with this marker in a complete JPEG stream, joined.
std::vector<std::uint8_t> payloads(const std::vector<std::uint8_t>& jpeg, std::uint8_t marker) {
    std::vector<std::uint8_t> out;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (jpeg[at + 1] == marker)
            out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(at + 4),
                       jpeg.begin() + std::ptrdiff_t(at + 2 + length));
        at += 2 + length;
    }
    return out;
}

TEST(TestPicture, EncodedWithExactlyTheHeadersTables) {
    const std::vector<std::uint8_t>& jpeg = simcam_picture_jpeg(0);
    ASSERT_GT(jpeg.size(), 1000u);
    const std::uint8_t* h = gJpegHeader_1024x768.data();
    EXPECT_EQ(payloads(jpeg, 0xDB),
              std::vector<std::uint8_t>(h + kQuantPayload, h + kQuantPayload + kQuantPayloadSize));
    EXPECT_EQ(payloads(jpeg, 0xC4),
              std::vector<std::uint8_t>(h + kHuffPayload, h + kHuffPayload + kHuffPayloadSize));
    EXPECT_EQ(payloads(jpeg, 0xC0), std::vector<std::uint8_t>(h + 560, h + kJpegHeaderSize));
}

}  // namespace
