#include "station_description.h"

#include "platform/file_io.h"
#include "platform/text_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace varnet::sim {
namespace {

struct Token {
    std::string key;
    std::string value;
    bool hasValue = false;
};

// Splits a line into blank-separated words, a word being key or key=value
// with an optionally quoted value. Returns an error text or "".
std::string SplitWords(std::string_view line, std::vector<Token>& words) {
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size() || line[i] == '#')
            return "";
        Token token;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '=')
            token.key += line[i++];
        if (i < line.size() && line[i] == '=') {
            token.hasValue = true;
            ++i;
            if (i < line.size() && line[i] == '"') {
                const size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos)
                    return Format("unterminated quote after '%s='", token.key.c_str());
                token.value = std::string(line.substr(i + 1, close - i - 1));
                i = close + 1;
                if (i < line.size() && line[i] != ' ' && line[i] != '\t')
                    return Format("text right after the closing quote of '%s'", token.key.c_str());
            } else {
                while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                    token.value += line[i++];
            }
        }
        if (token.key.empty())
            return "a value without a key";
        words.push_back(std::move(token));
    }
}

bool IsName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-';
    });
}

template <typename T> std::optional<T> Number(std::string_view text, int base = 10) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool IsPciSlot(std::string_view slot) {
    // dddd:bb:dd.f in hexadecimal digits
    if (slot.size() != 12 || slot[4] != ':' || slot[7] != ':' || slot[10] != '.')
        return false;
    for (size_t i = 0; i < slot.size(); ++i) {
        if (i == 4 || i == 7 || i == 10)
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(slot[i])))
            return false;
    }
    return true;
}

// Reads the keys of one line into the object, one handler per key.
class LineReader {
public:
    explicit LineReader(std::vector<Token> words) : words_(std::move(words)) {}

    std::string error;

    // Calls handle(token) for every word after kind and name; handle returns
    // "" when it took the word, "?" for an unknown key, or an error text.
    template <typename Handler> void Each(Handler&& handle) {
        for (size_t i = 2; i < words_.size() && error.empty(); ++i) {
            const Token& token = words_[i];
            if (!seen_.insert(token.key).second && token.key != "fault") {
                error = Format("'%s' given twice", token.key.c_str());
                break;
            }
            std::string result = handle(token);
            if (result == "?")
                error = Format("unknown key '%s'", token.key.c_str());
            else if (!result.empty())
                error = Format("%s: %s", token.key.c_str(), result.c_str());
        }
    }

private:
    std::vector<Token> words_;
    std::set<std::string> seen_;
};

std::string NeedValue(const Token& t) {
    return t.hasValue && !t.value.empty() ? "" : "needs a value";
}
std::string NeedFlag(const Token& t) {
    return t.hasValue ? "takes no value" : "";
}

std::string ReadHex16(const Token& t, uint16_t& out) {
    if (!t.hasValue)
        return "needs a value";
    const auto value = Number<uint32_t>(t.value, 16);
    if (!value || *value > 0xFFFF || t.value.size() > 4)
        return Format("'%s' is not a 4-digit hexadecimal number", t.value.c_str());
    out = static_cast<uint16_t>(*value);
    return "";
}

std::string ReadInt(const Token& t, int& out, int low, int high) {
    if (!t.hasValue)
        return "needs a value";
    const auto value = Number<int>(t.value);
    if (!value || *value < low || *value > high)
        return Format("'%s' is not a number from %d to %d", t.value.c_str(), low, high);
    out = *value;
    return "";
}

std::string ReadPlace(const Token& t, std::string& parent, int& port) {
    if (!t.hasValue)
        return "needs a value";
    const size_t colon = t.value.rfind(':');
    if (colon == std::string::npos || !IsName(t.value.substr(0, colon)))
        return Format("'%s' is not <parent>:<port>", t.value.c_str());
    const auto number = Number<int>(std::string_view(t.value).substr(colon + 1));
    if (!number || *number < 1 || *number > 255)
        return Format("'%s' has no port number from 1 to 255", t.value.c_str());
    parent = t.value.substr(0, colon);
    port = *number;
    return "";
}

