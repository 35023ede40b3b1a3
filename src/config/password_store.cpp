#include "config/password_store.h"

#include "config/scrambled_file.h"
#include "platform/file_io.h"
#include "platform/text.h"

#include <algorithm>

namespace varnet {

std::string DecodeStoredPassword(std::span<const uint8_t> fileBytes) {
    if (fileBytes.size() <= kPasswordOffset)
        return {};
    // Descrambling only the file's own bytes keeps the key bytes a padded last
    // word would produce out of the password.
    std::vector<uint8_t> plain(fileBytes.begin(), fileBytes.end());
    ScrambleInPlace(plain);
    const auto first = plain.begin() + kPasswordOffset;
    const auto limit =
        first + static_cast<std::ptrdiff_t>(std::min(plain.size() - kPasswordOffset, kPasswordMaxLength));
    const auto end = std::find(first, limit, uint8_t{0});
    return ToLowerAscii(std::string(first, end));
}

std::optional<std::string> ReadStoredPassword(const std::filesystem::path& file) {
    const std::optional<std::string> content = ReadWholeFile(file);
    if (!content)
        return std::nullopt;
    return DecodeStoredPassword(AsBytes(*content));
}

std::vector<uint8_t> EncodePasswordChange(std::span<const uint8_t> oldFileBytes,
                                          std::string_view newPassword) {
    const std::string password = ToLowerAscii(newPassword);
    // Rounding down never cuts the password: 312 is whole words, so the buffer
    // always has room for it, with a terminator unless its length is whole words
    // (then the file's end ends it).
    const size_t size = (kPasswordOffset + password.size() + 3) / 4 * 4;
    std::vector<uint8_t> buffer(size, 0);

    // A file shorter than the customer area is completed the way the customer
    // record reader sees it, with descrambled zero padding (key bytes), so the
    // record decodes the same before and after the change.
    const size_t kept = std::min(oldFileBytes.size(), kPasswordOffset);
    std::copy_n(oldFileBytes.begin(), kept, buffer.begin());
    ScrambleInPlace(std::span(buffer).first(kPasswordOffset));

    std::copy(password.begin(), password.end(), buffer.begin() + kPasswordOffset);
    ScrambleInPlace(buffer);
    return buffer;
}

Status WriteStoredPassword(const std::filesystem::path& file, std::string_view newPassword) {
    // A longer password would be stored whole but read back cut to 127
    // characters, and would never unlock again.
    if (newPassword.size() > kPasswordMaxLength)
        return Status::Error("The password can have at most 127 characters.");
    return UpdateFile(
        file,
        [&](const std::string& current) -> std::optional<std::string> {
            // UpdateFile hands a missing file over as empty content; an empty file
            // that exists is still rewritten, a missing one never created.
            std::error_code ec;
            if (current.empty() && !std::filesystem::exists(file, ec))
                return std::nullopt;
            const std::vector<uint8_t> bytes = EncodePasswordChange(AsBytes(current), newPassword);
            return std::string(bytes.begin(), bytes.end());
        },
        "Customer BIN is Missing!");
}

bool PasswordMatches(std::string_view typed, std::string_view stored) {
    return EqualsNoCase(typed, stored);
}

} // namespace varnet
