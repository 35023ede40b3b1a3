// The result of an operation that can fail for reasons outside the program
// (a file that cannot be read or written, bad input). Failures are values,
// never exceptions, so they can cross any subsystem boundary.
#pragma once

#include <string>
#include <utility>

namespace varnet {

class [[nodiscard]] Status {
public:
    Status() = default;
    static Status Ok() { return Status(); }
    static Status Error(std::string message) { return Status(std::move(message)); }

    bool ok() const { return !failed_; }
    // Empty when ok.
    const std::string& message() const { return message_; }

private:
    explicit Status(std::string message) : message_(std::move(message)), failed_(true) {}
    std::string message_;
    bool failed_ = false;
};

} // namespace varnet
