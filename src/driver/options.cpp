#include "driver/options.h"

#include <set>
#include <utility>

#include "common/error.h"
#include "system/samefile.h"

namespace gstboot {

namespace {

[[noreturn]] void bad(const std::string& why) {
    throw Error(ErrorKind::usage, "gstboot: " + why + "\nTry 'gstboot --help' for more information.");
}

std::uint32_t parseseed(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
        bad("--seed needs a whole number from 0 to 4294967295, not '" + text + "'");
    }
    unsigned long long v = std::stoull(text);
    if (v > 4294967295ULL) bad("--seed needs a whole number from 0 to 4294967295, not '" + text + "'");
    return static_cast<std::uint32_t>(v);
}

int parsethreads(const std::string& text) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) < 1 || std::stoi(text) > 1024) {
        bad("--threads needs a whole number from 1 to 1024, not '" + text + "'");
    }
    return std::stoi(text);
}

// The neutral test's draws per locus: 0 (off) or 10 to 100000; fewer than
// 10 could not place a locus.
int parsedraws(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 6 && text.find_first_not_of("0123456789") == std::string::npos;
    const int v = digits ? std::stoi(text) : -1;
    if (v != 0 && (v < 10 || v > 100000)) {
        bad("--neutral-draws needs 0 (no neutral test) or a whole number from 10 to 100000, not '" + text + "'");
    }
    return v;
}

Format parseformat(const std::string& option, const std::string& text) {
    std::string names;
    for (Format f : kFormats) {
        if (text == formatname(f)) return f;
        names += std::string(names.empty() ? "" : f == Format::automatic ? " or " : ", ") + formatname(f);
    }
    bad(option + " needs " + names + ", not '" + text + "'");
}

bool parsecorrection(const std::string& text) {
    if (text != "on" && text != "off") bad("--correction needs on or off, not '" + text + "'");
    return text == "on";
}

ColourScale parsescale(const std::string& text) {
    if (text != "shared" && text != "separate") bad("--heatmap-scale needs shared or separate, not '" + text + "'");
    return text == "shared" ? ColourScale::shared : ColourScale::separate;
}

Resampling parseresample(const std::string& text) {
    Resampling r{false, false, false};
    if (text == "none") return r;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        const std::string item = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        bool* which = item == "mhc" ? &r.mhc : item == "mic" ? &r.mic : item == "loci" ? &r.loci : nullptr;
        if (!which || *which) {
            bad("--resample needs a comma-separated list of mhc, mic and loci, each at most once, or none, not '" +
                text + "'");
        }
        *which = true;
        if (comma == std::string::npos) return r;
        from = comma + 1;
    }
}

}  // namespace

