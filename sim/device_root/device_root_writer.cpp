#include "device_root_writer.h"

#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/text_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <deque>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace varnet::sim {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAttachedFile = "attached.ini";
constexpr const char* kDisksSection = "Disks";
// The kernel the simulated station claims to run: it shows in the root hubs'
// strings and bcdDevice as it would on a real machine.
constexpr const char* kKernelRelease = "6.1.0-18-amd64";
constexpr uint16_t kKernelBcd = 0x0601;
constexpr int kUsbDeviceMajor = 189;
constexpr int kBlockExtMajor = 259; // NVMe namespaces and their partitions
constexpr int kNvmeCharMajor = 241;
constexpr int kLastUsbDevnum = 127;

// Folders of links that point into sys/devices; an unplug clears the ones
// left dangling, as the kernel removes them with the device.
constexpr const char* kLinkFolders[] = {
    "sys/block",           "sys/class/block",     "sys/class/scsi_host",  "sys/class/nvme",
    "sys/bus/pci/devices", "sys/bus/usb/devices", "sys/bus/scsi/devices", "sys/dev/block",
    "sys/dev/char",
};

// ---------------------------------------------------------------- numbers

std::optional<int> ScsiDiskIndex(std::string_view name) {
    if (name.size() < 3 || name.size() > 6 || !name.starts_with("sd"))
        return std::nullopt;
    int n = 0;
    for (const char c : name.substr(2)) {
        if (c < 'a' || c > 'z')
            return std::nullopt;
        n = n * 26 + (c - 'a' + 1);
    }
    return n - 1;
}

struct DevNumber {
    int major = 0;
    int minor = 0;
    std::string Text() const { return Format("%d:%d", major, minor); }
};

// sd's static majors: sixteen disks of sixteen minors each per major. Past
// 256 disks the kernel moves to extended minors; no station comes near that.
std::optional<DevNumber> ScsiDiskDev(int index) {
    if (index < 0 || index > 255)
        return std::nullopt;
    const int group = index / 16;
    const int major = group == 0 ? 8 : group < 8 ? 64 + group : 128 + group - 8;
    return DevNumber{major, (index % 16) * 16};
}

int LowestFree(const std::set<int>& used, int from) {
    int n = from;
    while (used.count(n))
        ++n;
    return n;
}

template <typename T> std::optional<T> ReadDecimal(const fs::path& file) {
    const std::optional<std::string> text = ReadWholeFile(file);
    if (!text)
        return std::nullopt;
    T value = 0;
    const char* begin = text->data();
    const auto [end, error] = std::from_chars(begin, begin + text->size(), value);
    if (error != std::errc() || end == begin)
        return std::nullopt;
    return value;
}
std::optional<int> ReadNumber(const fs::path& file) {
    return ReadDecimal<int>(file);
}
std::optional<uint64_t> ReadNumber64(const fs::path& file) {
    return ReadDecimal<uint64_t>(file);
}

std::string Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

// udev's treatment of identity strings in link names: blanks at the ends
// dropped, each run of inner blanks one '_', and every character outside
// letters, digits and "#+-.:=@_" (a '/' above all) replaced by '_'.
std::string UdevSafe(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::string out;
    for (size_t i = 0; i < trimmed.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(trimmed[i]);
        if (std::isspace(c)) {
            while (i + 1 < trimmed.size() && std::isspace(static_cast<unsigned char>(trimmed[i + 1])))
                ++i;
            out += '_';
        } else if (std::isalnum(c) || c >= 0x80 ||
                   std::string_view("#+-.:=@_").find(char(c)) != std::string_view::npos) {
            out += char(c);
        } else {
            out += '_';
        }
    }
    return out;
}

std::string Padded(std::string_view text, int width) {
    return Format("%-*.*s", width, width, std::string(text).c_str());
}

// libata answers INQUIRY with "ATA" as the vendor of every SATA disk.
std::string ScsiVendor(const SimDisk& d) {
    return d.kind == DiskKind::SataDisk ? "ATA" : d.scsiVendor;
}
std::string ScsiRevision(const SimDisk& d) {
    // libata shows the second half of an eight-character firmware revision.
    if (d.kind == DiskKind::SataDisk)
        return d.firmware.size() >= 8 ? d.firmware.substr(4, 4) : d.firmware;
    return "1.00";
}

std::string RandomHex() {
    static std::random_device device;
    const uint64_t value = (uint64_t(device()) << 32) | device();
    return Format("%016llx", static_cast<unsigned long long>(value));
}

// ---------------------------------------------------------------- the file tree

// Writes below the root, keeping the first failure so that a long run of
// writes is checked once.
class Tree {
public:
    explicit Tree(fs::path root) : root_(std::move(root)) {}

    void Dir(const fs::path& rel) {
        std::error_code ec;
        fs::create_directories(root_ / rel, ec);
        if (ec)
            Fail(rel, ec.message());
    }
    // A sysfs attribute: the value and a line end.
    void Attr(const fs::path& dir, std::string_view name, std::string_view value) {
        Text(dir / name, std::string(value) + "\n");
    }
    void Text(const fs::path& rel, std::string_view content) {
        std::ofstream out(root_ / rel, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out)
            Fail(rel, "cannot write the file");
    }
    // A link with a relative target, as the kernel makes them.
    void Link(const fs::path& rel, const fs::path& targetRel) {
        std::error_code ec;
        fs::create_symlink(targetRel.lexically_relative(rel.parent_path()), root_ / rel, ec);
        if (ec)
            Fail(rel, ec.message());
    }
    Status Result() const { return error_.empty() ? Status::Ok() : Status::Error(error_); }

private:
    void Fail(const fs::path& rel, const std::string& why) {
        if (error_.empty())
            error_ = Format("cannot write %s: %s", (root_ / rel).c_str(), why.c_str());
    }

    fs::path root_;
    std::string error_;
};

// ---------------------------------------------------------------- where things sit

// A USB device's place: its bus, its ports from the root hub and its folder
// (relative to the root).
struct UsbPlace {
    int bus = 0;
    std::string chain; // "1.4"; empty for the root hub
    fs::path dir;

    std::string Name() const {
        return chain.empty() ? Format("usb%d", bus) : Format("%d-%s", bus, chain.c_str());
    }
    std::string Devpath() const { return chain.empty() ? "0" : chain; }
    std::string InterfaceName() const { return chain.empty() ? Format("%d-0:1.0", bus) : Name() + ":1.0"; }
    fs::path InterfaceDir() const { return dir / InterfaceName(); }
    fs::path PortDir(int port) const { return InterfaceDir() / Format("%s-port%d", Name().c_str(), port); }
    UsbPlace Child(int port) const {
        UsbPlace child;
        child.bus = bus;
        child.chain = chain.empty() ? std::to_string(port) : Format("%s.%d", chain.c_str(), port);
        child.dir = dir / Format("%d-%s", bus, child.chain.c_str());
        return child;
    }
};

