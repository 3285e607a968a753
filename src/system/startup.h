// What the program takes from the system as it starts.
#pragma once

#include <string>
#include <vector>

namespace gstboot {

// The arguments after the program's name, in UTF-8. POSIX: argv as given
// (bytes, whatever their encoding). Windows: the UTF-16 command line
// converted, so that names in any script survive (argv would hold them in
// the console's code page, with '?' for what it lacks). Throws Error (kind
// system) when the command line cannot be read.
std::vector<std::string> commandline(int argc, char** argv);

// Puts standard output and standard error in binary mode, so a line ends
// with LF alone on every system. Does nothing on POSIX, which has no other.
void binaryconsole();

}  // namespace gstboot
