// The settings password, kept after the customer record in the scrambled
// Bin/SB_ISP_Ram.BIN: descrambled bytes 312 onward, up to the first zero byte.
#pragma once

#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

inline constexpr size_t kPasswordOffset = 312;
inline constexpr size_t kPasswordMaxLength = 127;

// The stored password of a file's raw bytes, lower case: at most 127 bytes
// from byte 312 up to the first zero or the file's end; empty for a file of
// 312 bytes or fewer.
std::string DecodeStoredPassword(std::span<const uint8_t> fileBytes);

// nullopt when the file cannot be read ("Customer BIN is Missing!").
std::optional<std::string> ReadStoredPassword(const std::filesystem::path& file);

// The raw bytes of the file after a password change: (312 + length + 3)
// rounded down to whole words, bytes 0-311 of the descrambled old content
// kept, then the new password, zero-filled, scrambled.
std::vector<uint8_t> EncodePasswordChange(std::span<const uint8_t> oldFileBytes,
                                          std::string_view newPassword);

// Rewrites the file with the new password in one atomic replacement; fails
// (writing nothing) when the file cannot be read or replaced, or when the
// password is longer than the 127 characters a read gives back.
Status WriteStoredPassword(const std::filesystem::path& file, std::string_view newPassword);

// Case-insensitive comparison of what the operator typed with the stored password.
bool PasswordMatches(std::string_view typed, std::string_view stored);

} // namespace varnet
