// An unexpected failure: what kind it is, what happened, and where it was raised.
#pragma once

#include <exception>
#include <source_location>
#include <string>

namespace Brindle::Shell {

class Failure : public std::exception {
public:
    Failure(std::wstring kind, std::wstring message,
            std::source_location where = std::source_location::current());

    // The system's error code with its message text, naming what failed.
    static Failure FromWin32(const std::wstring& what, unsigned long code,
                             std::source_location where = std::source_location::current());

    [[nodiscard]] const std::wstring& Kind() const noexcept { return kind_; }
    [[nodiscard]] const std::wstring& Message() const noexcept { return message_; }
    [[nodiscard]] const std::source_location& Where() const noexcept { return where_; }
    // Kind, message and place, for the log.
    [[nodiscard]] std::wstring FullText() const;
    [[nodiscard]] const char* what() const noexcept override { return narrow_.c_str(); }

private:
    std::wstring kind_;
    std::wstring message_;
    std::source_location where_;
    std::string narrow_;
};

// The two texts of any caught exception, whatever its type.
struct CaughtTexts {
    std::wstring message;
    std::wstring fullText;
};

// Call only inside a catch block: describes the exception being handled.
CaughtTexts DescribeCurrentException();

} // namespace Brindle::Shell
