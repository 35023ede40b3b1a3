// The main window's title for every kind of customer record.
#include "engine/window_title.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

CustomerRecord Customer(uint8_t code, bool sortingOnly = false, bool alternativeBase = false) {
    CustomerRecord record;
    record.bytes[16] = code;
    record.bytes[39] = sortingOnly ? 1 : 0;
    record.bytes[49] = alternativeBase ? 1 : 0;
    return record;
}

TEST(WindowTitle, ByCustomerCodeAndOptionBytes) {
    struct Case {
        CustomerRecord customer;
        int language;
        const char* title;
    };
    const Case cases[] = {
        {Customer(0), 0, "QC7720-Qm&Tr-v6.0"},
        {Customer(0), 1, "QC7720-Qm&Tr-v6.0"},
        {Customer(8), 0, "KV7041-Varnet -v6.0"},
        // The alternative base title puts its edition after the space, before the version.
        {Customer(8, false, true), 0, "KV7041-Varnet (Lite Edition)-v6.0"},
        {Customer(8, false, true), 1, "KV7041-Varnet (精简版)-v6.0"},
        {Customer(1), 0, "QC7720-Qm&Tr-v6.0 (Industrial Edition)"},
        {Customer(6), 1, "QC7720-Qm&Tr-v6.0 (性能版)"},
        {Customer(9), 0, "QC7720-Qm&Tr-v6.0 (Factory Edition)"},
        // Byte 49 means nothing outside the base edition.
        {Customer(0, false, true), 0, "QC7720-Qm&Tr-v6.0"},
        {Customer(0, true), 0, "QC7720-Qm&Tr-v6.0(Only For Sorting Flash)"},
        {Customer(0, true), 1, "QC7720-Qm&Tr-v6.0(仅用于Sorting Flash)"},
        {Customer(8, true), 0, "KV7041-Varnet -v6.0(Only For Sorting Flash)"},
        {Customer(3, true), 2, "QC7720-Qm&Tr-v6.0 (Client Edition)(Only For Sorting Flash)"},
        // A code beyond the table is no edition at all.
        {Customer(12), 0, "QC7720-Qm&Tr-v6.0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeWindowTitle(c.customer, c.language), c.title)
            << "code " << int(c.customer.CustomerCode()) << " language " << c.language;
}

} // namespace
} // namespace varnet
