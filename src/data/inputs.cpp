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
            ds.settings.corrflag = false;
            ds.settings.bootmhc = true;
        }
    }
    OpenedInput in = openinput(paths.mic, request.micformat, "--mic-format");
    const bool miclegacy = in.format == Format::legacy;
    if (miclegacy) {
        if (!mhclegacy) {
            // The legacy MIC file's count; the MHC half is filled later.
            ds.shapemhc(std::vector<std::int32_t>(mhc.pops.size(), 0), 0, 0);
        }
        readmic(in.file.get(), paths.mic, ds, warnings);
        ds.micmissing = false;
        ds.locusnames.clear();
    } else {
        readraw(in, paths.mic, Role::mic, mic);
        ds.settings.bootmic = true;
        ds.settings.bootloci = false;
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

    if (request.correction) ds.settings.corrflag = *request.correction;
    if (request.resample) {
        ds.settings.bootmhc = request.resample->mhc;
        ds.settings.bootmic = request.resample->mic;
        ds.settings.bootloci = request.resample->loci;
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
