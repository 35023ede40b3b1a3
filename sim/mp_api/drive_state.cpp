#include "drive_state.h"

#include "store_text.h"

#include "config/firmware_selection.h"
#include "platform/file_io.h"
#include "platform/ini_text.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <random>
#include <set>
#include <tuple>

namespace varnet::sim {
namespace {

// Used when the station has no flash database at all.
constexpr FlashId kFallbackId = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x00};
// A part no database row names, for a description that asks for an unknown
// part: such a drive identifies but never matches, as on a real line.
constexpr FlashId kUnknownPartId = {0xEC, 0xD7, 0x94, 0x7E, 0x64, 0x44, 0x00, 0x00};
constexpr uint32_t kFallbackMbPerDie = 32768;

int Uniform(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool ParseFlashIdText(std::string_view text, FlashId& id) {
    id = {};
    size_t n = 0;
    for (size_t at = 0; at < text.size() && n < id.size();) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value, 16);
        if (error != std::errc() || value > 0xFF)
            return false;
        id[n++] = static_cast<uint8_t>(value);
        at = static_cast<size_t>(end - text.data());
    }
    return n > 0;
}

std::string FlashIdText(const FlashId& id) {
    return Format("%02X %02X %02X %02X %02X %02X %02X %02X", id[0], id[1], id[2], id[3], id[4], id[5], id[6],
                  id[7]);
}

const ST_SSD_FLASH_PARAM* FindPart(const FlashDatabase& database, std::string_view wanted) {
    for (const ST_SSD_FLASH_PARAM& record : database.Records()) {
        if (FieldText(record.name) == wanted)
            return &record;
    }
    return FindByLabel(database, wanted);
}

// Picks count distinct blocks among CEs first..last, leaving the first block
// of every plane good (the firmware lives there), and never filling more than
// half of what is free, so the drawing always ends.
std::vector<BadBlock> PlaceBlocks(std::mt19937& random, const FlashGeometry& g, int first, int last,
                                  int count, std::set<std::tuple<int, int, int>>& taken) {
    const int perDie = g.BlocksPerDie();
    int64_t free = static_cast<int64_t>(last - first + 1) * g.diePerCe * (perDie - g.planes);
    for (const auto& [ce, die, block] : taken)
        free -= (ce >= first && ce <= last) ? 1 : 0;
    count = static_cast<int>(std::min<int64_t>(count, std::max<int64_t>(free / 2, 0)));
    std::vector<BadBlock> blocks;
    while (static_cast<int>(blocks.size()) < count) {
        BadBlock b;
        b.ce = Uniform(random, first, last);
        b.die = Uniform(random, 0, g.diePerCe - 1);
        b.block = Uniform(random, g.planes, perDie - 1);
        if (taken.emplace(b.ce, b.die, b.block).second)
            blocks.push_back(b);
    }
    return blocks;
}

bool BlockOrder(const BadBlock& a, const BadBlock& b) {
    return std::tie(a.ce, a.die, a.block) < std::tie(b.ce, b.die, b.block);
}

std::vector<std::string_view> Words(std::string_view text, char separator) {
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(separator, start), text.size());
        if (end > start)
            words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