struct PciBridge {
    std::string slot;
    fs::path dir;
};

struct ControllerPlace {
    fs::path pciDir;
    int usb2Bus = 0;
    int superSpeedBus = 0;
    int firstAtaPort = 0; // the kernel's ata print number of port 1
    int ataPorts = 0;
    int nvmeIndex = 0;
};

// The places the description's objects take, worked out once.
class Topology {
public:
    explicit Topology(const StationDescription& s) : s_(s) {
        std::set<std::string> slots;
        for (const SimController& c : s.controllers)
            slots.insert(c.pciSlot);
        int bus = 0;
        int ata = 0;
        int nvme = 0;
        for (const SimController& c : s.controllers) {
            ControllerPlace& p = places_[c.name];
            p.pciDir = PciDirFor(c.pciSlot, slots);
            if (c.kind == ControllerKind::Usb) {
                p.usb2Bus = ++bus;
                if (c.superSpeedPorts > 0)
                    p.superSpeedBus = ++bus;
            } else if (c.kind == ControllerKind::Sata) {
                // The kernel makes every port of the host adapter, used or not.
                p.ataPorts = 1;
                for (const SimDisk& d : s.disks)
                    if (d.parent == c.name)
                        p.ataPorts = std::max(p.ataPorts, d.port);
                p.firstAtaPort = ata + 1;
                ata += p.ataPorts;
            } else {
                p.nvmeIndex = nvme++;
            }
        }
    }

    const std::vector<PciBridge>& Bridges() const { return bridges_; }
    const ControllerPlace& Of(const SimController& c) const { return places_.at(c.name); }

    UsbPlace RootHub(const SimController& c, bool superSpeed) const {
        const ControllerPlace& p = Of(c);
        UsbPlace root;
        root.bus = superSpeed ? p.superSpeedBus : p.usb2Bus;
        root.dir = p.pciDir / Format("usb%d", root.bus);
        return root;
    }
    // The hub (half) a child on parent's ports hangs on.
    UsbPlace ParentPlace(const std::string& parent, bool superSpeed) const {
        if (const SimController* c = s_.FindController(parent))
            return RootHub(*c, superSpeed);
        const SimHub* h = s_.FindHub(parent);
        return ParentPlace(h->parent, superSpeed).Child(h->port);
    }
    UsbPlace DiskPlace(const SimDisk& d) const { return ParentPlace(d.parent, d.usb3).Child(d.port); }
    const SimController* RootController(std::string parent) const {
        for (int depth = 0; depth < 64; ++depth) {
            if (const SimController* c = s_.FindController(parent))
                return c;
            const SimHub* h = s_.FindHub(parent);
            if (!h)
                return nullptr;
            parent = h->parent;
        }
        return nullptr;
    }
    // Where a disk's block device is found: the USB device, the ATA port or
    // the NVMe controller it belongs to.
    fs::path DiskAnchor(const SimDisk& d) const {
        if (d.kind == DiskKind::UsbDrive || d.kind == DiskKind::CardReader)
            return DiskPlace(d).dir;
        const ControllerPlace& p = Of(*s_.FindController(d.parent));
        if (d.kind == DiskKind::SataDisk)
            return p.pciDir / Format("ata%d", p.firstAtaPort + d.port - 1);
        return p.pciDir / "nvme" / Format("nvme%d", p.nvmeIndex);
    }

private:
    // Functions on the root bus sit right below it; one on another bus sits
    // below the bridge (a root port) that leads to that bus.
    fs::path PciDirFor(const std::string& slot, const std::set<std::string>& taken) {
        const std::string domain = slot.substr(0, 4);
        const fs::path top = fs::path("sys/devices") / Format("pci%s:00", domain.c_str());
        const std::string bus = slot.substr(5, 2);
        if (bus == "00")
            return top / slot;
        const std::string key = domain + ":" + bus;
        auto found = bridgeOfBus_.find(key);
        if (found == bridgeOfBus_.end()) {
            std::string bridge;
            for (int device = 0x1c; device <= 0x1f && bridge.empty(); ++device) {
                for (int function = 0; function < 8 && bridge.empty(); ++function) {
                    const std::string candidate = Format("%s:00:%02x.%d", domain.c_str(), device, function);
                    const bool used = std::any_of(bridges_.begin(), bridges_.end(),
                                                  [&](const PciBridge& b) { return b.slot == candidate; });
                    if (!taken.count(candidate) && !used)
                        bridge = candidate;
                }
            }
            bridges_.push_back({bridge, top / bridge});
            found = bridgeOfBus_.emplace(key, bridges_.size() - 1).first;
        }
        return bridges_[found->second].dir / slot;
    }

    const StationDescription& s_;
    std::map<std::string, ControllerPlace> places_;
    std::vector<PciBridge> bridges_;
    std::map<std::string, size_t> bridgeOfBus_;
};

// ---------------------------------------------------------------- PCI

void WritePciFunction(Tree& t, const fs::path& dir, const std::string& slot, uint16_t vendor, uint16_t device,
                      uint32_t classCode, const char* driver) {
    t.Dir(dir);
    t.Attr(dir, "vendor", Format("0x%04x", vendor));
    t.Attr(dir, "device", Format("0x%04x", device));
    t.Attr(dir, "subsystem_vendor", Format("0x%04x", vendor));
    t.Attr(dir, "subsystem_device", "0x7270");
    t.Attr(dir, "class", Format("0x%06x", classCode));
    t.Attr(dir, "revision", "0x10");
    t.Text(dir / "uevent",
           Format("DRIVER=%s\nPCI_CLASS=%X\nPCI_ID=%04X:%04X\nPCI_SUBSYS_ID=%04X:7270\nPCI_SLOT_NAME=%s\n"
                  "MODALIAS=pci:v%08Xd%08Xsv%08Xsd00007270bc%02Xsc%02Xi%02X\n",
                  driver, classCode, vendor, device, vendor, slot.c_str(), vendor, device, vendor,
                  (classCode >> 16) & 0xFF, (classCode >> 8) & 0xFF, classCode & 0xFF));
    t.Link(dir / "subsystem", "sys/bus/pci");
    t.Link(fs::path("sys/bus/pci/devices") / slot, dir);
}

// ---------------------------------------------------------------- USB

struct UsbIdentity {
    uint16_t vid = 0;
    uint16_t pid = 0;
    uint16_t bcdDevice = 0x0100;
    uint16_t bcdUsb = 0x0200;
    int deviceClass = 0;
    int deviceProtocol = 0;
    int interfaceClass = 0;
    int interfaceSubClass = 0;
    int interfaceProtocol = 0;
    const char* interfaceDriver = "";
    int endpoints = 1;
    int maxchild = 0;
    int speed = 480;
    const char* maxPower = "100mA";
    std::string manufacturer;
    std::string product;
    std::string serial;
};

