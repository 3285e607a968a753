#include "input/inputs.h"

#include "common/error.h"
#include "input/combine.h"
#include "input/genalex.h"
#include "input/genepop.h"
#include "input/mhcloci.h"
#include "input/pairpops.h"
#include "input/rawset.h"
#include "input/readsummary.h"
#include "input/structure.h"
#include "input/tidytable.h"
#include "input/vcf.h"

namespace gstboot {

namespace {

void readraw(OpenedInput& in, const std::string& name, Role role, const InputRequest& request, RawSet& set) {
    LineReader lines(in.file.get(), name, MAXLINE, in.encoding);
    lines.meter(request.meter);
    const std::string_view pick = role == Role::mhc ? std::string_view(request.mhclocus) : std::string_view();
    const MissingCodes& missing = request.missing;
    switch (in.format) {
        case Format::genepop: readgenepop(lines, role, set, pick); break;
        case Format::table: readtable(lines, role, missing, set, pick); break;
        case Format::genalex: readgenalex(lines, role, missing, set, pick); break;
        case Format::structure: readstructure(lines, role, missing, set, pick); break;
        case Format::legacy:
        case Format::vcf:
        case Format::automatic: throw Error(ErrorKind::internal, name + ": no reader for its format");
    }
}

bool hasmissingcodes(Format format) { return format == Format::table || format == Format::genalex || format == Format::structure; }

}  // namespace

void readinputs(const InputRequest& request, DataSet& ds, std::vector<std::string>& warnings, ReadReport* report) {
    const InputPaths& paths = request.paths;
    RawSet mhc, mic;
    Format mhcformat = Format::legacy;
    // A VCF file is told by its first bytes, which the other formats'
    // detection does not know; it holds the neutral set alone.
    const bool micvcf = request.micformat == Format::automatic && looksvcf(paths.mic);
    if (request.mhcformat == Format::automatic && looksvcf(paths.mhc)) {
        throw Error(ErrorKind::input, paths.mhc + ": a VCF file holds the neutral set only: give it with --mic, and the MHC "
                                                  "data in one of the other formats");
    }
    if (micvcf && request.popmap.empty()) {
        throw Error(ErrorKind::input, paths.mic + ": a VCF file needs --popmap, the file that gives each sample's population");
    }
    if (!micvcf && !request.popmap.empty()) {
        throw Error(ErrorKind::input, request.popmap + ": --popmap maps the samples of a VCF file, but " + paths.mic +
                                          " is not one");
    }
    {
        OpenedInput in = openinput(paths.mhc, request.mhcformat, "--mhc-format");
        mhcformat = in.format;
        if (mhcformat == Format::legacy) {
            if (!request.mhclocus.empty()) refusepick(paths.mhc, request.mhclocus);
            readmhc(in.file.get(), paths.mhc, ds, warnings);
            ds.popnames.clear();
        } else {
            readraw(in, paths.mhc, Role::mhc, request, mhc);
            ds.settings.corrflag = false;
            ds.settings.bootmhc = true;
        }
    }
    Format micformat = Format::vcf;
    {
        OpenedInput in;
        if (micvcf) {
            in.format = Format::vcf;
        } else {
            in = openinput(paths.mic, request.micformat, "--mic-format");
        }
        micformat = in.format;
        if (micvcf) {
            readvcf(paths.mic, readpopmap(request.popmap, warnings), mic, warnings, request.meter);
            ds.settings.bootmic = true;
            ds.settings.bootloci = false;
        } else if (micformat == Format::legacy) {
            if (mhcformat != Format::legacy) {
                // The legacy MIC file's count; the MHC half is filled later.
                ds.shapemhc(std::vector<std::int32_t>(mhc.pops.size(), 0), 0, 0);
            }
            readmic(in.file.get(), paths.mic, ds, warnings);
            ds.micmissing = false;
            ds.locusnames.clear();
        } else {
            readraw(in, paths.mic, Role::mic, request, mic);
            ds.settings.bootmic = true;
            ds.settings.bootloci = false;
        }
    }
    const bool mhclegacy = mhcformat == Format::legacy, miclegacy = micformat == Format::legacy;
    refusemhcloci(mhc, miclegacy ? ds.nloci : static_cast<long>(mic.width / 2), paths.mic);

    // Every file has been read whole before any is matched, so that a fault
    // inside a file is reported before one between the files.
    std::string paired;
    if (!mhclegacy) fillmhc(mhc, ds, warnings);
    ds.mhcnames.clear();
    if (!mhclegacy) ds.mhcnames = mhc.mhcloci;
    if (!miclegacy) {
        std::vector<std::size_t> order;
        if (mhclegacy) {
            order = matchbyposition(mic, ds.npop, paths.mhc);
        } else {
            namebylabels(mhc);
            namebylabels(mic);
            PopPairing pops = pairpopulations(mhc, mic);
            order = std::move(pops.order);
            paired = std::move(pops.shown);
        }
        const std::vector<std::string> mhcnames = ds.popnames;
        fillmic(mic, order, ds, warnings);
        std::vector<std::string> micnames;
        for (std::size_t p : order) micnames.push_back(mic.pops[p].name);
        if (mhclegacy) {
            ds.popnames = micnames;
            paired = pairing(mhcnames, micnames);
        }
    } else if (!mhclegacy) {
        paired = pairing(ds.popnames, {});
    }

    if (request.correction) ds.settings.corrflag = *request.correction;
    if (request.resample) {
        ds.settings.bootmhc = request.resample->mhc;
        ds.settings.bootmic = request.resample->mic;
        ds.settings.bootloci = request.resample->loci;
    }
    if (report) {
        report->missing = hasmissingcodes(mhcformat) || hasmissingcodes(micformat) ? request.missing.list() : std::string();
        report->lines.clear();
        report->lines.push_back(mhclegacy ? describelegacy(paths.mhc, ds, Role::mhc) : describeraw(mhc));
        report->lines.push_back(miclegacy ? describelegacy(paths.mic, ds, Role::mic) : describeraw(mic));
        if (!paired.empty()) report->lines.push_back(paired);
    }
}

std::string describesettings(const DataSet& ds) {
    std::string list;
    const Settings& s = ds.settings;
    if (s.bootmhc) list += "mhc";
    if (s.bootmic) list += list.empty() ? "mic" : ",mic";
    if (s.bootloci) list += list.empty() ? "loci" : ",loci";
    return std::string("correction ") + (s.corrflag ? "on" : "off") + ", resampling " +
           (list.empty() ? "none" : list);
}

}  // namespace gstboot
