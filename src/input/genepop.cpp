#include "input/genepop.h"

#include <map>

#include "model/dataset.h"
#include "common/error.h"

namespace gstboot {

namespace {

std::string num(std::size_t v) { return std::to_string(v); }

std::string plural(std::size_t n, const char* one, const char* many) { return num(n) + " " + (n == 1 ? one : many); }

class GenepopReader {
public:
    GenepopReader(LineReader& lines, Role role, RawSet& set, std::string_view pick)
        : lines_(lines), role_(role), set_(set), pick_(pick) {}

    void read() {
        startset(set_, lines_.name(), role_, Format::genepop);
        Line line;
        if (!nextline(lines_, line, set_)) fail(set_.end, "expected a GENEPOP title line, but the file is empty");
        // The title: any text.
        bool more = readloci(line);
        while (more) more = readpopulation(line);
    }

private:
    [[noreturn]] void fail(Place where, const std::string& why) const { throw Error(ErrorKind::input, at(set_.file, where) + why); }

    Place placeof(const Line& line, std::size_t offset) const {
        return {line.number, static_cast<long>(offset) + 1};
    }

    // The locus names up to the first Pop line, which is left in `line`.
    // A line may end with a comma: the list goes on on the next line.
    bool readloci(Line& line) {
        std::vector<std::string> names;
        std::vector<Place> places;
        bool found = false;
        while (nextline(lines_, line, set_)) {
            if ((found = ispopline(line.text))) break;
            std::size_t from = 0;
            for (;;) {
                std::size_t comma = line.text.find(',', from);
                std::size_t lead = 0;
                std::string_view piece = trim(line.text.substr(from, comma == std::string_view::npos ? comma : comma - from), &lead);
                if (piece.empty() && comma == std::string_view::npos && from > 0) break;  // after a last comma
                if (piece.empty()) {
                    fail(placeof(line, comma == std::string_view::npos ? from : comma),
                         "expected a locus name, one per line or separated by commas, but found none here");
                }
                names.push_back(takename(set_, piece, placeof(line, from + lead), "locus name"));
                places.push_back(placeof(line, from + lead));
                if (comma == std::string_view::npos) break;
                from = comma + 1;
            }
        }
        if (!found) {
            fail(set_.end, "the file ends without a 'Pop' line: expected one after the locus names to begin the first population");
        }
        if (names.empty()) fail(placeof(line, 0), "expected the locus names before the first 'Pop' line, but there are none");
        setloci(set_, names, places, pick_);
        fileloci_ = names.size();
        return true;
    }

    // The population begun by the Pop line in `line`; leaves the next Pop
    // line there and returns true, or false at the end of the file.
    bool readpopulation(Line& line) {
        std::size_t lead = 0;
        trim(line.text, &lead);
        const Place popplace = placeof(line, lead);
        std::string_view given;
        ispopline(line.text, &given);
        RawPopulation* pop = nullptr;
        if (!given.empty()) {
            const Place where = placeof(line, static_cast<std::size_t>(given.data() - line.text.data()));
            std::string name = takename(set_, given, where, "population name");
            auto [earlier, fresh] = namedlines_.emplace(name, line.number);
            if (!fresh) {
                fail(where, "population name '" + shown(name) + "' is that of the population at line " +
                                std::to_string(earlier->second) + " already");
            }
            pop = &addpopulation(set_, name, where);
        } else {
            set_.named = false;
        }
        const std::size_t count = set_.pops.size() + (pop ? 0 : 1);
        bool more = false;
        while (nextline(lines_, line, set_)) {
            if (ispopline(line.text)) {
                more = true;
                break;
            }
            readindividual(line, pop);
        }
        if (!pop || pop->individuals.empty()) {
            fail(popplace, "expected individuals after this 'Pop' line, but population " + num(count) + " has none");
        }
        return more;
    }