const std::vector<OptionEntry>& optiontable() {
    using O = Options;
    using S = const std::string&;
    static const std::vector<OptionEntry> table = {
        {"--seed", nullptr, Takes::value, "N",
         "seed of the random generator (0..4294967295); default:\n"
         "the clock's seconds. The seed in use is printed on\n"
         "standard error as 'seed: N'.",
         [](O& o, S v) {
             o.seed = parseseed(v);
             o.hasseed = true;
         }},
        {"--mhc", nullptr, Takes::path, "FILE", "MHC data set (default MHCdata.txt)",
         [](O& o, S v) { o.inputs.mhc = v; }},
        {"--mhc-locus", nullptr, Takes::value, "NAME",
         "the MHC locus read when the MHC file names several (as\n"
         "its header names it); without it such a file is refused",
         [](O& o, S v) {
             if (v.empty()) bad("--mhc-locus needs the name of a locus, not an empty one");
             o.mhclocus = v;
         }},
        {"--mic", nullptr, Takes::path, "FILE",
         "MIC data set (default MICdata.txt); a VCF file (plain or\n"
         "bgzipped) needs --popmap",
         [](O& o, S v) { o.inputs.mic = v; }},
        {"--popmap", nullptr, Takes::path, "FILE",
         "the population of each sample of a VCF file: sample and\n"
         "population per line, tab or spaces",
         [](O& o, S v) { o.popmap = v; }},
        {"--mhc-format", nullptr, Takes::value, "F", nullptr,
         [](O& o, S v) { o.mhcformat = parseformat("--mhc-format", v); }},
        {"--mic-format", nullptr, Takes::value, "F",
         "read that file as legacy, genepop, table, genalex or\n"
         "structure; default auto: told from its content (see\n"
         "gstboot(5))",
         [](O& o, S v) { o.micformat = parseformat("--mic-format", v); }},
        {"--missing", nullptr, Takes::value, "LIST",
         "what a cell of a table, GenAlEx or STRUCTURE file holds\n"
         "when it is missing, comma-separated; default\n"
         "NA,na,N/A,NaN,?,.,-,-9,0 (an empty cell and #N/A always\n"
         "are)",
         [](O& o, S v) {
             if (!parsemissing(v, o.missing)) {
                 bad("--missing needs a comma-separated list of codes, none empty, not '" + v + "'");
             }
         }},
        {"--correction", nullptr, Takes::value, "on|off",
         "the heterozygosity correction; default: a legacy MHC\n"
         "file's header, else off",
         [](O& o, S v) { o.correction = parsecorrection(v); }},
        {"--resample", nullptr, Takes::value, "LIST",
         "what the replicates resample: mhc, mic, loci, comma-\n"
         "separated, or none; default: the legacy headers, else\n"
         "mhc,mic. The settings in force are printed on standard\n"
         "error as 'settings: ...'.",
         [](O& o, S v) { o.resample = parseresample(v); }},
        {"--output", nullptr, Takes::path, "FILE", "report file (default output.txt)",
         [](O& o, S v) { o.output = v; }},
        {"--threads", nullptr, Takes::value, "N",
         "worker threads (default: all hardware threads); the\n"
         "results do not depend on N",
         [](O& o, S v) { o.threads = parsethreads(v); }},
        {"--reference", nullptr, Takes::nothing, nullptr,
         "score with the plain reference implementation, which\n"
         "gives the same bits, far more slowly (for checking)",
         [](O& o, S) { o.reference = true; }},
        {"--polyploid", nullptr, Takes::nothing, nullptr,
         "the MHC copies of an individual beyond two are the copies\n"
         "of one gene (a polyploid), not duplicated genes: run the\n"
         "neutral test on them",
         [](O& o, S) { o.polyploid = true; }},
        {"--timing", nullptr, Takes::nothing, nullptr,
         "at the end, say on standard error how long each phase\n"
         "took (reading, replicates, neutral test, writing)",
         [](O& o, S) { o.timing = true; }},
        {"--table", nullptr, Takes::path, "FILE",
         "also write a tab-separated table, one row per pair, with\n"
         "the observed estimates, replicate summaries and the seed",
         [](O& o, S v) { o.table = v; }},
        {"--plot", nullptr, Takes::path, "FILE", "also draw the pairs as an SVG figure (MHC against MIC)",
         [](O& o, S v) { o.plot = v; }},
        {"--heatmap", nullptr, Takes::path, "FILE",
         "also draw the pair matrix as an SVG heatmap (MHC below\n"
         "the diagonal, MIC above)",
         [](O& o, S v) { o.heatmap = v; }},
        {"--study", nullptr, Takes::path, "FILE",
         "also write the study's answer (the MHC over all pairs,\n"
         "each population against the rest) as a tidy table",
         [](O& o, S v) { o.study = v; }},
        {"--diversity", nullptr, Takes::path, "FILE",
         "also write each population's diversity in each data set\n"
         "(n, alleles, richness, Ho, He, FIS) as a tidy table",
         [](O& o, S v) { o.diversity = v; }},
        {"--loci-plot", nullptr, Takes::path, "FILE",
         "also draw each locus's Gst over all populations against\n"
         "its heterozygosity as an SVG figure, the MHC marked",
         [](O& o, S v) { o.lociplot = v; }},
        {"--matrices", nullptr, Takes::path, "DIR",
         "also write the pairs' estimates as population matrices,\n"
         "one file per data set and statistic, in the folder DIR",
         [](O& o, S v) { o.matrices = v; }},
        {"--heatmap-scale", nullptr, Takes::value, "shared|separate",
         "the heatmap's colours: one scale for both halves, or\n"
         "each half its own (default: separate)",
         [](O& o, S v) { o.heatmapscale = parsescale(v); }},
        {"--neutral-draws", nullptr, Takes::value, "R",
         "draws of the neutral test's null of the MHC (default\n"
         "200), each MIC locus a tenth (at least 20); 0: no test",
         [](O& o, S v) { o.neutraldraws = parsedraws(v); }},
        {"--help", "-h", Takes::nothing, nullptr, "show this text and exit", [](O& o, S) { o.help = true; }},
        {"--version", nullptr, Takes::nothing, nullptr,
         "show the version and the vector kernels in use (capped by\n"
         "the environment variable GSTBOOT_ISA: avx512, avx2,\n"
         "baseline) and exit",
         [](O& o, S) { o.version = true; }},
    };
    return table;
}