UsbIdentity RootHubIdentity(const SimController& c, bool superSpeed) {
    UsbIdentity u;
    u.vid = 0x1d6b;
    u.pid = superSpeed ? 0x0003 : 0x0002;
    u.bcdDevice = kKernelBcd;
    u.bcdUsb = superSpeed ? 0x0300 : 0x0200;
    u.deviceClass = 9;
    u.deviceProtocol = superSpeed ? 3 : 1;
    u.interfaceClass = 9;
    u.interfaceDriver = "hub";
    u.maxchild = superSpeed ? c.superSpeedPorts : c.usb2Ports;
    u.speed = superSpeed ? 5000 : 480;
    u.maxPower = "0mA";
    u.manufacturer = Format("Linux %s xhci-hcd", kKernelRelease);
    u.product = "xHCI Host Controller";
    u.serial = c.pciSlot;
    return u;
}

UsbIdentity HubIdentity(const SimHub& h, bool superSpeed) {
    UsbIdentity u;
    u.vid = h.vid;
    u.pid = superSpeed ? h.superSpeedPid : h.pid;
    u.bcdUsb = superSpeed ? 0x0320 : h.usb3 ? 0x0210 : 0x0200;
    u.deviceClass = 9;
    u.deviceProtocol = superSpeed ? 3 : 1;
    u.interfaceClass = 9;
    u.interfaceDriver = "hub";
    u.maxchild = h.ports;
    u.speed = superSpeed ? 5000 : 480;
    u.maxPower = superSpeed ? "0mA" : "100mA";
    if (h.vid == 0x05e3)
        u.manufacturer = "GenesysLogic";
    else if (h.vid == 0x2109)
        u.manufacturer = "VIA Labs, Inc.";
    u.product = superSpeed ? "USB3.0 Hub" : "USB2.0 Hub";
    u.serial = h.serial;
    return u;
}

UsbIdentity BridgeIdentity(const SimDisk& d) {
    UsbIdentity u;
    u.vid = d.vid;
    u.pid = d.pid;
    u.bcdUsb = d.usb3 ? 0x0320 : d.kind == DiskKind::CardReader ? 0x0200 : 0x0210;
    u.interfaceClass = 8;     // mass storage
    u.interfaceSubClass = 6;  // SCSI commands
    u.interfaceProtocol = 80; // bulk-only transport
    u.interfaceDriver = "usb-storage";
    u.endpoints = 2;
    u.speed = d.usb3 ? 5000 : 480;
    u.maxPower = d.usb3 ? "896mA" : "500mA";
    u.manufacturer = Trim(d.scsiVendor);
    u.product = Trim(d.scsiModel);
    u.serial = d.usbSerial;
    return u;
}

// A USB device with its one interface and, for a hub, its port folders;
// parent is null for a root hub.
void WriteUsbDevice(Tree& t, const UsbPlace& place, const UsbPlace* parent, int port, int devnum,
                    const UsbIdentity& u) {
    const fs::path& d = place.dir;
    const int subClass = 0;
    t.Dir(d);
    t.Attr(d, "idVendor", Format("%04x", u.vid));
    t.Attr(d, "idProduct", Format("%04x", u.pid));
    t.Attr(d, "bcdDevice", Format("%04x", u.bcdDevice));
    t.Attr(d, "bDeviceClass", Format("%02x", u.deviceClass));
    t.Attr(d, "bDeviceSubClass", Format("%02x", subClass));
    t.Attr(d, "bDeviceProtocol", Format("%02x", u.deviceProtocol));
    t.Attr(d, "bNumInterfaces", " 1");
    t.Attr(d, "bNumConfigurations", "1");
    t.Attr(d, "bConfigurationValue", "1");
    t.Attr(d, "bmAttributes", u.deviceClass == 9 ? "e0" : "80");
    t.Attr(d, "bMaxPower", u.maxPower);
    t.Attr(d, "bMaxPacketSize0", u.speed >= 5000 ? "9" : "64");
    t.Attr(d, "busnum", std::to_string(place.bus));
    t.Attr(d, "devnum", std::to_string(devnum));
    t.Attr(d, "devpath", place.Devpath());
    t.Attr(d, "maxchild", std::to_string(u.maxchild));
    t.Attr(d, "speed", std::to_string(u.speed));
    t.Attr(d, "version", Format("%2x.%02x", u.bcdUsb >> 8, u.bcdUsb & 0xFF));
    if (!u.manufacturer.empty())
        t.Attr(d, "manufacturer", u.manufacturer);
    if (!u.product.empty())
        t.Attr(d, "product", u.product);
    if (!u.serial.empty())
        t.Attr(d, "serial", u.serial);
    t.Attr(d, "removable", parent ? "removable" : "unknown");
    t.Attr(d, "authorized", "1");
    const std::string product = Format("%x/%x/%x", u.vid, u.pid, u.bcdDevice);
    const std::string type = Format("%d/%d/%d", u.deviceClass, subClass, u.deviceProtocol);
    const int minor = (place.bus - 1) * 128 + devnum - 1;
    t.Text(d / "uevent",
           Format("MAJOR=%d\nMINOR=%d\nDEVNAME=bus/usb/%03d/%03d\nDEVTYPE=usb_device\nDRIVER=usb\n"
                  "PRODUCT=%s\nTYPE=%s\nBUSNUM=%03d\nDEVNUM=%03d\n",
                  kUsbDeviceMajor, minor, place.bus, devnum, product.c_str(), type.c_str(), place.bus,
                  devnum));
    t.Link(d / "subsystem", "sys/bus/usb");
    if (parent) {
        t.Link(d / "port", parent->PortDir(port));
        t.Link(parent->PortDir(port) / "device", d);
    }
    t.Link(fs::path("sys/bus/usb/devices") / place.Name(), d);
    t.Link(fs::path("sys/dev/char") / Format("%d:%d", kUsbDeviceMajor, minor), d);

    const fs::path i = place.InterfaceDir();
    t.Dir(i);
    t.Attr(i, "bInterfaceClass", Format("%02x", u.interfaceClass));
    t.Attr(i, "bInterfaceSubClass", Format("%02x", u.interfaceSubClass));
    t.Attr(i, "bInterfaceProtocol", Format("%02x", u.interfaceProtocol));
    t.Attr(i, "bInterfaceNumber", "00");
    t.Attr(i, "bAlternateSetting", " 0");
    t.Attr(i, "bNumEndpoints", Format("%02x", u.endpoints));
    t.Attr(i, "authorized", "1");
    const std::string modalias = Format("usb:v%04Xp%04Xd%04Xdc%02Xdsc%02Xdp%02Xic%02Xisc%02Xip%02Xin00",
                                        u.vid, u.pid, u.bcdDevice, u.deviceClass, subClass, u.deviceProtocol,
                                        u.interfaceClass, u.interfaceSubClass, u.interfaceProtocol);
    t.Attr(i, "modalias", modalias);
    t.Text(i / "uevent", Format("DEVTYPE=usb_interface\nDRIVER=%s\nPRODUCT=%s\nTYPE=%s\nINTERFACE=%d/%d/%d\n"
                                "MODALIAS=%s\n",
                                u.interfaceDriver, product.c_str(), type.c_str(), u.interfaceClass,
                                u.interfaceSubClass, u.interfaceProtocol, modalias.c_str()));
    t.Link(i / "subsystem", "sys/bus/usb");
    t.Link(fs::path("sys/bus/usb/devices") / place.InterfaceName(), i);

    for (int p = 1; p <= u.maxchild; ++p) {
        const fs::path portDir = place.PortDir(p);
        t.Dir(portDir);
        t.Attr(portDir, "connect_type", parent ? "unknown" : "hotplug");
        t.Attr(portDir, "over_current_count", "0");
        t.Attr(portDir, "disable", "0");
        t.Attr(portDir, "quirks", "00000000");
        t.Text(portDir / "uevent", "DEVTYPE=usb_port\n");
    }
}