std::string ReadFault(const Token& t, std::vector<SimFault>& faults) {
    if (!t.hasValue)
        return "needs a value";
    std::vector<std::string> parts;
    size_t start = 0;
    // The message is the rest of the value, colons included.
    while (parts.size() < 3) {
        const size_t colon = t.value.find(':', start);
        if (colon == std::string::npos)
            break;
        parts.push_back(t.value.substr(start, colon - start));
        start = colon + 1;
    }
    parts.push_back(t.value.substr(start));
    SimFault fault;
    const std::string& kind = parts[0];
    if (kind == "fail")
        fault.kind = FaultKind::Fail;
    else if (kind == "no-report")
        fault.kind = FaultKind::NoReport;
    else if (kind == "delay")
        fault.kind = FaultKind::Delay;
    else if (kind == "lose")
        fault.kind = FaultKind::Lose;
    else if (kind == "crash")
        fault.kind = FaultKind::Crash;
    else if (kind == "hang")
        fault.kind = FaultKind::Hang;
    else if (kind == "exit")
        fault.kind = FaultKind::Exit;
    else if (kind == "gate")
        fault.kind = FaultKind::Gate;
    else
        return Format("'%s' is not fail, no-report, delay, lose, crash, hang, exit or gate", kind.c_str());
    if (parts.size() < 2 || !IsName(parts[1]))
        return "names no entry point (fault=<kind>:<entry>...)";
    fault.entry = parts[1];
    if (fault.kind == FaultKind::Delay) {
        const auto ms = parts.size() >= 3 ? Number<int>(parts[2]) : std::nullopt;
        if (!ms || *ms < 0 || parts.size() > 3)
            return "a delay is delay:<entry>:<ms>";
        fault.ms = *ms;
    } else if (fault.kind == FaultKind::Exit) {
        const auto code = parts.size() >= 3 ? Number<int>(parts[2]) : std::optional<int>(1);
        if (!code || *code < 0 || *code > 255 || parts.size() > 3)
            return "an exit is exit:<entry>[:<code 0-255>]";
        fault.code = std::to_string(*code);
    } else if (fault.kind == FaultKind::Fail) {
        fault.code = parts.size() >= 3 ? parts[2] : "0x01";
        fault.message = parts.size() >= 4 ? parts[3] : "Simulated failure";
    } else if (parts.size() > 2) {
        return Format("%s takes only an entry point", kind.c_str());
    }
    faults.push_back(std::move(fault));
    return "";
}

std::string ReadCapacity(const Token& t, uint64_t& sectors) {
    if (!t.hasValue)
        return "needs a value";
    const auto value = Number<uint64_t>(t.value);
    if (!value || *value == 0 || *value > 1'000'000)
        return Format("'%s' is not a capacity from 1 to 1000000", t.value.c_str());
    sectors = t.key == "sectors" ? *value : SectorsForGigabytes(*value);
    return "";
}

std::string ParseController(LineReader& reader, ControllerKind kind, SimController& c) {
    c.kind = kind;
    if (kind == ControllerKind::Sata)
        c.device = 0xa352;
    else if (kind == ControllerKind::Nvme)
        c.vendor = 0x144d, c.device = 0xa808;
    else
        c.device = 0xa36d;
    reader.Each([&](const Token& t) -> std::string {
        if (t.key == "pci") {
            if (!IsPciSlot(t.value))
                return Format("'%s' is not a PCI slot like 0000:00:14.0", t.value.c_str());
            c.pciSlot = t.value;
            return "";
        }
        if (t.key == "vendor")
            return ReadHex16(t, c.vendor);
        if (t.key == "device")
            return ReadHex16(t, c.device);
        if (kind == ControllerKind::Usb && t.key == "ports")
            return ReadInt(t, c.usb2Ports, 1, 31);
        if (kind == ControllerKind::Usb && t.key == "ss-ports")
            return ReadInt(t, c.superSpeedPorts, 1, 31);
        return "?";
    });
    if (!reader.error.empty())
        return reader.error;
    if (c.pciSlot.empty())
        return "pci= is missing";
    if (kind == ControllerKind::Usb && c.usb2Ports == 0)
        return "ports= is missing";
    return "";
}

