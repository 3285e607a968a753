// The one error type of the program. It is thrown where a fault is found and
// caught once, in main, which prints the message and exits with `status`.
#pragma once

#include <stdexcept>
#include <string>

namespace gstboot {

class Error : public std::runtime_error {
public:
    // Where the message goes. A missing input file keeps its historical form:
    // standard output, no line end. Everything else is one line on stderr.
    enum class Channel { stderr_line, stdout_bare };

    Error(int status, std::string message, Channel channel = Channel::stderr_line)
        : std::runtime_error(std::move(message)), status_(status), channel_(channel) {}

    int status() const noexcept { return status_; }
    Channel channel() const noexcept { return channel_; }

private:
    int status_;
    Channel channel_;
};

// Exit statuses.
constexpr int EXIT_INPUT = 1;   // unreadable or invalid input, failed output
constexpr int EXIT_USAGE = 2;   // bad command line

}  // namespace gstboot