// The two halves of a USB 3 hub (and of an xHCI controller) pair their
// ports: USB 2 port n with SuperSpeed port n.
void WritePeers(Tree& t, const UsbPlace& usb2, const UsbPlace& superSpeed, int ports) {
    for (int p = 1; p <= ports; ++p) {
        t.Link(usb2.PortDir(p) / "peer", superSpeed.PortDir(p));
        t.Link(superSpeed.PortDir(p) / "peer", usb2.PortDir(p));
    }
}

// ---------------------------------------------------------------- SCSI and block

struct Partition {
    std::string name;
    int number = 0;
    uint64_t start = 0;
    uint64_t size = 0;
    DevNumber dev;
};

struct BlockPlan {
    std::string name;
    DevNumber dev;
    int diskseq = 0;
    std::vector<Partition> partitions;
};

// A station's file systems: partition 1 holds the mounted one, partition 2
// the swap (an eighth of the disk, at most 8 GiB), aligned to 1 MiB and
// clear of a GPT's backup copy at the end.
std::vector<Partition> PartitionLayout(const SimDisk& d) {
    constexpr uint64_t kAlign = 2048;
    if (d.mount.empty() && !d.swap)
        return {};
    if (d.sectors < 8 * kAlign)
        return {};
    const uint64_t usable = (d.sectors - kAlign - 34) / kAlign * kAlign;
    const uint64_t swap = d.swap ? std::min<uint64_t>(16 * 1024 * 1024, usable / 8 / kAlign * kAlign) : 0;
    std::vector<Partition> parts;
    parts.push_back({"", 1, kAlign, usable - swap, {}});
    if (d.swap)
        parts.push_back({"", 2, kAlign + usable - swap, swap, {}});
    return parts;
}

std::optional<BlockPlan> PlanScsiDisk(const SimDisk& d, int index, int diskseq) {
    const std::optional<DevNumber> dev = ScsiDiskDev(index);
    if (!dev)
        return std::nullopt;
    BlockPlan plan;
    plan.name = ScsiDiskName(index);
    plan.dev = *dev;
    plan.diskseq = diskseq;
    plan.partitions = PartitionLayout(d);
    for (Partition& p : plan.partitions) {
        p.name = plan.name + std::to_string(p.number);
        p.dev = {dev->major, dev->minor + p.number};
    }
    return plan;
}

BlockPlan PlanNvmeDisk(const SimDisk& d, int controller, int& nextMinor, int diskseq) {
    BlockPlan plan;
    plan.name = Format("nvme%dn%d", controller, d.port);
    plan.dev = {kBlockExtMajor, nextMinor++};
    plan.diskseq = diskseq;
    plan.partitions = PartitionLayout(d);
    for (Partition& p : plan.partitions) {
        p.name = Format("%sp%d", plan.name.c_str(), p.number);
        p.dev = {kBlockExtMajor, nextMinor++};
    }
    return plan;
}

void WriteScsiHost(Tree& t, const fs::path& parentDir, int host, const char* procName) {
    const std::string name = Format("host%d", host);
    const fs::path dir = parentDir / name;
    t.Dir(dir);
    t.Text(dir / "uevent", "DEVTYPE=scsi_host\n");
    t.Link(dir / "subsystem", "sys/bus/scsi");
    t.Link(fs::path("sys/bus/scsi/devices") / name, dir);
    const fs::path classDir = dir / "scsi_host" / name;
    t.Dir(classDir);
    t.Attr(classDir, "proc_name", procName);
    t.Attr(classDir, "unique_id", std::to_string(host));
    t.Text(classDir / "uevent", "");
    t.Link(classDir / "subsystem", "sys/class/scsi_host");
    t.Link(fs::path("sys/class/scsi_host") / name, classDir);
}

// Target and LUN 0 below an existing host; returns the SCSI device's folder.
fs::path WriteScsiDevice(Tree& t, const fs::path& parentDir, int host, const SimDisk& d, bool usb) {
    const fs::path target = parentDir / Format("host%d", host) / Format("target%d:0:0", host);
    t.Dir(target);
    t.Text(target / "uevent", "DEVTYPE=scsi_target\n");
    t.Link(target / "subsystem", "sys/bus/scsi");
    t.Link(fs::path("sys/bus/scsi/devices") / target.filename(), target);

    const std::string name = Format("%d:0:0:0", host);
    const fs::path dir = target / name;
    t.Dir(dir);
    t.Attr(dir, "vendor", Padded(ScsiVendor(d), 8));
    t.Attr(dir, "model", Padded(d.scsiModel, 16));
    t.Attr(dir, "rev", Padded(ScsiRevision(d), 4));
    t.Attr(dir, "type", "0");
    t.Attr(dir, "scsi_level", usb ? "7" : "6");
    t.Attr(dir, "state", "running");
    t.Attr(dir, "queue_depth", usb ? "1" : "32");
    t.Attr(dir, "device_blocked", "0");
    t.Text(dir / "uevent", "DEVTYPE=scsi_device\nDRIVER=sd\nMODALIAS=scsi:t-0x00\n");
    t.Link(dir / "subsystem", "sys/bus/scsi");
    t.Link(fs::path("sys/bus/scsi/devices") / name, dir);
    return dir;
}

