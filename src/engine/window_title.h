// The main window's title, composed once at start-up from the customer
// record: the product line and version, an edition for customer codes that
// have one, and the note that an edition only sorts flash. Plain text, no
// screen: the window sets it, tests read it.
#pragma once

#include "config/customer_record.h"

#include <string>

namespace varnet {

// The edition name a customer code carries in the title, in parentheses
// ("(Industrial Edition)"), or empty when the code has none. Code 8 has one
// only with the alternative base title (byte 49).
std::string EditionName(const CustomerRecord& customer, int uiLanguage);

// "QC7720-Qm&Tr-v6.0" for most customers, "KV7041-Varnet -v6.0" for the base
// edition (code 8); codes 1-7 and 9 add " (edition)" at the end, code 8 with
// byte 49 puts "(edition)" before "-v6.0"; byte 39 appends
// "(Only For Sorting Flash)" ("(仅用于Sorting Flash)" in Chinese).
std::string ComposeWindowTitle(const CustomerRecord& customer, int uiLanguage);

} // namespace varnet