    void readindividual(const Line& line, RawPopulation*& pop) {
        std::size_t lead = 0;
        trim(line.text, &lead);
        const Place start = placeof(line, lead);
        const std::size_t comma = line.text.find(',');
        if (comma == std::string_view::npos) {
            fail(start, "expected an individual as 'label, genotypes', but the line has no ','");
        }
        std::size_t labellead = 0;
        const std::string_view label = trim(line.text.substr(0, comma), &labellead);
        if (!pop) {
            if (label.empty()) {
                fail(placeof(line, comma), "expected a label before ',': the first individual's label names the population");
            }
            const Place where = placeof(line, labellead);
            pop = &addpopulation(set_, takename(set_, label, where, "population name"), where);
            pop->named = false;
        }
        pop->individuals.push_back(start);
        pop->ids.push_back(takelabel(label));
        const std::size_t nloci = fileloci_;
        std::size_t count = 0;
        std::size_t k = comma + 1;
        std::size_t lastend = comma + 1;
        for (;;) {
            while (k < line.text.size() && isblank(line.text[k])) ++k;
            if (k == line.text.size()) break;
            std::size_t e = k;
            while (e < line.text.size() && !isblank(line.text[e])) ++e;
            std::string_view token = line.text.substr(k, e - k);
            if (count == nloci) {
                fail(placeof(line, k), "expected " + plural(nloci, "genotype", "genotypes") +
                                           " (one per locus), but '" + shown(token) + "' is genotype " +
                                           num(nloci + 1));
            }
            readgenotype(token, placeof(line, k), count, *pop);
            ++count;
            lastend = e;
            k = e;
        }
        if (count < nloci) {
            fail(placeof(line, lastend), "expected " + plural(nloci, "genotype", "genotypes") +
                                              " (one per locus), but the line ends after " + num(count));
        }
    }

    void readgenotype(std::string_view token, Place where, std::size_t locus, RawPopulation& pop) {
        // Formed only for a refusal: a panel has millions of genotypes.
        auto expected = [&] {
            return "expected a genotype of " + (digits_ == 0 ? std::string("4 or 6 digits (2 or 3 per allele)")
                                                             : num(digits_) + " digits like the first one (at " +
                                                                   std::to_string(first_.line) + ":" +
                                                                   std::to_string(first_.column) + ")");
        };
        if (token.find_first_not_of("0123456789") != std::string_view::npos) {
            fail(where, expected() + ", but '" + shown(token) + "' has a character that is not a digit");
        }
        if (token.size() % 2 == 1) {
            fail(where, expected() + ", but '" + shown(token) + "' has an odd number of digits (" + num(token.size()) + ")");
        }
        if (digits_ == 0) {
            if (token.size() != 4 && token.size() != 6) {
                fail(where, expected() + ", but '" + shown(token) + "' has " + num(token.size()));
            }
            digits_ = token.size();
            first_ = where;
        } else if (token.size() != digits_) {
            fail(where, expected() + ", but '" + shown(token) + "' has " + num(token.size()));
        }
        if (!readslocus(set_, locus)) return;  // a locus of the file other than the MHC one read
        const std::size_t half = digits_ / 2;
        AlleleLabels& labels = locuslabels(set_, locus);
        std::int32_t alleles[2];
        for (std::size_t a = 0; a < 2; ++a) {
            std::string_view allele = token.substr(a * half, half);
            alleles[a] = allele.find_first_not_of('0') == std::string_view::npos
                             ? MISSING
                             : labels.add(allele, {where.line, where.column + static_cast<long>(a * half)});
        }
        addgenotype(set_, pop, alleles[0], alleles[1]);
    }

    LineReader& lines_;
    Role role_;
    RawSet& set_;
    std::string_view pick_;
    std::size_t fileloci_ = 0;  // loci the file names
    std::size_t digits_ = 0;  // genotype width, from the first genotype of the file
    Place first_;
    std::map<std::string, long> namedlines_;  // named populations: the line of their Pop line
};

}  // namespace

bool ispopline(std::string_view line, std::string_view* name) {
    std::size_t lead = 0;
    std::string_view text = trim(line, &lead);
    if (text.size() < 3 || !sameletters(text.substr(0, 3), "pop")) return false;
    std::string_view rest = text.substr(3);
    if (!rest.empty() && !isblank(rest[0]) && rest[0] != ',') return false;
    // An individual whose label begins with the word: ', ' and genotypes.
    const std::size_t comma = rest.find(',');
    if (comma != std::string_view::npos) {
        const std::vector<std::string_view> after = words(rest.substr(comma + 1));
        bool genotypes = !after.empty();
        for (std::string_view word : after) genotypes = genotypes && word.find_first_not_of("0123456789") == std::string_view::npos;
        if (genotypes && trim(rest.substr(0, comma)).size() > 0) return false;
    }
    rest = trim(rest);
    if (!rest.empty() && rest[0] == ',') rest = trim(rest.substr(1));
    if (name) *name = rest;
    return true;
}

void readgenepop(LineReader& lines, Role role, RawSet& set, std::string_view mhclocus) {
    GenepopReader(lines, role, set, mhclocus).read();
}

}  // namespace gstboot