template <typename T> bool ToNumber(std::string_view text, T& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

bool ToKind(std::string_view text, FailKind& kind) {
    if (text.size() != 1)
        return false;
    for (const FailKind k :
         {FailKind::Erase, FailKind::Program, FailKind::ReadUncorrectable, FailKind::ReadOverThreshold}) {
        if (static_cast<char>(k) == text[0]) {
            kind = k;
            return true;
        }
    }
    return false;
}

std::string BlockText(const BadBlock& b) {
    return Format("%d.%d.%d", b.ce, b.die, b.block);
}

std::string WeakBlockText(const BadBlock& b) {
    return Format("%d.%d.%d.%c", b.ce, b.die, b.block, static_cast<char>(b.kind));
}

// Reads the key's parts; false when the key is damaged.
class StateReader {
public:
    explicit StateReader(std::string_view text) : ini_(IniText::Parse(text)) {}

    std::string error;

    std::string Text(std::string_view section, std::string_view key) {
        return DecodeStoreText(Find(section, key).value_or(""));
    }

    template <typename T> T Number(std::string_view section, std::string_view key) {
        T value{};
        const std::optional<std::string_view> text = Find(section, key);
        if (!text || !ToNumber(*text, value))
            Damaged(section, key);
        return value;
    }

    // Every word of the key split at '.'; each must have `fields` parts.
    std::vector<std::vector<std::string_view>> Records(std::string_view section, std::string_view key,
                                                       size_t fields) {
        std::vector<std::vector<std::string_view>> records;
        for (const std::string_view word : Words(Find(section, key).value_or(""), ' ')) {
            records.push_back(Words(word, '.'));
            if (records.back().size() != fields) {
                Damaged(section, key);
                records.pop_back();
            }
        }
        return records;
    }

    template <typename T>
    void Field(std::string_view text, T& out, std::string_view section, std::string_view key) {
        if (!ToNumber(text, out))
            Damaged(section, key);
    }

    void Damaged(std::string_view section, std::string_view key) {
        if (error.empty())
            error = Format("[%.*s] %.*s is damaged", static_cast<int>(section.size()), section.data(),
                           static_cast<int>(key.size()), key.data());
    }

private:
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) {
        return ini_.Find(section, key);
    }
    IniText ini_;
};

} // namespace

