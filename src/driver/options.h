// The command line, parsed and checked before anything is read or written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "input/inputs.h"
#include "output/heatmap.h"

namespace gstboot {

struct Options {
    InputPaths inputs;
    Format mhcformat = Format::automatic;  // --mhc-format, --mic-format
    Format micformat = Format::automatic;
    std::optional<bool> correction;        // --correction on|off
    std::optional<Resampling> resample;    // --resample LIST
    MissingCodes missing;                  // --missing LIST
    std::string popmap;                    // --popmap: populations of a VCF file's samples
    std::string mhclocus;                  // --mhc-locus: the MHC locus read; empty: none picked
    std::string output = "output.txt";
    std::string table;  // --table: tab-separated per-pair table; empty: none
    std::string plot;   // --plot: SVG figure; empty: none
    std::string heatmap;  // --heatmap: SVG pair matrix; empty: none
    std::string study;    // --study: tidy table of the study's answer; empty: none
    std::string lociplot;   // --loci-plot: SVG of each locus's Gst against He; empty: none
    std::string matrices;   // --matrices: folder of population matrices; empty: none
    std::string diversity;  // --diversity: tidy table of each population's diversity; empty: none
    ColourScale heatmapscale = ColourScale::separate;  // --heatmap-scale
    int neutraldraws = 200;  // --neutral-draws: the MHC's draws in the neutral test (MIC loci a tenth); 0: off
    bool hasseed = false;      // --seed given; otherwise the clock's seconds
    std::uint32_t seed = 0;
    int threads = 0;           // 0: every hardware thread
    bool reference = false;    // score with the straightforward implementation
    bool timing = false;       // --timing: the time of each phase on standard error at the end
    bool polyploid = false;    // --polyploid: an MHC locus of more than two copies is one gene: test it
    bool help = false;
    bool version = false;
};

// What an option is given with.
enum class Takes {
    nothing,  // a switch: "--opt=value" is refused
    value,    // the next argument, or what follows '='
    path,     // a value that must not be empty: a file name
};

// One option, declared once: the parser, --help and the checks of
// gstboot(1) and the README all read it from optiontable(). Adding an
// option is adding an entry (and its field in Options).
struct OptionEntry {
    const char* name;       // "--seed"
    const char* shortname;  // "-h", or null
    Takes takes;
    const char* value;      // its placeholder in --help and gstboot(1) ("N", "FILE", "on|off"); null for a switch
    const char* help;       // --help text, lines broken by '\n' (column 17 added); null: listed with the
                            // next entry, on its line and sharing its text
    void (*apply)(Options& options, const std::string& value);  // checks and stores the value; throws as parseoptions
};

// Every option, in --help's order.
const std::vector<OptionEntry>& optiontable();

// Throws Error of kind usage and a one-line reason on an unknown option, a
// missing value or a bad value. Accepts "--opt value" and "--opt=value".
Options parseoptions(const std::vector<std::string>& args);

// Refuses (Error of kind usage) an output that is one file with an input or
// with another output: the same device and inode for files that exist, the
// same resolved folder and name for files that do not. Devices never clash.
// Looks at the file system but reads and writes nothing.
void checkfiles(const Options& options);

// The text of --help.
std::string usage();

// The project version of the build (CMakeLists.txt), its one source.
constexpr const char* VERSION = GSTBOOT_VERSION;

}  // namespace gstboot
