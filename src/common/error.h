// The one error type of the program. It is thrown where a fault is found and
// caught once, in main, which maps its kind to an exit status (exitstatus())
// and prints the message as one line on standard error.
#pragma once

#include <stdexcept>
#include <string>

namespace gstboot {

enum class ErrorKind {
    input,     // an input file is missing, unreadable or invalid
    output,    // an output (a file, standard output) cannot be created or written
    usage,     // the command line is wrong
    system,    // the system refused a resource: memory, threads
    internal,  // a state that must not happen: a bug
};

// The exit status of each kind, in one table.
constexpr int exitstatus(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::input: return 1;
        case ErrorKind::output: return 1;
        case ErrorKind::usage: return 2;
        case ErrorKind::system: return 1;
        case ErrorKind::internal: return 70;
    }
    return 70;
}

class Error : public std::runtime_error {
public:
    // `message` is the line for standard error, without its line end (a
    // usage error adds a second line with the hint). `console` is text for
    // standard output before it, with no line end: only the historical form
    // of a missing input file has one.
    Error(ErrorKind kind, std::string message, std::string console = std::string())
        : std::runtime_error(std::move(message)), kind_(kind), console_(std::move(console)) {}

    ErrorKind kind() const noexcept { return kind_; }
    int status() const noexcept { return exitstatus(kind_); }
    const std::string& console() const noexcept { return console_; }

private:
    ErrorKind kind_;
    std::string console_;
};

}  // namespace gstboot
