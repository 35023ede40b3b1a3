#include "app/station_overview.h"

#include "config/startup_files.h"
#include "config/station_file.h"
#include "platform/system_info.h"
#include "platform/text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace varnet {

int PrintStationOverview(const std::filesystem::path& appDir, std::FILE* out) {
    FlashDatabase flashDb;
    CustomerRecord customer;
    if (const auto missing = LoadRequiredFiles(appDir, flashDb, customer)) {
        std::fprintf(out, "%s\n", std::string(MissingFileMessage(*missing)).c_str());
        return 1;
    }
    if (const Status folders = PrepareFolders(appDir, LogDateFolderNow()); !folders.ok())
        std::fprintf(out, "warning: %s\n", folders.message().c_str());

    std::fprintf(out, "station folder   %s\n", std::filesystem::absolute(appDir).lexically_normal().c_str());
    std::fprintf(out, "flash database   %zu parts\n", flashDb.Records().size());
    std::fprintf(out, "customer record  %s, customer code %u\n", customer.Valid() ? "valid" : "blank",
                 customer.CustomerCode());
    std::fprintf(out, "language         %d, OS generation %d\n", UiLanguageFromEnvironment(), OsGeneration());

    std::vector<std::filesystem::path> stationFiles;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(appDir, ec)) {
        if (entry.is_regular_file() && entry.path().filename().string().find(".ini") != std::string::npos)
            stationFiles.push_back(entry.path());
    }
    std::sort(stationFiles.begin(), stationFiles.end());
    StationNameTable names;
    for (const auto& file : stationFiles) {
        ST_STATION_CONFIG r;
        LoadStationConfig(file, r, names, {.customerCode = customer.CustomerCode()});
        const int station = r.TestStationSel % kStationCount;
        std::fprintf(out, "\n%s\n  station   %02d_%s (%s)\n", file.filename().c_str(), station + 1,
                     names.Get(station + 1).c_str(), std::string(FieldText(r.TestStation)).c_str());
        std::fprintf(out, "  flash     %s, %u CE, %u MB, family %u\n", std::string(FieldText(r.ID)).c_str(),
                     r.Flh_Number, r.Flh_Capacity, flashDb.FamilyOf(r.flashId));
        std::fprintf(out, "  firmware  %s (%s)\n", std::string(FieldText(r.ICFWVersion)).c_str(),
                     std::string(FieldText(r.ispMpImage)).c_str());
        std::fprintf(out, "  model     %s, serial numbers %s .. %s (%s)\n",
                     std::string(FieldText(r.ModelName)).c_str(), std::string(FieldText(r.SN_Start)).c_str(),
                     std::string(FieldText(r.SN_End)).c_str(), r.SN_Set ? "set by the station" : "not set");
    }
    return 0;
}

} // namespace varnet
