// UTF-8 and UTF-16 names, and Windows error codes as errno ones, for the
// Windows side of this folder.
#pragma once

#include <string>

namespace gstboot {
namespace windows {

// `text` as UTF-16; false (errno EILSEQ) when it is not valid UTF-8.
bool widen(const std::string& text, std::wstring& wide);

// `wide` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string narrow(const wchar_t* wide);

// The errno code nearest to a GetLastError() code, so that a message reads
// as it would on Linux ("No such file or directory", "Permission denied");
// EIO for a code without one.
int errnoof(unsigned long code);

// The errno code of GetLastError().
int lasterrno();

}  // namespace windows
}  // namespace gstboot
