// The fixed frame headers, the stream assembled around a body, and the test picture's
// tables matching the headers'.

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

int frame_width(const std::uint8_t* h) {
    return h[kFrameHeight + 2] << 8 | h[kFrameHeight + 3];
}
int frame_height(const std::uint8_t* h) {
    return h[kFrameHeight] << 8 | h[kFrameHeight + 1];
}

struct ChoiceRow {
    std::int32_t width, height;
    const std::array<std::uint8_t, kJpegHeaderSize>* header;
};

TEST(FrameHeader, ChosenByWidthThenHeight) {
    const ChoiceRow rows[] = {
        {1024, 768, &gJpegHeader_1024x768},   {1024, 720, &gJpegHeader_1024x768},
        {1024, 1024, &gJpegHeader_1024x768},  {1280, 720, &gJpegHeader_1280x720},
        {1280, 960, &gJpegHeader_1280x960},   {1280, 1024, &gJpegHeader_1280x1024},
        {1280, 1000, &gJpegHeader_1280x1024}, {640, 480, &gJpegHeader_1280x1024},
    };
    for (const ChoiceRow& row : rows)
        EXPECT_EQ(jpeg_header_for(row.width, row.height), row.header->data())
            << row.width << " x " << row.height;
}

TEST(FrameHeader, FourHeadersDifferOnlyInTheirFrameSize) {
    const std::array<std::uint8_t, kJpegHeaderSize>* headers[] = {
        &gJpegHeader_1024x768, &gJpegHeader_1280x720, &gJpegHeader_1280x960,
        &gJpegHeader_1280x1024};
    const int sizes[4][2] = {{1024, 768}, {1280, 720}, {1280, 960}, {1280, 1024}};
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* h = headers[i]->data();
        EXPECT_EQ(frame_width(h), sizes[i][0]);
        EXPECT_EQ(frame_height(h), sizes[i][1]);
        EXPECT_EQ(std::memcmp(h, gJpegHeader_1024x768.data(), kFrameHeight), 0) << i;
        EXPECT_EQ(std::memcmp(h + kFrameHeight + 4, gJpegHeader_1024x768.data() + kFrameHeight + 4,
                              kJpegHeaderSize - kFrameHeight - 4),
                  0)
            << i;
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

TEST(TestPicture, BodyStartsWithTheScanAndLacksTheEndMarker) {
    std::vector<std::uint8_t> body = simcam_picture_body(3);
    ASSERT_GT(body.size(), 4u);
    EXPECT_EQ(body[0], 0xFF);
    EXPECT_EQ(body[1], 0xDA);
    const std::vector<std::uint8_t>& jpeg = simcam_picture_jpeg(3);
    EXPECT_EQ(std::memcmp(body.data(), jpeg.data() + (jpeg.size() - 2 - body.size()), body.size()),
              0);
    EXPECT_NE(simcam_picture_body(3), simcam_picture_body(4));  // the picture moves
}

}  // namespace
