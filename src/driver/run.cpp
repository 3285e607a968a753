#include "driver/run.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "driver/options.h"
#include "driver/progress.h"
#include "driver/study.h"
#include "estimates/isa.h"
#include "neutral/neutraltest.h"
#include "output/diversity.h"
#include "output/escape.h"
#include "output/lociplot.h"
#include "output/matrices.h"
#include "output/heatmap.h"
#include "output/neutraltext.h"
#include "output/plot.h"
#include "output/report.h"
#include "output/studytable.h"
#include "output/table.h"
#include "output/warnings.h"
#include "system/files.h"
#include "system/outputs.h"
#include "system/signals.h"
#include "system/terminal.h"

namespace gstboot {

namespace {

// Warnings quote names and paths, which may hold what a terminal obeys.
void printlines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) std::fprintf(stderr, "%s\n", terminaltext(line).c_str());
}

// The reading's share done, from the bytes the readers take out of the
// input files' sizes (a file whose size is not known counts none).
class ReadingMeter : public ByteMeter {
public:
    ReadingMeter(Progress& progress, const Options& options) : progress_(progress) {
        long long total = 0;
        for (const std::string* path : {&options.inputs.mhc, &options.inputs.mic}) {
            const long long size = regularsize(*path);
            if (size > 0) total += size;
        }
        progress_.start("reading", total);
    }
    void add(long long bytes) override {
        done_ += bytes;
        progress_.update(done_);
    }

private:
    Progress& progress_;
    long long done_ = 0;
};

}  // namespace

int run(const Options& options) {
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        flushconsole(stdout);
        return 0;
    }
    if (options.version) {
        std::printf("gstboot %s\nkernels: %s\n", VERSION, kernelname());
        flushconsole(stdout);
        return 0;
    }
    checkfiles(options);
    const Isa isa = chosenisa();  // a bad GSTBOOT_ISA is refused before anything is read
    // The seed is taken before reading, as the clock would be read first.
    const std::uint32_t seed =
        options.hasseed ? options.seed : static_cast<std::uint32_t>(std::time(nullptr));

    installsignalhandlers();
    Progress progress(stderr, redrawable(stderr));
    ReadingMeter meter(progress, options);
    ReadStudy input = readstudy(options, &meter);
    progress.finish();
    printlines(input.readwarnings);
    std::fprintf(stderr, "seed: %u\n", seed);
    std::fprintf(stderr, "settings: %s\n", input.settings.c_str());
    printlines(input.read.lines);
    fitstudy(options, input);
    printlines(input.fitwarnings);

    // Opened before the replicates, so that an output that cannot be created
    // is reported at once rather than after the whole run.
    OutputSet outputs;
    OutputFile& report = outputs.add(options.output);
    OutputFile* table = options.table.empty() ? nullptr : &outputs.add(options.table);
    OutputFile* plot = options.plot.empty() ? nullptr : &outputs.add(options.plot);
    OutputFile* heatmap = options.heatmap.empty() ? nullptr : &outputs.add(options.heatmap);
    OutputFile* study = options.study.empty() ? nullptr : &outputs.add(options.study);
    OutputFile* diversity = options.diversity.empty() ? nullptr : &outputs.add(options.diversity);
    OutputFile* lociplot = options.lociplot.empty() ? nullptr : &outputs.add(options.lociplot);
    std::vector<OutputFile*> matrices;
    if (!options.matrices.empty()) {
        for (const std::string& name : matrixnames()) matrices.push_back(&outputs.add(options.matrices + "/" + name));
    }

    ScoredStudy scored = scorestudy(input, options, isa, seed, stdout, &progress, nullptr);
    printlines(scored.warnings);
    const RunSummary& summary = scored.summary;
    printlines(estimatewarnings(summary));
    printlines(neutralwarnings(summary, MINLOCI));
    const std::string neutral = neutralline(summary);
    if (!neutral.empty()) std::fprintf(stderr, "%s\n", neutral.c_str());

    progress.start("writing", 0);
    outputs.console(stdout, consoletext(summary));
    report.write(filetext(summary));
    if (table) table->write(tabletext(summary));
    if (plot) plot->write(plotsvg(summary.pairs, summary.seed, summary.neutraldraws > 0));
    if (heatmap) heatmap->write(heatmapsvg(summary, options.heatmapscale));
    if (study) study->write(studytext(summary));
    if (diversity) diversity->write(diversitytext(*input.ds));
    if (lociplot) lociplot->write(lociplotsvg(summary));
    if (!matrices.empty()) {
        const std::vector<MatrixFile> files = matrixfiles(summary);
        for (std::size_t k = 0; k < files.size(); ++k) matrices[k]->write(files[k].text);
    }
    outputs.commit(stdout);
    progress.finish();
    printlines(studylines(summary));
    printlines(reportlines(summary));
    if (options.timing) std::fprintf(stderr, "%s\n", timingline(progress).c_str());
    return 0;
}

}  // namespace gstboot
