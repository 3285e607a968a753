// A report file that appears complete or not at all.
//
// A regular file (or a path that does not exist yet) is written to a
// temporary file beside it and renamed into place by commit(), so a failed or
// interrupted run leaves a previous file as it was. A device, pipe or terminal
// is written directly and nothing is created beside it.
#pragma once

#include <cstdio>
#include <string>

namespace gstboot {

class OutputFile {
public:
    // Opens for writing; throws Error (status 1) when the file cannot be
    // created, naming the path as given.
    explicit OutputFile(std::string path);
    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends text; a failure is remembered and reported by commit().
    void write(const std::string& text);

    // Flushes, closes and puts the file in place. Throws Error (status 1) on
    // any failure, leaving a previous file unchanged.
    void commit();

    // Path of the temporary file, empty when writing directly.
    const std::string& temppath() const { return temp_; }

private:
    [[noreturn]] void fail(const std::string& what, int err);

    std::string path_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    int error_ = 0;
    bool committed_ = false;
};

}  // namespace gstboot
