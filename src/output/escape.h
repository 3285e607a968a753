// Names and paths made safe for each place they are written to: one function
// per syntax, each total (any bytes in, text of that syntax out). Names come
// from input files and paths from the command line, so they may hold
// anything: bytes that are not UTF-8, control characters, bidirectional
// overrides.
#pragma once

#include <string>
#include <string_view>

namespace gstboot {

// `text` as valid UTF-8: each byte that does not begin or continue a
// well-formed sequence (an overlong form, a surrogate, a code point beyond
// U+10FFFF, a sequence cut short) becomes U+FFFD.
std::string validutf8(std::string_view text);

// A name as the figure draws it: valid UTF-8, wrapped in U+2068 ... U+2069
// (first-strong isolate) with the isolates inside balanced, so that a
// right-to-left override or mark in the name cannot reorder the text around
// it. Empty for an empty name.
std::string isolated(std::string_view name);

// Character data of XML 1.0 (text between tags), for the figure: valid
// UTF-8 whatever `text` is; & < > as entity references; the characters
// XML forbids (C0 controls, U+FFFE, U+FFFF), and DEL and the C1 controls,
// which it only discourages, as U+FFFD. The result is always well-formed.
std::string xmltext(std::string_view text);

// One cell of the tab-separated table: valid UTF-8; a tab, line feed or
// carriage return as a space and every other control character as U+FFFD,
// so that no cell can split its row; a double quote as an apostrophe, which
// R's read.delim would otherwise take as the start of a quoted field.
std::string tsvcell(std::string_view text);

// A line for the terminal (standard error): printable text kept, UTF-8
// included; every byte of a C0 control (line ends and tabs included), DEL or
// a sequence that is not UTF-8 as \xNN; the C1 controls and the invisible
// formatting characters that move or hide text (bidirectional marks,
// embeddings, overrides and isolates, line and paragraph separators) as
// \u{XXXX}. Nothing in the result is a terminal command.
std::string terminaltext(std::string_view text);

}  // namespace gstboot