std::string ParseHub(LineReader& reader, SimHub& h) {
    bool hasVid = false, hasPid = false;
    reader.Each([&](const Token& t) -> std::string {
        if (t.key == "at")
            return ReadPlace(t, h.parent, h.port);
        if (t.key == "vid")
            return hasVid = true, ReadHex16(t, h.vid);
        if (t.key == "pid")
            return hasPid = true, ReadHex16(t, h.pid);
        if (t.key == "ss-pid")
            return ReadHex16(t, h.superSpeedPid);
        if (t.key == "ports")
            return ReadInt(t, h.ports, 1, 15);
        if (t.key == "usb3")
            return h.usb3 = true, NeedFlag(t);
        if (t.key == "serial")
            return h.serial = t.value, NeedValue(t);
        return "?";
    });
    if (!reader.error.empty())
        return reader.error;
    if (h.parent.empty())
        return "at= is missing";
    if (!hasVid || !hasPid)
        return "vid= and pid= are needed";
    if (h.usb3 && h.superSpeedPid == 0)
        h.superSpeedPid = h.pid;
    return "";
}

std::string ParseDisk(LineReader& reader, DiskKind kind, SimDisk& d) {
    d.kind = kind;
    if (kind == DiskKind::CardReader) {
        d.removable = true;
        d.scsiVendor = "Generic-";
        d.scsiModel = "SD/MMC";
        d.vid = 0x0bda;
        d.pid = 0x0129;
    } else if (kind != DiskKind::UsbDrive) {
        d.scsiVendor = "ATA";
        d.scsiModel = "Station Disk";
        d.sectors = SectorsForGigabytes(512);
    }
    const bool usb = kind == DiskKind::UsbDrive || kind == DiskKind::CardReader;
    const bool drive = kind == DiskKind::UsbDrive;
    const bool own = kind == DiskKind::SataDisk || kind == DiskKind::NvmeDisk;
    reader.Each([&](const Token& t) -> std::string {
        const std::string& k = t.key;
        if (k == "at")
            return ReadPlace(t, d.parent, d.port);
        if (usb && k == "usb3")
            return d.usb3 = true, NeedFlag(t);
        if (usb && k == "unplugged")
            return d.unplugged = true, NeedFlag(t);
        if (usb && k == "vid")
            return ReadHex16(t, d.vid);
        if (usb && k == "pid")
            return ReadHex16(t, d.pid);
        if (usb && k == "usb-serial")
            return d.usbSerial = t.value, NeedValue(t);
        if (k == "vendor" && !own)
            return d.scsiVendor = t.value, NeedValue(t);
        if (k == "model")
            return d.scsiModel = t.value, NeedValue(t);
        if ((k == "capacity-gb" || k == "sectors") && kind != DiskKind::CardReader)
            return ReadCapacity(t, d.sectors);
        if (kind == DiskKind::CardReader && k == "media")
            return ReadCapacity(Token{"capacity-gb", t.value, t.hasValue}, d.sectors);
        if (k == "block-size") {
            int size = 0;
            std::string error = ReadInt(t, size, 512, 4096);
            if (error.empty() && size != 512 && size != 4096)
                error = "is 512 or 4096";
            d.logicalBlockSize = static_cast<uint32_t>(size);
            return error;
        }
        if (!drive && k == "removable")
            return d.removable = true, NeedFlag(t);
        if (k == "mount")
            return d.mount = t.value,
                   (t.hasValue && t.value.starts_with('/')) ? "" : "needs an absolute folder";
        if (k == "swap")
            return d.swap = true, NeedFlag(t);
        if (own && k == "serial")
            return d.serialNumber = t.value, NeedValue(t);
        if (!drive)
            return "?";
        if (k == "removable")
            return d.removable = true, NeedFlag(t);
        if (k == "model-name")
            return d.modelName = t.value, NeedValue(t);
        if (k == "sn")
            return d.serialNumber = t.value, NeedValue(t);
        if (k == "fw")
            return d.firmware = t.value, NeedValue(t);
        if (k == "flash")
            return d.flash = t.value, NeedValue(t);
        if (k == "flash-id") {
            // Six two-digit hexadecimal bytes separated by blanks.
            std::string_view v = t.value;
            if (v.size() != 17)
                return "is six hexadecimal bytes like \"2C 44 44 4B A9 00\"";
            for (size_t i = 0; i < v.size(); ++i) {
                const bool blank = i % 3 == 2;
                if (blank ? v[i] != ' ' : !std::isxdigit(static_cast<unsigned char>(v[i])))
                    return "is six hexadecimal bytes like \"2C 44 44 4B A9 00\"";
            }
            d.flashId = t.value;
            return "";
        }
        if (k == "ce")
            return ReadInt(t, d.ce, 1, 32);
        if (k == "die")
            return ReadInt(t, d.diePerCe, 1, 8);
        if (k == "plane")
            return ReadInt(t, d.planes, 1, 4);
        if (k == "early-bad")
            return ReadInt(t, d.earlyBad, 0, 100000);
        if (k == "later-bad")
            return ReadInt(t, d.laterBad, 0, 100000);
        if (k == "later-bad-ce")
            return ReadInt(t, d.laterBadCe, 0, 31);
        if (k == "temp")
            return ReadInt(t, d.temperature, -40, 150);
        if (k == "time-ms")
            return ReadInt(t, d.callMs, 0, 3'600'000);
        if (k == "fault")
            return ReadFault(t, d.faults);
        return "?";
    });
    if (!reader.error.empty())
        return reader.error;
    if (d.parent.empty())
        return "at= is missing";
    if (drive && d.sectors == 0)
        d.sectors = SectorsForGigabytes(256);
    if (drive && d.serialNumber.empty())
        d.serialNumber = "SIM" + d.name;
    return "";
}

