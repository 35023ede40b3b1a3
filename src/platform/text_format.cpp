#include "platform/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace varnet {

std::string Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    char small[256];
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (needed < 0) {
        va_end(again);
        return out;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        out.assign(small, static_cast<size_t>(needed));
    } else {
        try {
            out.resize(static_cast<size_t>(needed));
            std::vsnprintf(out.data(), out.size() + 1, format, again);
        } catch (...) {
            out.clear();
        }
    }
    va_end(again);
    return out;
}

} // namespace varnet