uint32_t DriveSeed(std::string_view driveName) {
    // FNV-1a, since std::hash promises no stability across builds.
    uint32_t hash = 2166136261u;
    for (const char c : driveName) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::string BurnInRevision(std::string_view productionRevision) {
    std::string revision(productionRevision.substr(0, kFirmwareChars));
    while (revision.size() < 3)
        revision += '0';
    revision[2] = 'S';
    return revision;
}

FlashGeometry GeometryOf(const SimDisk& disk, const FlashDatabase& database) {
    FlashGeometry g;
    const ST_SSD_FLASH_PARAM* record = nullptr;
    if (!disk.flashId.empty() && ParseFlashIdText(disk.flashId, g.id)) {
        record = database.FindRecord(g.id);
        if (record) {
            g.id[6] = record->flashId[6];
            g.id[7] = record->flashId[7];
        }
        g.part = record ? std::string(FieldText(record->name)) : disk.flashId;
    } else if (!disk.flash.empty()) {
        record = FindPart(database, disk.flash);
        g.id = record ? record->flashId : kUnknownPartId;
        g.part = record ? std::string(FieldText(record->name)) : disk.flash;
    } else if (!database.Empty()) {
        record = &database.Records().front();
        g.id = record->flashId;
        g.part = std::string(FieldText(record->name));
    } else {
        g.id = kFallbackId;
        g.part = "BICS3";
    }

    const uint32_t mbPerDie = record && record->MbPerDie() > 0 ? record->MbPerDie() : kFallbackMbPerDie;
    g.diePerCe = disk.diePerCe > 0                                            ? disk.diePerCe
                 : record && record->diesPerCe >= 1 && record->diesPerCe <= 8 ? record->diesPerCe
                                                                              : 1;
    g.planes = disk.planes > 0 ? disk.planes : (mbPerDie >= 16384 ? 4 : 2);
    if (disk.ce > 0) {
        g.ce = disk.ce;
    } else {
        // The fewest CEs (a power of two, as boards are built) whose raw
        // flash holds the drive's capacity.
        const uint64_t capacityMb = disk.sectors * 512 / (1024 * 1024);
        const uint64_t perCe = static_cast<uint64_t>(mbPerDie) * static_cast<uint64_t>(g.diePerCe);
        g.ce = 1;
        while (g.ce < 32 && static_cast<uint64_t>(g.ce) * perCe < capacityMb)
            g.ce *= 2;
    }
    // 16 MB blocks: the order of a TLC block of today's parts.
    g.blocksPerPlane =
        std::clamp(static_cast<int>(mbPerDie / (static_cast<uint32_t>(g.planes) * 16)), 32, 4096);
    return g;
}

DriveState NewDriveState(const SimDisk& disk, const FlashDatabase& database) {
    DriveState s;
    s.name = disk.name;
    s.model = disk.modelName.substr(0, kModelChars);
    s.serial = disk.serialNumber.substr(0, kSerialChars);
    s.firmware = disk.firmware.substr(0, kFirmwareChars);
    // A drive described as running burn-in firmware still has a production
    // revision to return to; it differs in the burn-in mark alone.
    s.productionFirmware = s.firmware;
    if (s.InBurnInFirmware())
        s.productionFirmware[2] = '0';
    s.sectors = disk.sectors;
    s.flash = GeometryOf(disk, database);
    s.history.fill(0xFF);

    std::mt19937 random(DriveSeed(disk.name));
    std::set<std::tuple<int, int, int>> taken;
    s.factoryBad = PlaceBlocks(random, s.flash, 0, s.flash.ce - 1, disk.earlyBad, taken);
    const int weakCe = disk.laterBadCe >= 0 ? disk.laterBadCe % s.flash.ce : -1;
    s.weakBad = weakCe >= 0 ? PlaceBlocks(random, s.flash, weakCe, weakCe, disk.laterBad, taken)
                            : PlaceBlocks(random, s.flash, 0, s.flash.ce - 1, disk.laterBad, taken);
    constexpr FailKind kKinds[] = {FailKind::Erase, FailKind::Program, FailKind::ReadUncorrectable,
                                   FailKind::ReadOverThreshold};
    for (size_t i = 0; i < s.weakBad.size(); ++i)
        s.weakBad[i].kind = kKinds[i % std::size(kKinds)];
    std::sort(s.factoryBad.begin(), s.factoryBad.end(), BlockOrder);
    std::sort(s.weakBad.begin(), s.weakBad.end(), BlockOrder);
    return s;
}

std::vector<BadBlock> OriginalBadBlocks(const DriveState& state) {
    std::vector<BadBlock> blocks = state.factoryBad;
    if (state.weakState == WeakState::Retired) {
        blocks.insert(blocks.end(), state.weakBad.begin(), state.weakBad.end());
        std::sort(blocks.begin(), blocks.end(), BlockOrder);
    }
    return blocks;
}

std::vector<BadBlock> LaterBadBlocks(const DriveState& state) {
    return state.weakState == WeakState::Grown ? state.weakBad : std::vector<BadBlock>();
}

std::filesystem::path DriveStateFile(std::string_view driveName) {
    return std::filesystem::path("Sim") / "drives" / (std::string(driveName) + ".ini");
}

std::string SerializeDriveState(const DriveState& s) {
    std::string out;
    const auto line = [&out](const std::string& text) { out += text + "\r\n"; };
    const auto key = [&line](const char* name, const std::string& value) {
        line(std::string(name) + "=" + value);
    };
    const auto number = [&key](const char* name, int64_t value) { key(name, std::to_string(value)); };

    line(Format("; Simulated drive %s: what the drive keeps. Delete the file to start the drive afresh.",
                EncodeStoreText(s.name).c_str()));
    line("[Drive]");
    key("Name", EncodeStoreText(s.name));
    key("Model", EncodeStoreText(s.model));
    key("Serial", EncodeStoreText(s.serial));
    key("Firmware", EncodeStoreText(s.firmware));
    key("ProductionFirmware", EncodeStoreText(s.productionFirmware));
    key("Sectors", std::to_string(s.sectors));
    number("Lost", s.lost ? 1 : 0);
    number("EraseCount", s.eraseCount);
    number("SecureEraseCount", s.secureEraseCount);
    number("SmartResetCount", s.smartResetCount);
    number("RdtMark", s.rdtMark);
    key("CeMask", std::to_string(s.ceMask));
    line("");

    line("[Flash]");
    key("Id", FlashIdText(s.flash.id));
    key("Part", EncodeStoreText(s.flash.part));
    number("CE", s.flash.ce);
    number("DiePerCE", s.flash.diePerCe);
    number("Planes", s.flash.planes);
    number("BlocksPerPlane", s.flash.blocksPerPlane);
    line("");

    line("[BadBlocks]");
    std::string list;
    for (const BadBlock& b : s.factoryBad)
        list += (list.empty() ? "" : " ") + BlockText(b);
    key("Factory", list);
    list.clear();
    for (const BadBlock& b : s.weakBad)
        list += (list.empty() ? "" : " ") + WeakBlockText(b);
    key("Weak", list);
    key("WeakState", s.weakState == WeakState::Hidden  ? "Hidden"
                     : s.weakState == WeakState::Grown ? "Grown"
                                                       : "Retired");
    line("");

    const BurnInRecord& r = s.burnIn;
    line("[BurnIn]");
    number("Done", r.done ? 1 : 0);
    key("Firmware", EncodeStoreText(r.firmware));
    number("TlcLoop", r.tlcLoop);
    number("SlcLoop", r.slcLoop);
    number("EccThreshold", r.eccThreshold);
    number("SlcEccThreshold", r.slcEccThreshold);
    number("Seconds", r.seconds);
    list.clear();
    for (const TemperatureReading& t : r.readings) {
        list += Format("%s%d.%d.%d", list.empty() ? "" : " ", t.loop, t.cycle, t.step);
        for (const int c : t.celsius)
            list += Format(".%d", c);
        list += Format(".%d", t.timeMs);
    }
    key("Readings", list);
    list.clear();
    for (const BurnInFail& f : r.fails) {
        list += Format("%s%s.%d.%d.%d.%d.%d.%d.%d.%d", list.empty() ? "" : " ",
                       WeakBlockText(f.block).c_str(), f.page, f.totalLoop, f.runLoop, f.runCycle, f.step,
                       f.stage, f.overThresholdBits, f.timeStamp);
    }
    key("Fails", list);
    line("");

    line("[History]");
    std::string hex;
    hex.reserve(2 * s.history.size());
    for (const uint8_t b : s.history)
        hex += Format("%02X", b);
    key("Data", hex);
    return out;
}

Status ParseDriveState(std::string_view text, DriveState& out) {
    StateReader in(text);
    DriveState s;
    s.name = in.Text("Drive", "Name");
    s.model = in.Text("Drive", "Model");
    s.serial = in.Text("Drive", "Serial");
    s.firmware = in.Text("Drive", "Firmware");
    s.productionFirmware = in.Text("Drive", "ProductionFirmware");
    s.sectors = in.Number<uint64_t>("Drive", "Sectors");
    s.lost = in.Number<int>("Drive", "Lost") != 0;
    s.eraseCount = in.Number<int>("Drive", "EraseCount");
    s.secureEraseCount = in.Number<int>("Drive", "SecureEraseCount");
    s.smartResetCount = in.Number<int>("Drive", "SmartResetCount");
    s.rdtMark = in.Number<int>("Drive", "RdtMark");
    s.ceMask = in.Number<uint32_t>("Drive", "CeMask");

    if (!ParseFlashIdText(in.Text("Flash", "Id"), s.flash.id))
        in.Damaged("Flash", "Id");
    s.flash.part = in.Text("Flash", "Part");
    s.flash.ce = in.Number<int>("Flash", "CE");
    s.flash.diePerCe = in.Number<int>("Flash", "DiePerCE");
    s.flash.planes = in.Number<int>("Flash", "Planes");
    s.flash.blocksPerPlane = in.Number<int>("Flash", "BlocksPerPlane");
    if (s.flash.ce < 1 || s.flash.ce > 32 || s.flash.diePerCe < 1 || s.flash.diePerCe > 8 ||
        s.flash.planes < 1 || s.flash.planes > 4 || s.flash.blocksPerPlane < 1)
        in.Damaged("Flash", "CE");

    for (const auto& f : in.Records("BadBlocks", "Factory", 3)) {
        BadBlock b;
        in.Field(f[0], b.ce, "BadBlocks", "Factory");
        in.Field(f[1], b.die, "BadBlocks", "Factory");
        in.Field(f[2], b.block, "BadBlocks", "Factory");
        s.factoryBad.push_back(b);
    }
    for (const auto& f : in.Records("BadBlocks", "Weak", 4)) {
        BadBlock b;
        in.Field(f[0], b.ce, "BadBlocks", "Weak");
        in.Field(f[1], b.die, "BadBlocks", "Weak");
        in.Field(f[2], b.block, "BadBlocks", "Weak");
        if (!ToKind(f[3], b.kind))
            in.Damaged("BadBlocks", "Weak");
        s.weakBad.push_back(b);
    }
    const std::string weakState = in.Text("BadBlocks", "WeakState");
    if (weakState == "Hidden")
        s.weakState = WeakState::Hidden;
    else if (weakState == "Grown")
        s.weakState = WeakState::Grown;
    else if (weakState == "Retired")
        s.weakState = WeakState::Retired;
    else
        in.Damaged("BadBlocks", "WeakState");

    BurnInRecord& r = s.burnIn;
    r.done = in.Number<int>("BurnIn", "Done") != 0;
    r.firmware = in.Text("BurnIn", "Firmware");
    r.tlcLoop = in.Number<int>("BurnIn", "TlcLoop");
    r.slcLoop = in.Number<int>("BurnIn", "SlcLoop");
    r.eccThreshold = in.Number<int>("BurnIn", "EccThreshold");
    r.slcEccThreshold = in.Number<int>("BurnIn", "SlcEccThreshold");
    r.seconds = in.Number<int>("BurnIn", "Seconds");
    for (const auto& f : in.Records("BurnIn", "Readings", 10)) {
        TemperatureReading t;
        in.Field(f[0], t.loop, "BurnIn", "Readings");
        in.Field(f[1], t.cycle, "BurnIn", "Readings");
        in.Field(f[2], t.step, "BurnIn", "Readings");
        for (size_t k = 0; k < t.celsius.size(); ++k)
            in.Field(f[3 + k], t.celsius[k], "BurnIn", "Readings");
        in.Field(f[9], t.timeMs, "BurnIn", "Readings");
        r.readings.push_back(t);
    }
    for (const auto& f : in.Records("BurnIn", "Fails", 12)) {
        BurnInFail x;
        in.Field(f[0], x.block.ce, "BurnIn", "Fails");
        in.Field(f[1], x.block.die, "BurnIn", "Fails");
        in.Field(f[2], x.block.block, "BurnIn", "Fails");
        if (!ToKind(f[3], x.block.kind))
            in.Damaged("BurnIn", "Fails");
        int* fields[] = {&x.page, &x.totalLoop, &x.runLoop,           &x.runCycle,
                         &x.step, &x.stage,     &x.overThresholdBits, &x.timeStamp};
        for (size_t k = 0; k < std::size(fields); ++k)
            in.Field(f[4 + k], *fields[k], "BurnIn", "Fails");
        r.fails.push_back(x);
    }

    const std::string hex = in.Text("History", "Data");
    if (hex.size() != 2 * s.history.size())
        in.Damaged("History", "Data");
    for (size_t i = 0; i < s.history.size() && i * 2 + 1 < hex.size(); ++i) {
        const int high = HexDigitValue(hex[2 * i]);
        const int low = HexDigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            in.Damaged("History", "Data");
        s.history[i] = static_cast<uint8_t>((high << 4) | (low & 0xF));
    }

    // Blocks outside the layout would index past the report tables.
    const auto outside = [&s](const BadBlock& b) {
        return b.ce < 0 || b.ce >= s.flash.ce || b.die < 0 || b.die >= s.flash.diePerCe || b.block < 0 ||
               b.block >= s.flash.BlocksPerDie();
    };
    if (std::any_of(s.factoryBad.begin(), s.factoryBad.end(), outside))
        in.Damaged("BadBlocks", "Factory");
    if (std::any_of(s.weakBad.begin(), s.weakBad.end(), outside))
        in.Damaged("BadBlocks", "Weak");
    for (const BurnInFail& f : r.fails) {
        if (outside(f.block))
            in.Damaged("BurnIn", "Fails");
    }

    if (!in.error.empty())
        return Status::Error(in.error);
    out = std::move(s);
    return Status::Ok();
}

Status LoadDriveState(const std::filesystem::path& file, DriveState& out) {
    const FileRead read = ReadFile(file);
    if (read.outcome != FileRead::kRead)
        return Status::Error(Format("cannot read the drive state %s", file.c_str()));
    const Status parsed = ParseDriveState(read.bytes, out);
    if (!parsed.ok())
        return Status::Error(Format("%s: %s", file.c_str(), parsed.message().c_str()));
    return parsed;
}

Status SaveDriveState(const std::filesystem::path& file, const DriveState& state) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    return WriteFileAtomically(file, SerializeDriveState(state));
}

} // namespace varnet::sim