void checkfiles(const Options& o) {
    struct Named {
        const char* option;
        const std::string* path;
        bool output;
    };
    const Named files[] = {{"--mhc", &o.inputs.mhc, false},
                           {"--mic", &o.inputs.mic, false},
                           {"--popmap", &o.popmap, false},
                           {"--output", &o.output, true},
                           {"--table", &o.table, true},
                           {"--plot", &o.plot, true},
                           {"--heatmap", &o.heatmap, true},
                           {"--study", &o.study, true},
                           {"--diversity", &o.diversity, true},
                           {"--loci-plot", &o.lociplot, true}};
    constexpr std::size_t n = sizeof files / sizeof files[0];
    FileIdentity ids[n];
    for (std::size_t a = 0; a < n; ++a) {
        if (!files[a].path->empty()) ids[a] = identify(*files[a].path);
    }
    // Every output against every other file; two inputs may be one file.
    for (std::size_t b = 0; b < n; ++b) {
        if (!files[b].output || files[b].path->empty()) continue;
        for (std::size_t a = 0; a < b; ++a) {
            if (files[a].path->empty() || !samefile(ids[a], ids[b])) continue;
            bad(std::string(files[a].option) + " and " + files[b].option + " name the same file '" +
                *files[b].path + "'" + (files[a].output ? "" : ": the run would overwrite its own input"));
        }
    }
}

std::string usage() {
    // Help text starts in this column; a longer option goes on a line of its own.
    constexpr std::size_t HELPCOLUMN = 17;
    std::string text =
        "Usage: gstboot [options]\n"
        "Compares population differentiation at MHC genes with that at neutral\n"
        "markers: a Gst per population pair from each data set, on 1000 bootstrap\n"
        "replicates. Without options it reads MHCdata.txt and MICdata.txt in the\n"
        "current directory and writes output.txt there.\n"
        "\n"
        "Options:\n";
    std::string names;
    for (const OptionEntry& entry : optiontable()) {
        if (!names.empty()) names += ", ";
        if (entry.shortname) names += std::string(entry.shortname) + ", ";
        names += entry.name;
        if (entry.value) names += std::string(" ") + entry.value;
        if (!entry.help) continue;  // shares the next option's text
        std::string line = "  " + names;
        names.clear();
        line += line.size() < HELPCOLUMN ? std::string(HELPCOLUMN - line.size(), ' ')
                                         : "\n" + std::string(HELPCOLUMN, ' ');
        for (const char* c = entry.help; *c; ++c) {
            line += *c;
            if (*c == '\n') line += std::string(HELPCOLUMN, ' ');
        }
        text += line + "\n";
    }
    return text;
}

Options parseoptions(const std::vector<std::string>& args) {
    Options o;
    std::set<const OptionEntry*> seen;
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string arg = args[k];
        if (arg.empty() || arg[0] != '-' || arg == "-") bad("unexpected argument '" + arg + "'");
        std::string value;
        bool inlinevalue = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlinevalue = true;
            }
        }
        const OptionEntry* entry = nullptr;
        for (const OptionEntry& s : optiontable()) {
            if (arg == s.name || (s.shortname && arg == s.shortname)) entry = &s;
        }
        if (!entry) bad("unknown option '" + args[k] + "'");
        if (!seen.insert(entry).second) bad(arg + " is given more than once");
        switch (entry->takes) {
            case Takes::nothing:
                if (inlinevalue) bad(arg + " takes no value");
                break;
            case Takes::value:
            case Takes::path:
                if (!inlinevalue) {
                    if (k + 1 >= args.size()) bad(arg + " needs a value");
                    value = args[++k];
                }
                if (entry->takes == Takes::path && value.empty()) bad(arg + " needs a file name, not an empty one");
                break;
        }
        entry->apply(o, value);
    }
    return o;
}

}  // namespace gstboot
