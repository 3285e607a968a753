#include "input/vcf.h"

#include <cstring>
#include <utility>

#include "common/error.h"
#include "model/dataset.h"
#include "input/gunzip.h"

namespace gstboot {

namespace {

// Lines of a VCF file hold every sample of a site; wide studies make them
// longer than the other formats' lines.
constexpr std::size_t MAXVCFLINE = std::size_t{256} << 20;

std::string num(std::size_t v) { return std::to_string(v); }

// The tab-separated columns of a line: where each begins, and its text.
void splittabs(std::string_view text, std::vector<std::string_view>& cols, std::vector<long>& starts) {
    cols.clear();
    starts.clear();
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', from);
        cols.push_back(text.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        starts.push_back(static_cast<long>(from) + 1);
        if (tab == std::string_view::npos) break;
        from = tab + 1;
    }
}

// The k-th ':'-separated field of `text`, or "." where it has fewer.
std::string_view subfield(std::string_view text, std::size_t k) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const std::size_t colon = text.find(':', from);
        if (colon == std::string_view::npos) return ".";
        from = colon + 1;
    }
    const std::size_t colon = text.find(':', from);
    return text.substr(from, colon == std::string_view::npos ? std::string_view::npos : colon - from);
}

class VcfReader {
public:
    VcfReader(const std::string& path, const PopMap& map, RawSet& set, std::vector<std::string>& warnings,
              ByteMeter* meter)
        : path_(path), map_(map), set_(set), warnings_(warnings), meter_(meter) {}

    void read() {
        startset(set_, path_, Role::mic, Format::vcf);
        FilePtr original = openinputfile(path_);
        const std::FILE* plain = original.get();
        FilePtr file = decompressed(std::move(original), path_, meter_);
        LineReader lines(file.get(), path_, MAXVCFLINE);
        // A compressed file was metered as it was decompressed.
        if (file.get() == plain) lines.meter(meter_);
        Line line;
        if (!lines.next(line) || line.text.substr(0, 16) != "##fileformat=VCF") {
            fail({1, 1}, "expected '##fileformat=VCF' on the first line, as a VCF file begins");
        }
        bool header = false;
        while (lines.next(line)) {
            if (!header) {
                if (line.text.substr(0, 2) == "##") continue;
                readheader(line);
                header = true;
                continue;
            }
            if (line.text.empty()) continue;
            readsite(line);
        }
        set_.end = lines.end();
        if (!header) fail(set_.end, "the file ends before its header line '#CHROM POS ID REF ALT QUAL FILTER INFO FORMAT' and the samples");
        if (nloci_ == 0) fail(set_.end, "expected a data line (one site) after the header line, but the file ends");
        build();
    }

private:
    [[noreturn]] void fail(Place where, const std::string& why) const {
        throw Error(ErrorKind::input, at(path_, where) + why);
    }
    [[noreturn]] void failsample(Place where, std::size_t sample, const std::string& why) const {
        fail(where, "sample '" + shown(names_[sample]) + "': " + why);
    }

