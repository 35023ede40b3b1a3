#include "config/startup_files.h"

#include "platform/text_format.h"

#include <ctime>

namespace fs = std::filesystem;

namespace varnet {

std::string_view MissingFileMessage(RequiredFile file) {
    switch (file) {
    case RequiredFile::kFlashDatabase:
        return "FlashInfo.dat is Missing!";
    case RequiredFile::kCustomerRecord:
        return "Customer BIN is Missing!";
    case RequiredFile::kDeviceLibrary:
        return "Load Dll Fail!";
    }
    return {};
}

std::optional<RequiredFile> LoadRequiredFiles(const fs::path& appDir, FlashDatabase& flashDb,
                                              CustomerRecord& customer) {
    if (flashDb.Load(appDir / "FlashInfo.dat") == -1)
        return RequiredFile::kFlashDatabase;
    if (!LoadCustomerRecord(appDir / "Bin" / "SB_ISP_Ram.BIN", customer))
        return RequiredFile::kCustomerRecord;
    return std::nullopt;
}

std::string LogDateFolder(const std::tm& localDate) {
    return Format("%04d%02d%02d", localDate.tm_year + 1900, localDate.tm_mon + 1, localDate.tm_mday);
}

std::string LogDateFolderNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return LogDateFolder(local);
}

Status PrepareFolders(const fs::path& appDir, std::string_view logDateFolder) {
    // Every step is tried even after one fails, so a blocked log folder never
    // leaves stale mapping files behind; the first failure is reported.
    Status first;
    auto note = [&first](Status status) {
        if (first.ok() && !status.ok())
            first = std::move(status);
    };
    auto makeFolder = [](const fs::path& folder) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec || !fs::is_directory(folder))
            return Status::Error(Format("cannot create the folder %s: %s", folder.c_str(),
                                        ec ? ec.message().c_str() : "a file is in the way"));
        return Status::Ok();
    };
    note(makeFolder(appDir / "Log" / logDateFolder));
    note(makeFolder(appDir / "Config"));
    for (const char* name : {"HubMapping.xml", "SlotMapping.xml"}) {
        const fs::path file = appDir / "Config" / name;
        std::error_code ec;
        fs::remove(file, ec);
        if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
            note(Status::Error(Format("cannot delete %s: %s", file.c_str(), ec.message().c_str())));
    }
    return first;
}

} // namespace varnet