// Whole-description checks: names, parents, ports, usb3 pairing.
std::string CheckPlaces(const StationDescription& s, int& line) {
    std::set<std::string> names;
    auto unique = [&](const std::string& name, int at) {
        line = at;
        return names.insert(name).second;
    };
    for (const SimController& c : s.controllers)
        if (!unique(c.name, c.line))
            return Format("the name '%s' is used twice", c.name.c_str());
    for (const SimHub& h : s.hubs)
        if (!unique(h.name, h.line))
            return Format("the name '%s' is used twice", h.name.c_str());
    for (const SimDisk& d : s.disks)
        if (!unique(d.name, d.line))
            return Format("the name '%s' is used twice", d.name.c_str());

    // (parent, usb3 half, port) -> taken
    std::set<std::tuple<std::string, bool, int>> taken;
    auto place = [&](const std::string& parent, int port, bool superSpeed, bool usbObject, int at,
                     bool forOwnDisk) -> std::string {
        line = at;
        if (const SimController* c = s.FindController(parent)) {
            if (forOwnDisk) {
                if (c->kind == ControllerKind::Usb)
                    return Format("'%s' is a USB controller; a station disk goes on sata or nvme",
                                  parent.c_str());
                if (!taken.insert({parent, false, port}).second)
                    return Format("port %d of '%s' is taken twice", port, parent.c_str());
                return "";
            }
            if (c->kind != ControllerKind::Usb || !usbObject)
                return Format("'%s' is not a USB controller", parent.c_str());
            const int ports = superSpeed ? c->superSpeedPorts : c->usb2Ports;
            if (ports == 0)
                return Format("'%s' has no SuperSpeed root ports", parent.c_str());
            if (port > ports)
                return Format("'%s' has only %d ports", parent.c_str(), ports);
        } else if (const SimHub* h = s.FindHub(parent)) {
            if (forOwnDisk)
                return Format("a station disk cannot hang on hub '%s'", parent.c_str());
            if (superSpeed && !h->usb3)
                return Format("'%s' is not a usb3 hub", parent.c_str());
            if (port > h->ports)
                return Format("'%s' has only %d ports", parent.c_str(), h->ports);
        } else {
            return Format("no controller or hub is named '%s'", parent.c_str());
        }
        if (!taken.insert({parent, superSpeed, port}).second)
            return Format("port %d of '%s' is taken twice", port, parent.c_str());
        return "";
    };
    for (const SimHub& h : s.hubs) {
        std::string error = place(h.parent, h.port, false, true, h.line, false);
        if (error.empty() && h.usb3)
            error = place(h.parent, h.port, true, true, h.line, false);
        if (!error.empty())
            return error;
        // A hub below itself would make the device tree endless.
        std::set<std::string> above{h.name};
        for (const SimHub* up = s.FindHub(h.parent); up; up = s.FindHub(up->parent))
            if (!above.insert(up->name).second)
                return Format("hub '%s' hangs below itself", h.name.c_str());
    }
    for (const SimDisk& d : s.disks) {
        const bool own = d.kind == DiskKind::SataDisk || d.kind == DiskKind::NvmeDisk;
        std::string error = place(d.parent, d.port, d.usb3, !own, d.line, own);
        if (!error.empty())
            return error;
        if (own) {
            const SimController* c = s.FindController(d.parent);
            if ((d.kind == DiskKind::NvmeDisk) != (c->kind == ControllerKind::Nvme))
                return Format("'%s' is not a %s controller", d.parent.c_str(),
                              d.kind == DiskKind::NvmeDisk ? "nvme" : "sata");
        }
    }
    std::set<std::string> slots;
    for (const SimController& c : s.controllers) {
        line = c.line;
        if (!slots.insert(c.pciSlot).second)
            return Format("PCI slot %s is used twice", c.pciSlot.c_str());
    }
    return "";
}

} // namespace