    void readheader(const Line& line) {
        splittabs(line.text, cols_, starts_);
        static const char* const fixed[] = {"#CHROM", "POS", "ID", "REF", "ALT", "QUAL", "FILTER", "INFO", "FORMAT"};
        for (std::size_t c = 0; c < 9; ++c) {
            if (c >= cols_.size() || cols_[c] != fixed[c]) {
                fail({line.number, c < cols_.size() ? starts_[c] : endcolumn(line.text) + 1},
                     "expected the header line '#CHROM POS ID REF ALT QUAL FILTER INFO FORMAT' and the samples, "
                     "tab-separated, but column " + num(c + 1) + " is not '" + fixed[c] + "'");
            }
        }
        if (cols_.size() == 9) fail({line.number, endcolumn(line.text) + 1}, "expected samples after FORMAT in the header line, but there are none");
        ncols_ = cols_.size();
        std::map<std::string, std::size_t> seen;
        std::size_t left = 0;
        for (std::size_t c = 9; c < ncols_; ++c) {
            const Place place{line.number, starts_[c]};
            const std::string name = takename(set_, cols_[c], place, "sample name");
            const auto [it, added] = seen.emplace(name, c);
            if (!added) {
                fail(place, "sample '" + shown(name) + "' is named a second time in the header line (first at column " +
                                std::to_string(starts_[it->second]) + ")");
            }
            names_.push_back(name);
            const auto mapped = map_.samples.find(name);
            if (mapped == map_.samples.end()) {
                ++left;
                continue;
            }
            column_.push_back(c);
            sample_.push_back(names_.size() - 1);
            samplepop_.push_back(mapped->second.population);
            places_.push_back(place);
        }
        // The map's samples are all in the file; the first of any that is
        // not is refused at its line of the map.
        const PopMap::Entry* missing = nullptr;
        std::string missingname;
        for (const auto& [name, entry] : map_.samples) {
            if (seen.count(name) == 0 && (!missing || entry.place.line < missing->place.line)) {
                missing = &entry;
                missingname = name;
            }
        }
        if (missing) {
            throw Error(ErrorKind::input, at(map_.file, missing->place) + "sample '" + shown(missingname) + "' is not in " +
                                              path_ + " (its header line names " + num(ncols_ - 9) + " samples)");
        }
        if (left > 0) {
            warnings_.push_back(path_ + ": warning: " + num(left) + (left == 1 ? " sample is" : " samples are") +
                                " not in " + map_.file + " and " + (left == 1 ? "is" : "are") + " left out");
        }
    }

    // One allele of a call: its index, MISSING for '.', or -2 when it is
    // not a number.
    static std::int32_t allele(std::string_view text) {
        if (text == ".") return MISSING;
        if (text.empty() || text.size() > 9) return -2;
        std::int32_t v = 0;
        for (char ch : text) {
            if (ch < '0' || ch > '9') return -2;
            v = v * 10 + (ch - '0');
        }
        return v;
    }

    void readsite(const Line& line) {
        splittabs(line.text, cols_, starts_);
        if (cols_.size() != ncols_) {
            fail({line.number, cols_.size() < ncols_ ? endcolumn(line.text) + 1 : starts_[ncols_]},
                 "expected " + num(ncols_) + " tab-separated columns, as the header line has, but the line has " +
                     num(cols_.size()));
        }
        const std::string_view alt = cols_[4];
        std::size_t nalt = 0;
        if (alt != ".") {
            nalt = 1;
            for (char ch : alt) nalt += ch == ',';
        }
        // Where GT stands among the FORMAT keys.
        std::size_t gt = 0;
        bool found = false;
        {
            std::size_t from = 0, k = 0;
            const std::string_view format = cols_[8];
            for (;;) {
                const std::size_t colon = format.find(':', from);
                const std::string_view key = format.substr(from, colon == std::string_view::npos ? std::string_view::npos : colon - from);
                if (key == "GT") {
                    gt = k;
                    found = true;
                    break;
                }
                if (colon == std::string_view::npos) break;
                from = colon + 1;
                ++k;
            }
        }
        if (!found) fail({line.number, starts_[8]}, "expected GT among the FORMAT fields, but '" + shown(cols_[8]) + "' has none");
        const std::string id(cols_[2]);
        const std::string name = id == "." ? std::string(cols_[0]) + ":" + std::string(cols_[1]) : id;
        set_.locusnames.push_back(takename(set_, name, {line.number, starts_[id == "." ? 0 : 2]}, "locus name"));
        set_.labels.emplace_back();
        AlleleLabels& labels = set_.labels.back();
        number_.assign(nalt + 1, -1);
        for (std::size_t s = 0; s < column_.size(); ++s) {
            const std::size_t c = column_[s];
            const std::string_view call = subfield(cols_[c], gt);
            const Place place{line.number, starts_[c]};
            std::int32_t a = MISSING, b = MISSING;
            if (call != "." && !call.empty()) {
                const std::size_t sep = call.find_first_of("/|");
                if (sep == std::string_view::npos) {
                    failsample(place, sample_[s], "expected a diploid call such as 0/1 or 0|1 in GT, but '" + shown(call) + "' has one allele");
                }
                const std::string_view second = call.substr(sep + 1);
                if (second.find_first_of("/|") != std::string_view::npos) {
                    failsample(place, sample_[s], "expected a diploid call such as 0/1 or 0|1 in GT, but '" + shown(call) + "' has more than two alleles");
                }
                a = allele(call.substr(0, sep));
                b = allele(second);
                if (a == -2 || b == -2) {
                    failsample(place, sample_[s], "expected allele indices or '.' in GT, but '" + shown(call) + "' holds something else");
                }
                for (std::int32_t index : {a, b}) {
                    if (index > static_cast<std::int32_t>(nalt)) {
                        failsample(place, sample_[s], "GT '" + shown(call) + "' names allele " + std::to_string(index) +
                                                          ", but the site has " + num(nalt) +
                                                          (nalt == 1 ? " alternate allele" : " alternate alleles"));
                    }
                }
                for (std::int32_t* index : {&a, &b}) {
                    if (*index == MISSING) continue;
                    std::int32_t& n = number_[static_cast<std::size_t>(*index)];
                    if (n < 0) n = labels.add(std::to_string(*index), place);
                    *index = n;
                }
                if ((a == MISSING) != (b == MISSING)) {
                    ++set_.halfmissing;
                    a = b = MISSING;
                }
            }
            calls_.push_back(a);
            calls_.push_back(b);
        }
        ++nloci_;
    }

