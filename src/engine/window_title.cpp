#include "engine/window_title.h"

#include <array>

namespace varnet {
namespace {

constexpr const char* kVersion = "-v6.0";
constexpr const char* kBaseLine = "QC7720-Qm&Tr";
constexpr const char* kBaseEditionLine = "KV7041-Varnet ";

struct Edition {
    const char* english;
    const char* chinese;
};

// Index = customer code. Code 0 is the plain product; code 8 is the base
// edition, whose alternative title takes the last entry.
constexpr std::array<Edition, 10> kEditions = {{
    {"", ""},
    {"(Industrial Edition)", "(工业版)"},
    {"(Enterprise Edition)", "(企业版)"},
    {"(Client Edition)", "(消费版)"},
    {"(Embedded Edition)", "(嵌入式版)"},
    {"(Automotive Edition)", "(车规版)"},
    {"(Performance Edition)", "(性能版)"},
    {"(Secure Edition)", "(安全版)"},
    {"(Lite Edition)", "(精简版)"},
    {"(Factory Edition)", "(工厂版)"},
}};

} // namespace

std::string EditionName(const CustomerRecord& customer, int uiLanguage) {
    const uint8_t code = customer.CustomerCode();
    if (code == 0 || code >= kEditions.size() || (code == 8 && !customer.AlternativeBaseTitle()))
        return {};
    const Edition& edition = kEditions[code];
    return uiLanguage == 1 ? edition.chinese : edition.english;
}

std::string ComposeWindowTitle(const CustomerRecord& customer, int uiLanguage) {
    const std::string edition = EditionName(customer, uiLanguage);
    std::string title;
    if (customer.CustomerCode() == 8)
        title = std::string(kBaseEditionLine) + edition + kVersion;
    else
        title = std::string(kBaseLine) + kVersion + (edition.empty() ? "" : " " + edition);
    if (customer.SortingOnly())
        title += uiLanguage == 1 ? "(仅用于Sorting Flash)" : "(Only For Sorting Flash)";
    return title;
}

} // namespace varnet
