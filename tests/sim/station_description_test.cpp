#include "station_description.h"

#include <gtest/gtest.h>

namespace varnet::sim {
namespace {

constexpr std::string_view kStation = R"(# a small station
usb-controller xhci pci=0000:00:14.0 ports=12 ss-ports=6
sata-controller sata pci=0000:00:17.0
disk system at=sata:1 mount=/ swap model="Station SSD"
hub box at=xhci:1 vid=05e3 pid=0610 ports=4
hub box1 at=box:1 vid=05e3 pid=0610 ports=4
hub fast at=xhci:2 vid=2109 pid=2817 ss-pid=0817 ports=4 usb3
drive 1 at=box1:1 usb-serial=A1 flash=BICS3 later-bad=12 later-bad-ce=2 fault="fail:DoEraseAll:0x21:Erase timeout: block 7"
drive 2 at=fast:3 usb3 unplugged capacity-gb=512 fault=delay:GetAllFlashID:250 fault=lose:DoPretestInit
drive 3 at=fast:4 usb3 fault=crash:DoEraseAll fault=hang:Read_RDT_Log fault=exit:DoPretestInit:7 fault=exit:ResetSmart fault=gate:DoEraseAll
card-reader reader at=xhci:5 media=32
)";

TEST(StationDescription, ReadsEveryKindOfObject) {
    StationDescription s;
    const Status status = ParseStationDescription(kStation, s);
    ASSERT_TRUE(status.ok()) << status.message();
    ASSERT_EQ(s.controllers.size(), 2u);
    EXPECT_EQ(s.controllers[0].superSpeedPorts, 6);
    ASSERT_EQ(s.hubs.size(), 3u);
    EXPECT_EQ(s.hubs[2].superSpeedPid, 0x0817);
    EXPECT_TRUE(s.hubs[2].usb3);
    ASSERT_EQ(s.disks.size(), 5u);

    const SimDisk& system = *s.FindDisk("system");
    EXPECT_EQ(system.kind, DiskKind::SataDisk);
    EXPECT_EQ(system.mount, "/");
    EXPECT_TRUE(system.swap);
    EXPECT_EQ(system.scsiModel, "Station SSD");

    const SimDisk& one = *s.FindDisk("1");
    EXPECT_EQ(one.serialNumber, "SIM1");
    EXPECT_EQ(one.sectors, SectorsForGigabytes(256));
    EXPECT_EQ(one.laterBadCe, 2);
    ASSERT_EQ(one.faults.size(), 1u);
    EXPECT_EQ(one.faults[0].code, "0x21");
    EXPECT_EQ(one.faults[0].message, "Erase timeout: block 7"); // colons in a message stay

    const SimDisk& two = *s.FindDisk("2");
    EXPECT_TRUE(two.unplugged);
    EXPECT_TRUE(two.usb3);
    ASSERT_EQ(two.faults.size(), 2u);
    EXPECT_EQ(two.faults[0].kind, FaultKind::Delay);
    EXPECT_EQ(two.faults[0].ms, 250);
    EXPECT_EQ(two.faults[1].kind, FaultKind::Lose);

    // The faults that take the library's process with them.
    const SimDisk& three = *s.FindDisk("3");
    ASSERT_EQ(three.faults.size(), 5u);
    EXPECT_EQ(three.faults[0].kind, FaultKind::Crash);
    EXPECT_EQ(three.faults[1].kind, FaultKind::Hang);
    EXPECT_EQ(three.faults[1].entry, "Read_RDT_Log");
    EXPECT_EQ(three.faults[2].kind, FaultKind::Exit);
    EXPECT_EQ(three.faults[2].code, "7");
    EXPECT_EQ(three.faults[3].code, "1");
    EXPECT_EQ(three.faults[4].kind, FaultKind::Gate);
    EXPECT_EQ(three.faults[4].entry, "DoEraseAll");

    const SimDisk& reader = *s.FindDisk("reader");
    EXPECT_EQ(reader.kind, DiskKind::CardReader);
    EXPECT_TRUE(reader.removable);
}

TEST(StationDescription, CapacityFollowsTheDriveMakersFormula) {
    EXPECT_EQ(SectorsForGigabytes(500), 976'773'168u);
    EXPECT_EQ(SectorsForGigabytes(2000), 3'907'029'168u);
}

TEST(StationDescription, ErrorsNameTheLineAndTheFault) {
    const std::string head = "usb-controller xhci pci=0000:00:14.0 ports=4\n";
    struct Case {
        std::string line;
        std::string error;
    };
    const Case cases[] = {
        {"hub h at=xhci:1 vid=05e3 pid=0610 prots=4", "line 2: unknown key 'prots'"},
        {"hub h at=xhci:9 vid=05e3 pid=0610", "line 2: 'xhci' has only 4 ports"},
        {"hub h at=nowhere:1 vid=05e3 pid=0610", "line 2: no controller or hub is named 'nowhere'"},
        {"hub h at=xhci:1 vid=05e3", "line 2: vid= and pid= are needed"},
        {"hub h at=xhci:1 vid=5e3g pid=0610", "line 2: vid: '5e3g' is not a 4-digit hexadecimal number"},
        {"drive 1 at=xhci:1\ndrive 1 at=xhci:2", "line 3: the name '1' is used twice"},
        {"drive 1 at=xhci:1\ndrive 2 at=xhci:1", "line 3: port 1 of 'xhci' is taken twice"},
        {"drive 1 at=xhci:1 usb3", "line 2: 'xhci' has no SuperSpeed root ports"},
        {"drive 1 at=xhci:1 fault=explode:DoEraseAll",
         "line 2: fault: 'explode' is not fail, no-report, delay, lose, crash, hang, exit or gate"},
        {"drive 1 at=xhci:1 fault=gate:DoEraseAll:5", "line 2: fault: gate takes only an entry point"},
        {"drive 1 at=xhci:1 fault=exit:DoEraseAll:256",
         "line 2: fault: an exit is exit:<entry>[:<code 0-255>]"},
        {"drive 1 at=xhci:1 fault=crash:DoEraseAll:now", "line 2: fault: crash takes only an entry point"},
        {"drive 1 at=xhci:1 fault=delay:DoEraseAll", "line 2: fault: a delay is delay:<entry>:<ms>"},
        {"drive 1 at=xhci:1 model-name=\"open", "line 2: unterminated quote after 'model-name='"},
        {"drive 1 at=xhci:1 die=9", "line 2: die: '9' is not a number from 1 to 8"},
        {"drive 1 at=xhci:1 sn=A sn=B", "line 2: 'sn' given twice"},
        {"disk d at=xhci:2", "line 2: 'xhci' is a USB controller; a station disk goes on sata or nvme"},
        {"hub a at=b:1 vid=1 pid=1\nhub b at=a:1 vid=1 pid=1", "line 2: hub 'a' hangs below itself"},
        {"gadget g at=xhci:1",
         "line 2: unknown kind 'gadget' (usb-controller, sata-controller, nvme-controller, "
         "hub, drive, card-reader, disk)"},
    };
    for (const Case& c : cases) {
        StationDescription s;
        s.hubs.push_back(SimHub{}); // must survive a failed parse
        const Status status = ParseStationDescription(head + c.line + "\n", s);
        EXPECT_EQ(status.message(), c.error) << c.line;
        EXPECT_EQ(s.hubs.size(), 1u);
    }
}

} // namespace
} // namespace varnet::sim
