#include "data/inputs.h"

#include "data/combine.h"
#include "data/genepop.h"
#include "data/rawset.h"
#include "data/tidytable.h"

namespace gstboot {

namespace {

void readraw(const OpenedInput& in, const std::string& name, Role role, RawSet& set) {
    if (in.format == Format::genepop) {
        readgenepop(in.text, name, role, set);
    } else {
        readtable(in.text, name, role, set);
    }
}

}  // namespace

void readinputs(const InputRequest& request, DataSet& ds, std::vector<std::string>& warnings) {
    const InputPaths& paths = request.paths;
    RawSet mhc, mic;
    bool mhclegacy = false;
    {
        OpenedInput in = openinput(paths.mhc, request.mhcformat, "--mhc-format");
        mhclegacy = in.format == Format::legacy;
        if (mhclegacy) {
            readmhc(in.file.get(), paths.mhc, ds, warnings);
            ds.popnames.clear();
        } else {
            readraw(in, paths.mhc, Role::mhc, mhc);
            ds.corrflag = 0;
            ds.bootmhc = 1;
        }
    }
    OpenedInput in = openinput(paths.mic, request.micformat, "--mic-format");
    const bool miclegacy = in.format == Format::legacy;
    if (miclegacy) {
        if (!mhclegacy) ds.npop = static_cast<std::int32_t>(mhc.pops.size());  // the legacy MIC file's count
        readmic(in.file.get(), paths.mic, ds, warnings);
        ds.micmissing = false;
        ds.locusnames.clear();
    } else {
        readraw(in, paths.mic, Role::mic, mic);
        ds.bootmic = 1;
        ds.bootloci = 0;
    }
    in.file.reset();

    // Every file has been read whole before any is matched, so that a fault
    // inside a file is reported before one between the files.
    if (!mhclegacy) fillmhc(mhc, ds, warnings);
    if (!miclegacy) {
        std::vector<std::size_t> order = mhclegacy ? matchbyposition(mic, ds.npop, paths.mhc) : matchbyname(mhc, mic);
        fillmic(mic, order, ds, warnings);
        if (mhclegacy) {
            ds.popnames.clear();
            for (std::size_t p : order) ds.popnames.push_back(mic.pops[p].name);
        }
    }

    if (request.correction) ds.corrflag = *request.correction ? 1 : 0;
    if (request.resample) {
        ds.bootmhc = request.resample->mhc ? 1 : 0;
        ds.bootmic = request.resample->mic ? 1 : 0;
        ds.bootloci = request.resample->loci ? 1 : 0;
    }
}

std::string describesettings(const DataSet& ds) {
    std::string list;
    if (switchon(ds.bootmhc)) list += "mhc";
    if (switchon(ds.bootmic)) list += list.empty() ? "mic" : ",mic";
    if (switchon(ds.bootloci)) list += list.empty() ? "loci" : ",loci";
    return std::string("correction ") + (switchon(ds.corrflag) ? "on" : "off") + ", resampling " +
           (list.empty() ? "none" : list);
}

}  // namespace gstboot