const SimController* StationDescription::FindController(std::string_view name) const {
    for (const SimController& c : controllers)
        if (c.name == name)
            return &c;
    return nullptr;
}
const SimHub* StationDescription::FindHub(std::string_view name) const {
    for (const SimHub& h : hubs)
        if (h.name == name)
            return &h;
    return nullptr;
}
const SimDisk* StationDescription::FindDisk(std::string_view name) const {
    for (const SimDisk& d : disks)
        if (d.name == name)
            return &d;
    return nullptr;
}

uint64_t SectorsForGigabytes(uint64_t gigabytes) {
    // Below 50 GB the formula's offset would dominate; plain decimal bytes.
    if (gigabytes < 50)
        return gigabytes * 1'000'000'000ull / 512;
    return 97'696'368ull + 1'953'504ull * (gigabytes - 50);
}

Status ParseStationDescription(std::string_view text, StationDescription& out) {
    StationDescription result;
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++lineNumber;
        start = end + 1;

        std::vector<Token> words;
        std::string error = SplitWords(line, words);
        if (error.empty() && !words.empty()) {
            const std::string kind = words[0].key;
            if (words[0].hasValue || words.size() < 2 || words[1].hasValue || !IsName(words[1].key)) {
                error = "a line is <kind> <name> key=value ...";
            } else {
                const std::string name = words[1].key;
                LineReader reader(std::move(words));
                if (kind == "usb-controller" || kind == "sata-controller" || kind == "nvme-controller") {
                    SimController c;
                    c.name = name;
                    c.line = lineNumber;
                    const ControllerKind ck = kind == "usb-controller"    ? ControllerKind::Usb
                                              : kind == "sata-controller" ? ControllerKind::Sata
                                                                          : ControllerKind::Nvme;
                    error = ParseController(reader, ck, c);
                    result.controllers.push_back(std::move(c));
                } else if (kind == "hub") {
                    SimHub h;
                    h.name = name;
                    h.line = lineNumber;
                    error = ParseHub(reader, h);
                    result.hubs.push_back(std::move(h));
                } else if (kind == "drive" || kind == "card-reader" || kind == "disk") {
                    SimDisk d;
                    d.name = name;
                    d.line = lineNumber;
                    DiskKind dk = kind == "drive" ? DiskKind::UsbDrive : DiskKind::CardReader;
                    if (kind == "disk")
                        dk = DiskKind::SataDisk; // decided by its controller below
                    error = ParseDisk(reader, dk, d);
                    result.disks.push_back(std::move(d));
                } else {
                    error =
                        Format("unknown kind '%s' (usb-controller, sata-controller, nvme-controller, hub, "
                               "drive, card-reader, disk)",
                               kind.c_str());
                }
            }
        }
        if (!error.empty())
            return Status::Error(Format("line %d: %s", lineNumber, error.c_str()));
        if (end == text.size())
            break;
    }
    // A station disk takes its kind from its controller.
    for (SimDisk& d : result.disks) {
        if (d.kind != DiskKind::SataDisk)
            continue;
        if (const SimController* c = result.FindController(d.parent); c && c->kind == ControllerKind::Nvme) {
            d.kind = DiskKind::NvmeDisk;
            d.scsiVendor.clear();
        }
    }
    int line = 0;
    if (std::string error = CheckPlaces(result, line); !error.empty())
        return Status::Error(Format("line %d: %s", line, error.c_str()));
    out = std::move(result);
    return Status::Ok();
}

Status LoadStationDescription(const std::filesystem::path& file, StationDescription& out) {
    const FileRead read = ReadFile(file);
    if (read.outcome != FileRead::kRead)
        return Status::Error(Format("cannot read the station description %s", file.c_str()));
    Status status = ParseStationDescription(read.bytes, out);
    if (!status.ok())
        return Status::Error(Format("%s: %s", file.c_str(), status.message().c_str()));
    return status;
}

} // namespace varnet::sim
