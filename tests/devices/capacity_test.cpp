#include "devices/disk_admission.h"
#include "fake_device_tree.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

TEST(ReadCapacityMB, ComputesInSixtyFourBitsAndAnswersZeroOnFailure) {
    test::FakeDeviceTree tree;
    tree.capacities[1] = {976'773'167u, 512};
    tree.capacities[2] = {3'907'029'167u, 512}; // last LBA above 2^31
    tree.capacities[3] = {0xFFFFFFFFu, 4096};   // the whole 32-bit range of 4K blocks
    EXPECT_EQ(ReadCapacityMB(tree, 1), 476'940u);
    EXPECT_EQ(ReadCapacityMB(tree, 2), 1'907'729u);
    EXPECT_EQ(ReadCapacityMB(tree, 3), 16'777'216u);
    EXPECT_EQ(ReadCapacityMB(tree, 4), 0u);
}

} // namespace
} // namespace varnet
