// Compressed input: gzip, and bgzip, whose blocks are gzip members one after
// another. Reading it needs zlib; a build without zlib refuses it with a
// message that says how to read the file instead.
#pragma once

#include <string>

#include "input/textfile.h"

namespace gstboot {

// Whether this build reads compressed input.
bool canreadgzip();

// `file` (at its start) when its first bytes are not gzip's; otherwise its
// decompressed text in a temporary file at its start. Throws Error (status
// 1) naming `name`: for compressed input in a build without zlib, for data
// that is not valid gzip, and for a file that ends inside a member (cut
// short), at the line of the text it ends in and the byte of the file.
// The compressed bytes taken are told to `meter` (when given); a file
// returned as it is was not read.
FilePtr decompressed(FilePtr file, const std::string& name, ByteMeter* meter = nullptr);

}  // namespace gstboot
