#include "app/station_overview.h"

#include "config/startup_files.h"
#include "config/station_file.h"
#include "config/station_selection.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "results/results_store.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

int PrintStationOverview(const std::filesystem::path& appDir, std::FILE* out) {
    // Folder and file names, and every text a station file holds, are bytes
    // in whatever encoding they were typed in: what is printed is UTF-8 a
    // reader (or a script) can take whole.
    const auto print = [out](std::string_view text) {
        const std::string shown = ValidUtf8(text);
        std::fwrite(shown.data(), 1, shown.size(), out);
    };
    FlashDatabase flashDb;
    CustomerRecord customer;
    if (const auto missing = LoadRequiredFiles(appDir, flashDb, customer)) {
        print(Format("%s\n", std::string(MissingFileMessage(*missing)).c_str()));
        return 1;
    }
    if (const Status folders = PrepareFolders(appDir, LogDateFolderNow()); !folders.ok())
        print(Format("warning: %s\n", folders.message().c_str()));

    print(Format("station folder   %s\n", std::filesystem::absolute(appDir).lexically_normal().c_str()));
    print(Format("flash database   %zu parts\n", flashDb.Records().size()));
    print(Format("customer record  %s, customer code %u\n", customer.Valid() ? "valid" : "blank",
                 customer.CustomerCode()));
    print(Format("language         %d, OS generation %d\n", UiLanguageFromEnvironment(), OsGeneration()));
    // The caller holds the folder: a run still RUNNING was left so by a
    // program that was killed, and says so from now on.
    std::error_code exists;
    if (const std::filesystem::path database = ResultsDatabasePath(appDir);
        std::filesystem::exists(database, exists)) {
        ResultsStore store;
        Status status;
        int64_t marked = 0;
        if (store.Open(database, 2000, status) == SchemaOutcome::kReady)
            status = store.MarkInterrupted(marked);
        if (!status.ok())
            print(Format("warning: the results database: %s\n", status.message().c_str()));
        else if (marked > 0)
            print(Format("interrupted      %lld runs a stopped program left running\n",
                         static_cast<long long>(marked)));
    }

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
        print(Format("\n%s\n", file.filename().c_str()));
        // The record reads a damaged selection as station 0; Start judges
        // the key's own text and refuses the file, and so does the listing.
        if (const std::optional<int> station = ReadStationSelection(file))
            print(Format("  station   %02d_%s (%s)\n", *station + 1, names.Get(*station + 1).c_str(),
                         std::string(FieldText(r.TestStation)).c_str()));
        else
            print(
                "  station   invalid: TestStationSel in [General Info] is missing or is not a station number "
                "from 0 to 7, so Start refuses this file\n");
        print(Format("  flash     %s, %u CE, %u MB, family %u\n", std::string(FieldText(r.ID)).c_str(),
                     r.Flh_Number, r.Flh_Capacity, flashDb.FamilyOf(r.flashId)));
        print(Format("  firmware  %s (%s)\n", std::string(FieldText(r.ICFWVersion)).c_str(),
                     std::string(FieldText(r.ispMpImage)).c_str()));
        print(Format("  model     %s, serial numbers %s .. %s (%s)\n",
                     std::string(FieldText(r.ModelName)).c_str(), std::string(FieldText(r.SN_Start)).c_str(),
                     std::string(FieldText(r.SN_End)).c_str(), r.SN_Set ? "set by the station" : "not set"));
    }
    return 0;
}

} // namespace varnet
