// Helpers shared by the tests: scratch folders, files, and runs of the real
// executable with their standard output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

namespace testutil {

// A fresh empty folder, removed with its contents at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs the gstboot executable in `dir` with `args`.
RunResult rungstboot(const std::string& dir, const std::vector<std::string>& args);

std::string readfile(const std::string& path);
void writefile(const std::string& path, const std::string& text);
bool exists(const std::string& path);
std::vector<std::string> listdir(const std::string& path);

// Folder of the bundled test data.
std::string testdata(const std::string& sub);

}  // namespace testutil

#include <memory>

#include "data/dataset.h"

namespace testutil {

// A data set read in-process from the texts of the two files; warnings of
// the reader go to `warnings` when given.
std::unique_ptr<gstboot::DataSet> parsedata(const std::string& mhctext, const std::string& mictext,
                                            std::vector<std::string>* warnings = nullptr);

// Reads one file's text with readmhc (mhc = true) or readmic into ds.
void parseinto(gstboot::DataSet& ds, bool mhc, const std::string& text, const std::string& name,
               std::vector<std::string>* warnings = nullptr);

}  // namespace testutil