    // The sites read, individual by individual, into the set's populations.
    void build() {
        set_.width = static_cast<int>(2 * nloci_);
        for (const std::string& name : map_.populations) {
            for (std::size_t s = 0; s < samplepop_.size(); ++s) {
                if (samplepop_[s] != name) continue;
                if (!findpopulation(set_, name)) addpopulation(set_, name, places_[s]);
            }
        }
        const std::size_t n = column_.size();
        for (std::size_t s = 0; s < n; ++s) {
            RawPopulation& pop = *findpopulation(set_, samplepop_[s]);
            pop.individuals.push_back(places_[s]);
            pop.ids.push_back(names_[sample_[s]]);
            for (std::size_t l = 0; l < nloci_; ++l) {
                pop.alleles.push_back(calls_[(l * n + s) * 2]);
                pop.alleles.push_back(calls_[(l * n + s) * 2 + 1]);
            }
        }
    }

    const std::string& path_;
    const PopMap& map_;
    RawSet& set_;
    std::vector<std::string>& warnings_;
    std::size_t ncols_ = 0;
    std::vector<std::string> names_;          // every sample of the header line
    std::vector<std::size_t> column_;         // the mapped samples: their column,
    std::vector<std::size_t> sample_;         // their index in names_,
    std::vector<std::string> samplepop_;      // their population,
    std::vector<Place> places_;               // their place in the header line
    std::vector<std::string_view> cols_;
    std::vector<long> starts_;
    std::vector<std::int32_t> number_;        // label number of each allele index at the site
    std::vector<std::int32_t> calls_;         // label numbers, site by site, mapped sample by sample
    std::size_t nloci_ = 0;
    ByteMeter* meter_;
};

}  // namespace

bool looksvcf(const std::string& path) {
    FilePtr file;
    try {
        file = openinputfile(path);
    } catch (const Error&) {
        return false;
    }
    // Only a file that can be read again: the bytes looked at here would
    // be lost to the reader of a pipe.
    if (std::fseek(file.get(), 0, SEEK_END) != 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    char head[16] = {};
    const std::size_t n = std::fread(head, 1, sizeof head, file.get());
    if (n >= 2 && static_cast<unsigned char>(head[0]) == 0x1F && static_cast<unsigned char>(head[1]) == 0x8B) return true;
    return n == sizeof head && std::memcmp(head, "##fileformat=VCF", sizeof head) == 0;
}

void readvcf(const std::string& path, const PopMap& map, RawSet& set, std::vector<std::string>& warnings,
             ByteMeter* meter) {
    VcfReader(path, map, set, warnings, meter).read();
}

}  // namespace gstboot