// The block disk at diskDir with its partitions, class links and /dev nodes;
// device is the folder its "device" link names.
void WriteBlockDisk(Tree& t, const fs::path& diskDir, const fs::path& device, const BlockPlan& plan,
                    const SimDisk& d) {
    const bool removable = d.removable || d.kind == DiskKind::CardReader;
    t.Dir(diskDir);
    t.Attr(diskDir, "dev", plan.dev.Text());
    t.Attr(diskDir, "size", std::to_string(d.sectors));
    t.Attr(diskDir, "removable", removable ? "1" : "0");
    t.Attr(diskDir, "ro", "0");
    t.Attr(diskDir, "range", plan.dev.major == kBlockExtMajor ? "0" : "16");
    t.Attr(diskDir, "ext_range", "256");
    t.Attr(diskDir, "hidden", "0");
    t.Attr(diskDir, "diskseq", std::to_string(plan.diskseq));
    t.Attr(diskDir, "events", removable ? "media_change" : "");
    t.Text(diskDir / "uevent", Format("MAJOR=%d\nMINOR=%d\nDEVNAME=%s\nDEVTYPE=disk\nDISKSEQ=%d\n",
                                      plan.dev.major, plan.dev.minor, plan.name.c_str(), plan.diskseq));
    t.Link(diskDir / "subsystem", "sys/class/block");
    t.Link(diskDir / "device", device);
    const fs::path queue = diskDir / "queue";
    t.Dir(queue);
    t.Attr(queue, "logical_block_size", std::to_string(d.logicalBlockSize));
    t.Attr(queue, "physical_block_size", std::to_string(std::max<uint32_t>(d.logicalBlockSize, 4096)));
    t.Attr(queue, "hw_sector_size", std::to_string(d.logicalBlockSize));
    t.Attr(queue, "rotational", "0");
    t.Dir(diskDir / "holders");
    t.Dir(diskDir / "slaves");
    t.Link(fs::path("sys/block") / plan.name, diskDir);
    t.Link(fs::path("sys/class/block") / plan.name, diskDir);
    t.Link(fs::path("sys/dev/block") / plan.dev.Text(), diskDir);
    t.Text(fs::path("dev") / plan.name, "");

    for (const Partition& p : plan.partitions) {
        const fs::path dir = diskDir / p.name;
        t.Dir(dir);
        t.Attr(dir, "partition", std::to_string(p.number));
        t.Attr(dir, "dev", p.dev.Text());
        t.Attr(dir, "start", std::to_string(p.start));
        t.Attr(dir, "size", std::to_string(p.size));
        t.Attr(dir, "ro", "0");
        t.Attr(dir, "alignment_offset", "0");
        t.Text(dir / "uevent",
               Format("MAJOR=%d\nMINOR=%d\nDEVNAME=%s\nDEVTYPE=partition\nDISKSEQ=%d\nPARTN=%d\n",
                      p.dev.major, p.dev.minor, p.name.c_str(), plan.diskseq, p.number));
        t.Link(dir / "subsystem", "sys/class/block");
        t.Dir(dir / "holders");
        t.Link(fs::path("sys/class/block") / p.name, dir);
        t.Link(fs::path("sys/dev/block") / p.dev.Text(), dir);
        t.Text(fs::path("dev") / p.name, "");
    }
}

// A USB disk's bridge, SCSI stack and block disk.
void WriteUsbDisk(Tree& t, const UsbPlace& place, const UsbPlace& parent, int devnum, int host,
                  const BlockPlan& plan, const SimDisk& d) {
    WriteUsbDevice(t, place, &parent, d.port, devnum, BridgeIdentity(d));
    WriteScsiHost(t, place.InterfaceDir(), host, "usb-storage");
    const fs::path scsi = WriteScsiDevice(t, place.InterfaceDir(), host, d, true);
    WriteBlockDisk(t, scsi / "block" / plan.name, scsi, plan, d);
}

// ---------------------------------------------------------------- udev

struct UdevLink {
    const char* folder; // "by-id", "by-path"
    std::string name;
    std::string target; // kernel name
};

// The by-id and by-path names udev gives a disk (partitions add "-partN").
std::vector<UdevLink> UdevLinks(const SimDisk& d, const BlockPlan& plan, const Topology& topo,
                                const StationDescription& s) {
    std::string byId;
    std::string byPath;
    if (d.kind == DiskKind::UsbDrive || d.kind == DiskKind::CardReader) {
        const SimController* c = topo.RootController(d.parent);
        if (!d.usbSerial.empty())
            byId = Format("usb-%s_%s_%s-0:0", UdevSafe(d.scsiVendor.substr(0, 8)).c_str(),
                          UdevSafe(d.scsiModel.substr(0, 16)).c_str(), UdevSafe(d.usbSerial).c_str());
        byPath = Format("pci-%s-usb-0:%s:1.0-scsi-0:0:0:0", c ? c->pciSlot.c_str() : "",
                        topo.DiskPlace(d).chain.c_str());
    } else {
        const bool sata = d.kind == DiskKind::SataDisk;
        byId = Format("%s-%s", sata ? "ata" : "nvme", UdevSafe(d.scsiModel).c_str());
        if (!d.serialNumber.empty())
            byId += "_" + UdevSafe(d.serialNumber);
        const SimController* c = s.FindController(d.parent);
        byPath = Format("pci-%s-%s-%d", c->pciSlot.c_str(), sata ? "ata" : "nvme", d.port);
    }
    std::vector<UdevLink> links;
    for (const auto& [folder, base] : {std::pair{"by-id", byId}, std::pair{"by-path", byPath}}) {
        if (base.empty())
            continue;
        links.push_back({folder, base, plan.name});
        for (const Partition& p : plan.partitions)
            links.push_back({folder, Format("%s-part%d", base.c_str(), p.number), p.name});
    }
    return links;
}

// As udev does it: the link is made under a temporary name and renamed into
// place, so it appears whole and at once.
Status MakeUdevLink(const fs::path& root, const UdevLink& link) {
    const fs::path dir = root / "dev" / "disk" / link.folder;
    std::error_code ec;
    fs::create_directories(dir, ec);
    const fs::path temp = dir / (".#" + link.name + RandomHex());
    if (!ec)
        fs::create_symlink(fs::path("../..") / link.target, temp, ec);
    if (!ec)
        fs::rename(temp, dir / link.name, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Status::Error(
            Format("cannot make the link %s: %s", (dir / link.name).c_str(), ec.message().c_str()));
    }
    return Status::Ok();
}

// Removes every dev/disk link to one of names; a folder goes with its last
// link.
void RemoveUdevLinks(const fs::path& root, const std::set<std::string>& names) {
    std::error_code ec;
    const fs::path disk = root / "dev" / "disk";
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(disk, ec))
        if (entry.is_directory(ec) && !entry.is_symlink(ec))
            folders.push_back(entry.path());
    for (const fs::path& folder : folders) {
        std::vector<fs::path> doomed;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
            if (!entry.is_symlink(ec))
                continue;
            const fs::path target = fs::read_symlink(entry.path(), ec);
            if (!ec && names.count(target.filename().string()))
                doomed.push_back(entry.path());
        }
        for (const fs::path& link : doomed)
            fs::remove(link, ec);
        if (fs::is_empty(folder, ec) && !ec)
            fs::remove(folder, ec);
    }
}

// ---------------------------------------------------------------- what is in the root now

struct FoundPartition {
    std::string name;
    std::string dev;
    uint64_t sectors = 0;
};

struct FoundBlock {
    std::string name;
    std::string dev;
    std::map<int, FoundPartition> partitions; // by number
};

