// Inside the INI engine only: a text parsed from bytes that are held
// elsewhere (a whole file read once, see file_bytes.h), without copying them.
// Not for use outside src/platform: the text keeps the owner alive, and its
// lines point into the bytes.
#pragma once

#include "platform/ini_text.h"

#include <memory>
#include <string_view>
#include <utility>

namespace varnet {

struct IniTextAccess {
    static IniText Adopt(std::shared_ptr<const void> owner, std::string_view bytes) {
        return IniText::Adopt(std::move(owner), bytes);
    }
};

} // namespace varnet
