// The files and folders the station cannot work without, checked at start-up
// in this order: the flash database, the customer record, the device library.
#pragma once

#include "config/customer_record.h"
#include "config/flash_database.h"
#include "platform/status.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

enum class RequiredFile { kFlashDatabase, kCustomerRecord, kDeviceLibrary };

// The message shown before the program ends: "FlashInfo.dat is Missing!",
// "Customer BIN is Missing!", "Load Dll Fail!".
std::string_view MissingFileMessage(RequiredFile file);

// Loads the flash database (appDir/FlashInfo.dat) and then the customer record
// (appDir/Bin/SB_ISP_Ram.BIN); the first one missing is returned and nothing
// after it is read. A customer record with a wrong marker is no failure.
std::optional<RequiredFile> LoadRequiredFiles(const std::filesystem::path& appDir, FlashDatabase& flashDb,
                                              CustomerRecord& customer);

// "%04d%02d%02d" of the local date.
std::string LogDateFolder(const std::tm& localDate);
std::string LogDateFolderNow();

// Creates Log/<logDateFolder>/ and Config/ under appDir when missing and
// deletes Config/HubMapping.xml and Config/SlotMapping.xml.
Status PrepareFolders(const std::filesystem::path& appDir, std::string_view logDateFolder);

} // namespace varnet