// The block disk below a device folder, found as a folder with a "dev"
// attribute and a request queue (partitions have none).
std::optional<FoundBlock> FindBlock(const fs::path& anchor) {
    std::error_code ec;
    if (!fs::is_directory(anchor, ec))
        return std::nullopt;
    for (auto it = fs::recursive_directory_iterator(anchor, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink(ec) || !it->is_directory(ec))
            continue;
        const fs::path dir = it->path();
        if (!fs::is_regular_file(dir / "dev", ec) || !fs::is_directory(dir / "queue", ec))
            continue;
        FoundBlock found;
        found.name = dir.filename().string();
        found.dev = Trim(ReadWholeFile(dir / "dev").value_or(""));
        for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
            if (entry.is_symlink(ec))
                continue;
            if (const std::optional<int> number = ReadNumber(entry.path() / "partition"))
                found.partitions[*number] = {entry.path().filename().string(),
                                             Trim(ReadWholeFile(entry.path() / "dev").value_or("")),
                                             ReadNumber64(entry.path() / "size").value_or(0)};
        }
        return found;
    }
    return std::nullopt;
}

struct RootNumbers {
    std::set<int> sdIndices;
    std::set<int> hosts;
    std::map<int, std::set<int>> devnums; // bus -> numbers in use
    int lastDiskseq = 0;
};

RootNumbers ReadRootNumbers(const fs::path& root) {
    RootNumbers n;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(root / "sys/block", ec)) {
        if (const std::optional<int> index = ScsiDiskIndex(entry.path().filename().string()))
            n.sdIndices.insert(*index);
        n.lastDiskseq = std::max(n.lastDiskseq, ReadNumber(entry.path() / "diskseq").value_or(0));
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(root / "sys/bus/scsi/devices", ec)) {
        const std::string name = entry.path().filename().string();
        int host = 0;
        if (name.starts_with("host") &&
            std::from_chars(name.data() + 4, name.data() + name.size(), host).ptr ==
                name.data() + name.size())
            n.hosts.insert(host);
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(root / "sys/bus/usb/devices", ec)) {
        const std::optional<int> bus = ReadNumber(entry.path() / "busnum");
        const std::optional<int> devnum = ReadNumber(entry.path() / "devnum");
        if (bus && devnum)
            n.devnums[*bus].insert(*devnum);
    }
    return n;
}

void RemoveDanglingLinks(const fs::path& root) {
    std::error_code ec;
    for (const char* folder : kLinkFolders) {
        std::vector<fs::path> dangling;
        for (const fs::directory_entry& entry : fs::directory_iterator(root / folder, ec))
            if (entry.is_symlink(ec) && !fs::exists(entry.path(), ec))
                dangling.push_back(entry.path());
        for (const fs::path& link : dangling)
            fs::remove(link, ec);
    }
}

// ---------------------------------------------------------------- mounts

std::string MountEscape(std::string_view path) {
    std::string out;
    for (const char c : path) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\\')
            out += Format("\\%03o", static_cast<unsigned char>(c));
        else
            out += c;
    }
    return out;
}

// proc/self/mountinfo and proc/swaps for the disks attached now.
Status WriteMounts(const fs::path& root, const StationDescription& s, const Topology& topo) {
    std::string rootLine;
    std::string diskLines;
    std::string swaps = "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
    int id = 30;
    for (const SimDisk& d : s.disks) {
        if (d.mount.empty() && !d.swap)
            continue;
        const std::optional<FoundBlock> block = FindBlock(root / topo.DiskAnchor(d));
        if (!block)
            continue;
        if (auto part = block->partitions.find(1); part != block->partitions.end() && !d.mount.empty()) {
            const std::string& name = part->second.name;
            const std::string& dev = part->second.dev;
            if (d.mount == "/") {
                rootLine = Format("26 1 %s / / rw,relatime shared:1 - ext4 /dev/%s rw,errors=remount-ro\n",
                                  dev.c_str(), name.c_str());
            } else if (d.kind == DiskKind::CardReader) {
                diskLines += Format("%d 26 %s / %s rw,nosuid,nodev,relatime shared:%d - vfat /dev/%s "
                                    "rw,uid=1000,gid=1000,fmask=0022,dmask=0022,codepage=437,iocharset=ascii,"
                                    "shortname=mixed,showexec,utf8,flush,errors=remount-ro\n",
                                    id, dev.c_str(), MountEscape(d.mount).c_str(), id, name.c_str());
                ++id;
            } else {
                diskLines += Format("%d 26 %s / %s rw,relatime shared:%d - ext4 /dev/%s rw\n", id,
                                    dev.c_str(), MountEscape(d.mount).c_str(), id, name.c_str());
                ++id;
            }
        }
        if (auto part = block->partitions.find(2); part != block->partitions.end() && d.swap) {
            // The kernel's own layout of the line; sizes in KiB less the swap
            // header's page.
            const std::string path = "/dev/" + part->second.name;
            const unsigned long long kib = part->second.sectors / 2 - 4;
            const int pad = path.size() < 40 ? static_cast<int>(40 - path.size()) : 1;
            swaps += Format("%s%*s%s\t%llu\t%s%d\t%s%d\n", path.c_str(), pad, " ", "partition", kib,
                            kib < 10000000 ? "\t" : "", 0, "\t", -2);
        }
    }
    const std::string pseudo = "21 26 0:20 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw\n"
                               "22 26 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
                               "23 26 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev "
                               "rw,size=8064332k,nr_inodes=2016083,mode=755,inode64\n"
                               "25 26 0:23 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs "
                               "rw,size=1619164k,mode=755,inode64\n";
    if (Status written = WriteFileAtomically(root / "proc/self/mountinfo", rootLine + pseudo + diskLines);
        !written.ok())
        return written;
    return WriteFileAtomically(root / "proc/swaps", swaps);
}

// ---------------------------------------------------------------- whole root

Status ClearRoot(const fs::path& root) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec)))
        return Status::Ok();
    if (!fs::is_directory(root, ec) || fs::canonical(root, ec) == "/")
        return Status::Error(Format("%s is not a device root folder", root.c_str()));
    for (const fs::directory_entry& entry : fs::directory_iterator(root, ec)) {
        const std::string name = entry.path().filename().string();
        if (name != "sys" && name != "dev" && name != "proc")
            return Status::Error(
                Format("%s holds '%s', so it is no device root written by this tool; it is left "
                       "alone",
                       root.c_str(), name.c_str()));
    }
    if (!ec)
        fs::remove_all(root, ec);
    if (ec)
        return Status::Error(Format("cannot clear %s: %s", root.c_str(), ec.message().c_str()));
    return Status::Ok();
}

void WriteSkeleton(Tree& t) {
    for (const char* dir :
         {"sys/devices", "sys/bus/pci/devices", "sys/bus/usb/devices", "sys/bus/scsi/devices",
          "sys/class/block", "sys/class/scsi_host", "sys/class/nvme", "sys/block", "sys/dev/block",
          "sys/dev/char", "dev/disk", "proc/self"})
        t.Dir(dir);
}

