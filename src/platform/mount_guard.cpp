#include "platform/mount_guard.h"

#include "platform/diagnostic_log.h"
#include "platform/file_io.h"
#include "platform/sysfs_files.h"
#include "platform/text_format.h"

#include <charconv>

namespace varnet {
namespace {

// dm on md on dm on partitions is as deep as real stacks go; the bound only
// keeps a looping layout from recursing forever.
constexpr int kMaxLayers = 16;

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

template <typename Visit> void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        visit(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

bool ParseUnsigned(std::string_view text, unsigned& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool IsUnder(std::string_view path, std::string_view folder) {
    return path == folder || (path.starts_with(folder) && path[folder.size()] == '/');
}

} // namespace

std::string UnescapeMountField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) && isOctal(text[i + 2]) &&
            isOctal(text[i + 3])) {
            int value = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            if (value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> entries;
    ForEachLine(text, [&](std::string_view line) {
        std::vector<std::string_view> fields = SplitFields(line);
        if (fields.size() < 6)
            return;
        std::string_view number = fields[2];
        size_t colon = number.find(':');
        MountEntry entry;
        if (colon == std::string_view::npos || !ParseUnsigned(number.substr(0, colon), entry.major) ||
            !ParseUnsigned(number.substr(colon + 1), entry.minor))
            return;
        entry.mountPoint = UnescapeMountField(fields[4]);
        // Optional fields run up to the lone "-"; the file system type and
        // the source follow it.
        for (size_t i = 6; i < fields.size(); ++i) {
            if (fields[i] == "-") {
                if (i + 2 < fields.size())
                    entry.source = UnescapeMountField(fields[i + 2]);
                break;
            }
        }
        entries.push_back(std::move(entry));
    });
    return entries;
}

std::vector<std::string> ParseSwaps(std::string_view text) {
    std::vector<std::string> names;
    ForEachLine(text, [&](std::string_view line) {
        std::vector<std::string_view> fields = SplitFields(line);
        if (fields.empty() || fields[0] == "Filename")
            return;
        names.push_back(UnescapeMountField(fields[0]));
    });
    return names;
}

bool IsSystemMountPoint(std::string_view mountPoint) {
    return mountPoint == "/" || mountPoint == "/home" || IsUnder(mountPoint, "/boot") ||
           IsUnder(mountPoint, "/usr") || IsUnder(mountPoint, "/var");
}

bool MountGuard::Usage::Absorb(const Usage& other) {
    bool added = false;
    if (other.system && !system) {
        system = true;
        added = true;
    }
    if (other.firstMount < firstMount) {
        firstMount = other.firstMount;
        added = true;
    }
    return added;
}

// A table that cannot be read leaves the guard failed, with the reason.
bool MountGuard::ReadTable(const std::string& path, const char* what, std::string& bytes) {
    FileRead read = ReadFile(path);
    if (read.outcome == FileRead::kRead) {
        bytes = std::move(read.bytes);
        return true;
    }
    failed_ = true;
    problem_ = read.outcome == FileRead::kMissing
                   ? Format("no disk is bound: the %s %s is missing", what, path.c_str())
                   : Format("no disk is bound: %s (the %s)", read.error.c_str(), what);
    return false;
}

MountGuard::MountGuard(const std::filesystem::path& root) : root_(sysfs::RootPrefix(root)) {
    try {
        std::string mounts;
        std::string swaps;
        if (!ReadTable(root_ + "/proc/self/mountinfo", "mount table", mounts) ||
            !ReadTable(root_ + "/proc/swaps", "swap list", swaps))
            return;
        const std::vector<MountEntry> entries = ParseMountInfo(mounts);
        std::vector<std::string> deviceOfEntry(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            const MountEntry& entry = entries[i];
            std::string name;
            if (entry.major != 0)
                name = NameOfDevice(entry.major, entry.minor);
            if (name.empty() && entry.source.starts_with("/dev/"))
                name = NameOfDevPath(entry.source);
            if (name.empty())
                continue;
            deviceOfEntry[i] = name;
            Usage usage;
            if (IsSystemMountPoint(entry.mountPoint)) {
                usage.system = true;
            } else {
                usage.firstMount = mountPoints_.size();
                mountPoints_.push_back(entry.mountPoint);
            }
            MarkUsed(name, usage, 0);
        }
        const Usage swap{.system = true};
        for (const std::string& name : ParseSwaps(swaps)) {
            if (name.starts_with("/dev/")) {
                MarkUsed(NameOfDevPath(name), swap, 0);
                continue;
            }
            // A swap file pins the file system it lives on: the mount with
            // the longest mount point above it.
            size_t holder = entries.size();
            for (size_t i = 0; i < entries.size(); ++i) {
                const std::string& point = entries[i].mountPoint;
                const bool above = point == "/" ? name.starts_with('/') : IsUnder(name, point);
                if (above && (holder == entries.size() || point.size() >= entries[holder].mountPoint.size()))
                    holder = i;
            }
            if (holder != entries.size())
                MarkUsed(deviceOfEntry[holder], swap, 0);
        }
    } catch (...) {
        LogCaught();
        failed_ = true;
        try {
            problem_ = "no disk is bound: the mount tables could not be examined";
        } catch (...) {
        }
    }
}

std::string MountGuard::ClassBlock(std::string_view name) const {
    std::string path = root_ + "/sys/class/block/";
    path += name;
    return path;
}

std::string MountGuard::NameOfDevice(unsigned major, unsigned minor) {
    std::string number = std::to_string(major) + ":" + std::to_string(minor);
    if (std::optional<std::string> target = sysfs::ReadLink(root_ + "/sys/dev/block/" + number))
        return std::string(sysfs::BaseName(*target));
    if (!numbersScanned_) {
        numbersScanned_ = true;
        std::string folder = root_ + "/sys/class/block";
        for (const std::string& name : sysfs::ListFolder(folder).value_or(std::vector<std::string>())) {
            if (std::optional<std::string> dev = sysfs::ReadAttribute(folder + "/" + name + "/dev"))
                nameByNumber_.emplace(*dev, name);
        }
    }
    auto found = nameByNumber_.find(number);
    return found == nameByNumber_.end() ? std::string() : found->second;
}

std::string MountGuard::NameOfDevPath(const std::string& devPath) {
    // /dev/mapper/<name> and /dev/disk/by-*/ are links to the kernel name.
    std::string full = root_ + devPath;
    std::string name(sysfs::BaseName(devPath));
    if (std::optional<std::string> target = sysfs::ReadLink(full))
        name = sysfs::BaseName(sysfs::ResolveLinkTarget(sysfs::ParentPath(full), *target));
    if (!name.empty() && sysfs::Exists(ClassBlock(name)))
        return name;
    if (devPath.starts_with("/dev/mapper/")) {
        std::string_view mapped = sysfs::BaseName(devPath);
        for (const std::string& entry :
             sysfs::ListFolder(root_ + "/sys/class/block").value_or(std::vector<std::string>())) {
            if (entry.starts_with("dm-") && sysfs::ReadAttribute(ClassBlock(entry) + "/dm/name") == mapped)
                return entry;
        }
    }
    return std::string();
}

void MountGuard::MarkUsed(const std::string& name, const Usage& usage, int depth) {
    if (name.empty() || name.find('/') != std::string::npos || depth > kMaxLayers)
        return;
    if (!used_[name].Absorb(usage))
        return;
    std::string folder = ClassBlock(name);
    if (sysfs::Exists(folder + "/partition")) {
        if (std::optional<std::string> target = sysfs::ReadLink(folder)) {
            std::string resolved = sysfs::ResolveLinkTarget(sysfs::ParentPath(folder), *target);
            MarkUsed(std::string(sysfs::BaseName(sysfs::ParentPath(resolved))), usage, depth + 1);
        }
    }
    for (const std::string& lower :
         sysfs::ListFolder(folder + "/slaves").value_or(std::vector<std::string>()))
        MarkUsed(lower, usage, depth + 1);
}

void MountGuard::AddDeviceUsage(const std::string& name, Usage& usage) const {
    if (auto found = used_.find(name); found != used_.end())
        usage.Absorb(found->second);
}

// Stacks the kernel shows only from below (no slaves/ on the upper device)
// are found by walking holders/ up from the disk.
void MountGuard::AddHolderUsage(const std::string& folder, Usage& usage, int depth) const {
    if (depth > kMaxLayers)
        return;
    for (const std::string& holder :
         sysfs::ListFolder(folder + "/holders").value_or(std::vector<std::string>())) {
        AddDeviceUsage(holder, usage);
        AddHolderUsage(ClassBlock(holder), usage, depth + 1);
    }
}

std::set<std::string> MountGuard::UsedDevices() const {
    std::set<std::string> names;
    for (const auto& [name, usage] : used_)
        names.insert(name);
    return names;
}

DiskUseVerdict MountGuard::Use(std::string_view diskName) {
    if (failed_)
        return {DiskUse::Station, {}};
    std::string disk(diskName);
    if (auto known = diskVerdicts_.find(disk); known != diskVerdicts_.end())
        return known->second;
    try {
        Usage usage;
        std::string folder = ClassBlock(disk);
        AddDeviceUsage(disk, usage);
        AddHolderUsage(folder, usage, 0);
        for (const std::string& entry : sysfs::ListFolder(folder).value_or(std::vector<std::string>())) {
            if (entry.size() > disk.size() && entry.starts_with(disk)) {
                AddDeviceUsage(entry, usage);
                AddHolderUsage(folder + "/" + entry, usage, 0);
            }
        }
        DiskUseVerdict verdict;
        if (usage.system)
            verdict.use = DiskUse::Station;
        else if (usage.firstMount != kNoMount)
            verdict = {DiskUse::Mounted, mountPoints_[usage.firstMount]};
        diskVerdicts_.emplace(disk, verdict);
        return verdict;
    } catch (...) {
        LogCaught();
        return {DiskUse::Station, {}};
    }
}

} // namespace varnet
