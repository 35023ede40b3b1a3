// The simulated station's description: which controllers, hubs and disks the
// station computer has and where each drive under test sits. One text file
// (./Sim/station.txt of a station folder) feeds both the device-root writer
// (what the program's device adapter sees) and the stand-in device library
// (how each drive behaves on the line).
//
// Syntax: one object per line, "<kind> <name> key=value ...", '#' starts a
// comment, values with blanks are written in double quotes. Keys that take a
// list (fault) may repeat. Kinds and keys:
//
//   usb-controller <name> pci=0000:00:14.0 [vendor=8086 device=a36d]
//                  ports=<USB 2 root ports> [ss-ports=<SuperSpeed root ports>]
//       an xHCI controller: a USB 2 root hub and, with ss-ports, a
//       SuperSpeed root hub; bus numbers are given in line order.
//   sata-controller <name> pci=0000:00:17.0 [vendor= device=]
//   nvme-controller <name> pci=0000:01:00.0 [vendor= device=]
//   hub <name> at=<parent>:<port> vid=05e3 pid=0610 ports=<n>
//       [usb3 ss-pid=0626] [serial=<text>]
//       <parent> is a usb-controller (its root hub) or another hub. A usb3
//       hub is two hubs, a USB 2 half and a SuperSpeed half (ss-pid) under
//       the two halves of its parent; its parent must then be usb3 too (or a
//       controller with ss-ports).
//   drive <name> at=<parent>:<port> [usb3] [unplugged] [key=value ...]
//       a drive under test behind a USB bridge; see SimDisk for its keys.
//   card-reader <name> at=<parent>:<port> [media=<GB>]
//       a USB card reader: a removable-medium disk.
//   disk <name> at=<sata-or-nvme-controller>:<port> [mount=<dir>] [swap]
//       [model=] [serial=] [capacity-gb=]
//       a disk of the station computer itself (a system disk when mounted).
//
// Names are letters, digits, '_' and '-'; a drive's name is how the tools
// address it ("varnet-sim plug <folder> <name>").
//
// The gate fault (fault=gate:<entry>) holds a call open for as long as a test
// needs, across processes and without a clock. A call of <entry> on that
// drive, in whichever process the library runs (the program or a host),
// opens the FIFO Sim/gate-<drive>-<entry> of the station folder (making it
// when missing), then creates Sim/gate-<drive>-<entry>.reached and blocks
// until it reads one byte from the FIFO. Once through, it removes the
// .reached file and goes on as an ordinary call (time-ms, work, report).
// A test therefore:
//   1. waits for Sim/gate-1-DoEraseAll.reached to exist (the call is held);
//   2. does what it needs while the call hangs (signals, kills, checks);
//   3. lets it through by opening Sim/gate-1-DoEraseAll for writing and
//      writing one byte (one byte lets one call through; a second call
//      of the same entry on the same drive waits at the gate again).
// A call killed at the gate leaves the FIFO and the .reached file behind.
#pragma once

#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnet::sim {

enum class ControllerKind { Usb, Sata, Nvme };

struct SimController {
    std::string name;
    ControllerKind kind = ControllerKind::Usb;
    std::string pciSlot; // "0000:00:14.0"
    uint16_t vendor = 0x8086;
    uint16_t device = 0;
    int usb2Ports = 0;
    int superSpeedPorts = 0;
    int line = 0;
};

struct SimHub {
    std::string name;
    std::string parent;
    int port = 0;
    uint16_t vid = 0;
    uint16_t pid = 0;
    uint16_t superSpeedPid = 0; // the SuperSpeed half's product; usb3 hubs only
    int ports = 4;
    bool usb3 = false;
    std::string serial;
    int line = 0;
};

// An entry point of the device library told to misbehave for one drive.
enum class FaultKind {
    Fail,     // returns failure with code and message
    NoReport, // succeeds but writes no report or list file
    Delay,    // takes ms milliseconds
    Lose,     // the drive disappears in the middle of the call; later calls fail
    Crash,    // the library dies of SIGSEGV in the middle of the call
    Hang,     // the call never returns
    Exit,     // the library ends the process with exit code `code` (default 1)
    Gate,     // the call waits at a gate until a test lets it through (see below)
};

struct SimFault {
    FaultKind kind = FaultKind::Fail;
    std::string entry; // entry point name, e.g. "DoEraseAll"
    std::string code;  // Fail: the error code text
    std::string message;
    int ms = 0; // Delay
};

enum class DiskKind { UsbDrive, CardReader, SataDisk, NvmeDisk };

struct SimDisk {
    std::string name;
    DiskKind kind = DiskKind::UsbDrive;
    std::string parent;
    int port = 0;
    bool usb3 = false;
    bool unplugged = false; // not attached when the device root is first written

    // What the station computer sees.
    uint16_t vid = 0x1e4e;                // vid=  the USB bridge
    uint16_t pid = 0x7101;                // pid=
    std::string usbSerial;                // usb-serial=  empty: the bridge has none
    std::string scsiVendor = "VARNET";    // vendor=
    std::string scsiModel = "SSD Bridge"; // model=
    uint64_t sectors = 0;                 // capacity-gb= / sectors=  512-byte sectors
    uint32_t logicalBlockSize = 512;      // block-size=
    bool removable = false;               // removable
    std::string mount;                    // mount=  partition 1 mounted here
    bool swap = false;                    // swap  partition 2 is active swap

    // How the drive behaves on the line (drives only).
    std::string modelName = "VARNET SSD"; // model-name=  ATA model number
    std::string serialNumber;             // sn=  ATA serial number (default: from the name)
    std::string firmware = "VT01A001";    // fw=  firmware revision
    std::string flash;                    // flash=  a part label or name from the flash database
    std::string flashId;                  // flash-id= "2C 44 44 4B A9 00": overrides flash=
    int ce = 0;                           // ce=  chip enables; 0 = from the flash record
    int diePerCe = 0;                     // die=
    int planes = 0;                       // plane=
    int earlyBad = 0;                     // early-bad=  factory bad blocks
    int laterBad = 0;                     // later-bad=  blocks that fail in burn-in
    int laterBadCe = -1;                  // later-bad-ce=  CE they gather on; -1 spreads them
    int temperature = 45;                 // temp=  burn-in temperature, degrees C
    int callMs = 0;                       // time-ms=  how long each call takes
    std::vector<SimFault> faults;         // fault=<kind>:<entry>[:<code or ms>[:<message>]]
                                          //   kind: fail, no-report, delay, lose,
                                          //   crash, hang, exit[:<code>], gate
    int line = 0;
};

struct StationDescription {
    std::vector<SimController> controllers;
    std::vector<SimHub> hubs;
    std::vector<SimDisk> disks;

    const SimController* FindController(std::string_view name) const;
    const SimHub* FindHub(std::string_view name) const;
    const SimDisk* FindDisk(std::string_view name) const;
};

// Parses and checks a description: names unique, every parent known, every
// port within its parent's ports and used once, usb3 objects on usb3
// parents. An error names the line and what is wrong ("line 7: unknown key
// 'prots'"); out is left unchanged then.
Status ParseStationDescription(std::string_view text, StationDescription& out);
Status LoadStationDescription(const std::filesystem::path& file, StationDescription& out);

// Sector count of a drive of the given decimal capacity, as drive makers
// round it (the usual LBA count formula for 512-byte sectors).
uint64_t SectorsForGigabytes(uint64_t gigabytes);

} // namespace varnet::sim