bool IsUsbDisk(const SimDisk& d) {
    return d.kind == DiskKind::UsbDrive || d.kind == DiskKind::CardReader;
}

struct Occupant {
    const SimHub* hub = nullptr;
    const SimDisk* disk = nullptr;
};

// A USB disk attached during the hub walk, named once the walk is done.
struct AttachedUsbDisk {
    const SimDisk* disk;
    UsbPlace place;
    UsbPlace parent;
    int devnum;
    int host;
};

Status WriteRoot(const StationDescription& s, const fs::path& rootDir, const fs::path& simDir) {
    const Topology topo(s);
    Tree t(rootDir);
    WriteSkeleton(t);
    for (const PciBridge& b : topo.Bridges())
        WritePciFunction(t, b.dir, b.slot, 0x8086, 0xa338, 0x060400, "pcieport");
    for (const SimController& c : s.controllers) {
        const fs::path& dir = topo.Of(c).pciDir;
        const fs::path rootBus = fs::path("sys/devices") / Format("pci%s:00", c.pciSlot.substr(0, 4).c_str());
        t.Dir(rootBus);
        t.Text(rootBus / "uevent", "");
        if (c.kind == ControllerKind::Usb)
            WritePciFunction(t, dir, c.pciSlot, c.vendor, c.device, 0x0c0330, "xhci_hcd");
        else if (c.kind == ControllerKind::Sata)
            WritePciFunction(t, dir, c.pciSlot, c.vendor, c.device, 0x010601, "ahci");
        else
            WritePciFunction(t, dir, c.pciSlot, c.vendor, c.device, 0x010802, "nvme");
    }

    int nextHost = 0;
    int nextSd = 0;
    int diskseq = 0;
    std::vector<std::pair<const SimDisk*, BlockPlan>> named;
    auto scsiPlan = [&](const SimDisk& d) -> std::optional<BlockPlan> {
        std::optional<BlockPlan> plan = PlanScsiDisk(d, nextSd++, ++diskseq);
        if (plan)
            named.emplace_back(&d, *plan);
        return plan;
    };
    const Status tooMany = Status::Error("more SCSI disks than the kernel's 256 static names");

    // The station's own disks are found before the USB bus settles.
    int nvmeMinor = 0;
    for (const SimController& c : s.controllers) {
        const ControllerPlace& place = topo.Of(c);
        if (c.kind == ControllerKind::Sata) {
            for (int port = 1; port <= place.ataPorts; ++port) {
                const fs::path ata = place.pciDir / Format("ata%d", place.firstAtaPort + port - 1);
                t.Dir(ata);
                t.Text(ata / "uevent", "");
                const int host = nextHost++;
                WriteScsiHost(t, ata, host, "ahci");
                for (const SimDisk& d : s.disks) {
                    if (d.parent != c.name || d.port != port)
                        continue;
                    const std::optional<BlockPlan> plan = scsiPlan(d);
                    if (!plan)
                        return tooMany;
                    const fs::path scsi = WriteScsiDevice(t, ata, host, d, false);
                    WriteBlockDisk(t, scsi / "block" / plan->name, scsi, *plan, d);
                }
            }
        } else if (c.kind == ControllerKind::Nvme) {
            const fs::path nvme = place.pciDir / "nvme" / Format("nvme%d", place.nvmeIndex);
            const SimDisk* first = nullptr;
            for (const SimDisk& d : s.disks) {
                if (d.parent != c.name)
                    continue;
                if (!first) {
                    first = &d;
                    t.Dir(nvme);
                    t.Attr(nvme, "model", Padded(d.scsiModel, 40));
                    t.Attr(nvme, "serial", Padded(d.serialNumber, 20));
                    t.Attr(nvme, "firmware_rev", Padded(d.firmware, 8));
                    t.Text(nvme / "uevent", Format("MAJOR=%d\nMINOR=%d\nDEVNAME=nvme%d\n", kNvmeCharMajor,
                                                   place.nvmeIndex, place.nvmeIndex));
                    t.Link(nvme / "subsystem", "sys/class/nvme");
                    t.Link(fs::path("sys/class/nvme") / nvme.filename(), nvme);
                }
                const BlockPlan plan = PlanNvmeDisk(d, place.nvmeIndex, nvmeMinor, ++diskseq);
                named.emplace_back(&d, plan);
                WriteBlockDisk(t, nvme / plan.name, nvme, plan, d);
            }
        }
    }

    // The hub thread's walk: root hubs in bus order, then each hub found, in
    // the order found, port by port.
    std::map<std::tuple<std::string, bool, int>, Occupant> occupants;
    for (const SimHub& h : s.hubs) {
        occupants[{h.parent, false, h.port}].hub = &h;
        if (h.usb3)
            occupants[{h.parent, true, h.port}].hub = &h;
    }
    for (const SimDisk& d : s.disks)
        if (IsUsbDisk(d))
            occupants[{d.parent, d.usb3, d.port}].disk = &d;

    struct HubHalf {
        std::string name;
        bool superSpeed;
        UsbPlace place;
        int ports;
    };
    std::deque<HubHalf> hubs;
    std::map<int, int> nextDevnum;
    for (const SimController& c : s.controllers) {
        if (c.kind != ControllerKind::Usb)
            continue;
        for (const bool superSpeed : {false, true}) {
            if (superSpeed && c.superSpeedPorts == 0)
                continue;
            const UsbPlace root = topo.RootHub(c, superSpeed);
            WriteUsbDevice(t, root, nullptr, 0, 1, RootHubIdentity(c, superSpeed));
            nextDevnum[root.bus] = 2;
            hubs.push_back({c.name, superSpeed, root, superSpeed ? c.superSpeedPorts : c.usb2Ports});
        }
        if (c.superSpeedPorts > 0)
            WritePeers(t, topo.RootHub(c, false), topo.RootHub(c, true),
                       std::min(c.usb2Ports, c.superSpeedPorts));
    }
    std::vector<AttachedUsbDisk> usbDisks;
    while (!hubs.empty()) {
        const HubHalf hub = hubs.front();
        hubs.pop_front();
        for (int port = 1; port <= hub.ports; ++port) {
            const auto found = occupants.find({hub.name, hub.superSpeed, port});
            if (found == occupants.end())
                continue;
            const UsbPlace place = hub.place.Child(port);
            if (const SimHub* h = found->second.hub) {
                const int devnum = nextDevnum[place.bus]++;
                WriteUsbDevice(t, place, &hub.place, port, devnum, HubIdentity(*h, hub.superSpeed));
                hubs.push_back({h->name, hub.superSpeed, place, h->ports});
            } else if (const SimDisk* d = found->second.disk; d && !d->unplugged) {
                usbDisks.push_back({d, place, hub.place, nextDevnum[place.bus]++, nextHost++});
            }
        }
    }
    for (const SimHub& h : s.hubs)
        if (h.usb3)
            WritePeers(t, topo.ParentPlace(h.parent, false).Child(h.port),
                       topo.ParentPlace(h.parent, true).Child(h.port), h.ports);
    for (const AttachedUsbDisk& a : usbDisks) {
        const std::optional<BlockPlan> plan = scsiPlan(*a.disk);
        if (!plan)
            return tooMany;
        WriteUsbDisk(t, a.place, a.parent, a.devnum, a.host, *plan, *a.disk);
    }
    if (Status written = t.Result(); !written.ok())
        return written;

    for (const auto& [disk, plan] : named)
        for (const UdevLink& link : UdevLinks(*disk, plan, topo, s))
            if (Status made = MakeUdevLink(rootDir, link); !made.ok())
                return made;
    if (Status mounts = WriteMounts(rootDir, s, topo); !mounts.ok())
        return mounts;

    if (simDir.empty())
        return Status::Ok();
    std::error_code ec;
    fs::create_directories(simDir, ec);
    IniDocument attached = IniDocument::Load(simDir / kAttachedFile);
    attached.RemoveSection(kDisksSection);
    for (const auto& [disk, plan] : named)
        if (disk->kind == DiskKind::UsbDrive)
            attached.SetString(kDisksSection, plan.name, disk->name);
    return attached.Save();
}

