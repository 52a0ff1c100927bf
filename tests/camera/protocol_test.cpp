// Command blocks and transaction numbers.

#include <iterator>

#include "camera/capture.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "simcam/simcam.h"
#include "support/camera_fixture.h"

namespace {

// Read before any test runs: the counter as start-up leaves it.
const std::uint32_t kTransIdAtStart = g_total_trans_id;

std::uint8_t lo(std::uint32_t v) {
    return std::uint8_t(v & 0xFF);
}

struct LensRow {
    void (*op)();
    std::uint16_t code;
    std::uint32_t parameter;
};

// Every field little-endian; transaction numbers rise by one per block, past 16 bits, and
// the block carries their low 16 bits.
TEST_F(CameraTest, EachOperationSendsOneLittleEndianBlockWithTheNextTransactionNumber) {
    EXPECT_EQ(kTransIdAtStart, 1u);
    // The zoom and iris codes are checked through the control window's buttons.
    const LensRow rows[] = {
        {do_af_focus, 0xE1, 0},
        {do_near_focus, 0xEA, 1},
        {do_far_focus, 0xEA, 2},
        {do_stop_focus, 0xEA, 0},
        {[] { do_grab_image(); }, 0x808E, 0},
    };
    connect();
    const std::uint32_t first = 0xFFFD;
    g_total_trans_id = first;
    for (std::uint32_t i = 0; i < std::size(rows); ++i) {
        const LensRow& row = rows[i];
        simcam_clear_record();
        row.op();
        ASSERT_EQ(simcam_commands().size(), 1u) << row.code;
        const std::uint32_t id = first + i;
        const std::array<std::uint8_t, 32> block = {
            0, 0, lo(id),           lo(id >> 8), 24, 0, 0, 0, lo(row.code), lo(row.code >> 8),
            0, 0, lo(row.parameter)};
        EXPECT_EQ(simcam_commands()[0], block) << row.code;
        EXPECT_EQ(g_now_camera_busy, 0);
    }
    EXPECT_EQ(g_total_trans_id, first + std::size(rows));
}

}  // namespace