// The USB disk a plug or unplug addresses, or why there is none.
Status FindUsbDisk(const StationDescription& s, const fs::path& rootDir, std::string_view name,
                   const SimDisk*& disk) {
    disk = s.FindDisk(name);
    if (!disk)
        return Status::Error(Format("the description has no drive named '%s'", std::string(name).c_str()));
    if (!IsUsbDisk(*disk))
        return Status::Error(Format(
            "'%s' is a disk of the station computer and cannot be plugged or unplugged", disk->name.c_str()));
    std::error_code ec;
    if (!fs::is_directory(rootDir / "sys/devices", ec))
        return Status::Error(Format("%s holds no device root", rootDir.c_str()));
    return Status::Ok();
}

} // namespace

std::string ScsiDiskName(int index) {
    std::string letters;
    for (int n = index; n >= 0; n = n / 26 - 1)
        letters.insert(letters.begin(), static_cast<char>('a' + n % 26));
    return "sd" + letters;
}

Status WriteDeviceRoot(const StationDescription& description, const fs::path& rootDir,
                       const fs::path& simDir) {
    if (Status cleared = ClearRoot(rootDir); !cleared.ok())
        return cleared;
    return WriteRoot(description, rootDir, simDir);
}

Status PlugDrive(const StationDescription& description, const fs::path& rootDir, const fs::path& simDir,
                 std::string_view name) {
    const SimDisk* d = nullptr;
    if (Status found = FindUsbDisk(description, rootDir, name, d); !found.ok())
        return found;
    const Topology topo(description);
    const UsbPlace place = topo.DiskPlace(*d);
    const UsbPlace parent = topo.ParentPlace(d->parent, d->usb3);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(rootDir / place.dir, ec)))
        return Status::Error(Format("drive '%s' is already plugged", d->name.c_str()));
    if (!fs::is_directory(rootDir / parent.PortDir(d->port), ec))
        return Status::Error(
            Format("the hub port of drive '%s' is missing from %s", d->name.c_str(), rootDir.c_str()));

    const RootNumbers numbers = ReadRootNumbers(rootDir);
    const std::set<int> noDevnums;
    const auto inUse = numbers.devnums.find(place.bus);
    const std::set<int>& devnums = inUse == numbers.devnums.end() ? noDevnums : inUse->second;
    int devnum = devnums.empty() ? 2 : *devnums.rbegin() + 1;
    if (devnum > kLastUsbDevnum)
        devnum = LowestFree(devnums, 2);
    if (devnum > kLastUsbDevnum)
        return Status::Error(Format("bus %d has no free device number", place.bus));
    const std::optional<BlockPlan> plan =
        PlanScsiDisk(*d, LowestFree(numbers.sdIndices, 0), numbers.lastDiskseq + 1);
    if (!plan)
        return Status::Error("more SCSI disks than the kernel's 256 static names");

    Tree t(rootDir);
    WriteUsbDisk(t, place, parent, devnum, LowestFree(numbers.hosts, 0), *plan, *d);
    if (Status written = t.Result(); !written.ok())
        return written;
    // The device library must know the drive before the program can see it.
    if (d->kind == DiskKind::UsbDrive && !simDir.empty()) {
        fs::create_directories(simDir, ec);
        if (Status saved = IniWriteString(simDir / kAttachedFile, kDisksSection, plan->name, d->name);
            !saved.ok())
            return saved;
    }
    for (const UdevLink& link : UdevLinks(*d, *plan, topo, description))
        if (Status made = MakeUdevLink(rootDir, link); !made.ok())
            return made;
    if (d->mount.empty() && !d->swap)
        return Status::Ok();
    return WriteMounts(rootDir, description, topo);
}

Status UnplugDrive(const StationDescription& description, const fs::path& rootDir, const fs::path& simDir,
                   std::string_view name) {
    const SimDisk* d = nullptr;
    if (Status found = FindUsbDisk(description, rootDir, name, d); !found.ok())
        return found;
    const Topology topo(description);
    const UsbPlace place = topo.DiskPlace(*d);
    std::error_code ec;
    if (!fs::is_directory(rootDir / place.dir, ec))
        return Status::Error(Format("drive '%s' is not plugged", d->name.c_str()));
    const std::optional<FoundBlock> block = FindBlock(rootDir / place.dir);
    std::set<std::string> names;
    if (block) {
        names.insert(block->name);
        for (const auto& [number, part] : block->partitions)
            names.insert(part.name);
    }

    // The kernel takes the device away first; udev's links follow.
    const UsbPlace parent = topo.ParentPlace(d->parent, d->usb3);
    fs::remove(rootDir / parent.PortDir(d->port) / "device", ec);
    fs::remove_all(rootDir / place.dir, ec);
    if (ec)
        return Status::Error(
            Format("cannot remove %s: %s", (rootDir / place.dir).c_str(), ec.message().c_str()));
    RemoveDanglingLinks(rootDir);
    for (const std::string& node : names)
        fs::remove(rootDir / "dev" / node, ec);
    if (!d->mount.empty() || d->swap)
        if (Status mounts = WriteMounts(rootDir, description, topo); !mounts.ok())
            return mounts;
    if (block && d->kind == DiskKind::UsbDrive && !simDir.empty())
        if (Status saved = IniRemoveKey(simDir / kAttachedFile, kDisksSection, block->name); !saved.ok())
            return saved;
    RemoveUdevLinks(rootDir, names);
    return Status::Ok();
}

} // namespace varnet::sim
