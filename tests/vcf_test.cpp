// The VCF reader: its calls against an independent reader (bcftools query)
// on generated files, a run from a VCF file against the run from the GENEPOP
// file of the same data, and bad input refused at its place.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "common/error.h"
#include "input/gunzip.h"
#include "input/inputs.h"
#include "input/vcf.h"
#include "testutil.h"

using namespace gstboot;
using testutil::TempDir;
using testutil::writefile;

namespace {

// A generated VCF file: `samples` samples, `sites` sites of 1 to 4
// alternate alleles, calls unphased and phased, missing (./. and .) and
// half-missing (./1, 1/.), GT first or after another field.
struct Generated {
    std::string vcf;
    std::vector<std::string> samples;
};

Generated generate(std::mt19937& gen, int samples, int sites, bool gtlast) {
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    Generated g;
    std::ostringstream v;
    v << "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      << "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n"
      << "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    for (int s = 0; s < samples; ++s) {
        g.samples.push_back("S" + std::to_string(s));
        v << "\t" << g.samples.back();
    }
    v << "\n";
    for (int l = 0; l < sites; ++l) {
        const int nalt = pick(4) == 0 ? 2 + pick(3) : 1;
        v << "chr1\t" << 100 + 7 * l << "\t" << (pick(3) == 0 ? "." : "rs" + std::to_string(l)) << "\tA\t";
        for (int a = 0; a < nalt; ++a) v << (a ? "," : "") << "CGTN"[a];
        v << "\t50\tPASS\t.\t" << (gtlast ? "DP:GT" : "GT:DP");
        for (int s = 0; s < samples; ++s) {
            std::string gt;
            const int r = pick(40);
            if (r == 0) {
                gt = "./.";
            } else if (r == 1) {
                gt = ".";
            } else if (r == 2) {
                gt = "./" + std::to_string(pick(nalt + 1));
            } else if (r == 3) {
                gt = std::to_string(pick(nalt + 1)) + "|.";
            } else {
                gt = std::to_string(pick(nalt + 1)) + (pick(3) == 0 ? "|" : "/") + std::to_string(pick(nalt + 1));
            }
            const std::string dp = pick(10) == 0 ? "." : std::to_string(pick(60));
            v << "\t" << (gtlast ? dp + ":" + gt : (r == 1 && pick(2) ? gt : gt + ":" + dp));
        }
        v << "\n";
    }
    g.vcf = v.str();
    return g;
}

// A call as text ("0/1", "1|.", ".") as two allele indices, -1 for missing;
// one allele missing makes both missing, as the reader stores it.
std::pair<int, int> parsecall(const std::string& call) {
    if (call == "." || call == "./." || call == ".|.") return {-1, -1};
    const std::size_t sep = call.find_first_of("/|");
    const std::string a = call.substr(0, sep), b = call.substr(sep + 1);
    if (a == "." || b == ".") return {-1, -1};
    return {std::stoi(a), std::stoi(b)};
}

// Counts what the reader says it took, for the reading's progress line.
struct CountingMeter : ByteMeter {
    long long bytes = 0;
    void add(long long n) override { bytes += n; }
};

TEST(Vcf, CallsAgreeWithAnIndependentReader) {
    if (!testutil::havetool("bcftools")) GTEST_SKIP() << "needs bcftools (Debian: bcftools), the independent reader";
    struct Case {
        int samples, sites;
        bool gtlast, compressed;
        int unmapped;  // samples the map leaves out
    };
    const Case cases[] = {{12, 40, false, false, 0}, {30, 25, true, false, 5}, {9, 60, false, true, 2},
                          {50, 8, true, true, 0}};
    std::mt19937 gen(404);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.samples) + " samples, " + std::to_string(c.sites) + " sites");
        TempDir dir;
        const Generated g = generate(gen, c.samples, c.sites, c.gtlast);
        writefile(dir.file("plain.vcf"), g.vcf);
        std::string file = dir.file("plain.vcf");
        if (c.compressed) {
            if (!canreadgzip()) GTEST_SKIP() << "this build reads no compressed input (no zlib)";
            ASSERT_EQ(testutil::runshell(dir.path(), "bcftools view -Oz -o s.vcf.gz plain.vcf").status, 0);
            file = dir.file("s.vcf.gz");
        }
        // Three populations, samples dealt round; the last `unmapped` left out.
        std::ostringstream map;
        std::vector<std::string> order;                  // populations as the map first names them
        std::map<std::string, std::vector<int>> members;  // their samples in file order
        for (int s = 0; s < c.samples - c.unmapped; ++s) {
            const std::string pop = std::string("Pop") + "CAB"[(s * 7 / 3) % 3];
            map << g.samples[static_cast<std::size_t>(s)] << (s % 2 ? "\t" : "   ") << pop << "\n";
            if (members[pop].empty()) order.push_back(pop);
            members[pop].push_back(s);
        }
        writefile(dir.file("pops.tsv"), map.str());
        RawSet set;
        std::vector<std::string> warnings;
        CountingMeter meter;
        readvcf(file, readpopmap(dir.file("pops.tsv"), warnings), set, warnings, &meter);
        EXPECT_EQ(warnings.size(), static_cast<std::size_t>(c.unmapped > 0));
        // Every byte of the file as stored (compressed or not), once.
        EXPECT_EQ(meter.bytes, static_cast<long long>(testutil::readfile(file).size()));
        EXPECT_GT(set.halfmissing, 0);

        const testutil::RunResult q = testutil::runshell(dir.path(), "bcftools query -f '[%GT\\t]\\n' " + file);
        ASSERT_EQ(q.status, 0) << q.err;
        std::istringstream rows(q.out);
        std::string row;
        int site = 0;
        ASSERT_EQ(set.width, 2 * c.sites);
        ASSERT_EQ(set.pops.size(), order.size());
        for (std::size_t p = 0; p < order.size(); ++p) ASSERT_EQ(set.pops[p].name, order[p]);
        while (std::getline(rows, row)) {
            std::vector<std::string> calls;
            std::istringstream cells(row);
            for (std::string cell; std::getline(cells, cell, '\t');) calls.push_back(cell);
            ASSERT_EQ(calls.size(), static_cast<std::size_t>(c.samples)) << row;
            const AlleleLabels& labels = set.labels[static_cast<std::size_t>(site)];
            for (const RawPopulation& pop : set.pops) {
                const std::vector<int>& inpop = members[pop.name];
                ASSERT_EQ(pop.individuals.size(), inpop.size());
                for (std::size_t i = 0; i < inpop.size(); ++i) {
                    const auto want = parsecall(calls[static_cast<std::size_t>(inpop[i])]);
                    const std::int32_t* got = &pop.alleles[i * static_cast<std::size_t>(set.width) + 2 * static_cast<std::size_t>(site)];
                    const int a = got[0] == MISSING ? -1 : std::stoi(labels.label(static_cast<std::size_t>(got[0])));
                    const int b = got[1] == MISSING ? -1 : std::stoi(labels.label(static_cast<std::size_t>(got[1])));
                    EXPECT_EQ(std::make_pair(a, b), want) << "site " << site + 1 << " sample " << inpop[i] << " call "
                                                          << calls[static_cast<std::size_t>(inpop[i])];
                }
            }
            ++site;
        }
        EXPECT_EQ(site, c.sites);
    }
}

// The same data as a GENEPOP file (allele index + 1 as two digits, 00
// missing) and as a VCF file: a run gives the same bytes from either.
TEST(Vcf, RunGivesTheBytesOfTheSameDataInGenepop) {
    std::mt19937 gen(7);
    auto pick = [&](int n) { return static_cast<int>(gen() % static_cast<unsigned>(n)); };
    const int npop = 5, perpop = 7, nloci = 40;
    std::ostringstream gp, vcf, map, mhc;
    gp << "converted\n";
    for (int l = 0; l < nloci; ++l) gp << (l ? "," : "") << "L" << l;
    gp << "\n";
    vcf << "##fileformat=VCFv4.3\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    mhc << "population,individual,c1,c2\n";
    std::vector<std::vector<std::pair<int, int>>> calls(nloci);  // [locus][sample]
    std::vector<int> nalt(nloci);
    for (int l = 0; l < nloci; ++l) nalt[static_cast<std::size_t>(l)] = l % 9 == 0 ? 3 : 1;
    for (int p = 0; p < npop; ++p) {
        gp << "Pop\n";
        for (int i = 0; i < perpop; ++i) {
            const std::string name = "p" + std::to_string(p) + "i" + std::to_string(i);
            vcf << "\t" << name;
            map << name << "\tP" << p << "\n";
            mhc << 'P' << p << ',' << name << ',' << 1 + pick(5) << ',' << 1 + pick(5) << "\n";
            gp << "P" << p << ",";
            for (int l = 0; l < nloci; ++l) {
                const int k = nalt[static_cast<std::size_t>(l)] + 1;
                std::pair<int, int> c{pick(k), pick(k)};
                if (pick(25) == 0) c = {-1, -1};
                if (pick(60) == 0) c.first = -1;
                calls[static_cast<std::size_t>(l)].push_back(c);
                char cell[32];
                std::snprintf(cell, sizeof cell, " %02d%02d", c.first + 1, c.second + 1);
                gp << cell;
            }
            gp << "\n";
        }
    }
    vcf << "\n";
    for (int l = 0; l < nloci; ++l) {
        vcf << "2\t" << 1000 + l << "\t.\tA\t" << (nalt[static_cast<std::size_t>(l)] == 1 ? "G" : "G,C,T") << "\t.\t.\t.\tGT";
        for (const auto& c : calls[static_cast<std::size_t>(l)]) {
            auto text = [](int a) { return a < 0 ? std::string(".") : std::to_string(a); };
            vcf << "\t" << text(c.first) << "/" << text(c.second);
        }
        vcf << "\n";
    }
    TempDir dir;
    writefile(dir.file("mhc.csv"), mhc.str());
    writefile(dir.file("mic.gen"), gp.str());
    writefile(dir.file("mic.vcf"), vcf.str());
    writefile(dir.file("pops.txt"), map.str());
    const auto a = testutil::rungstboot(dir.path(), {"--seed", "99", "--mhc", "mhc.csv", "--mic", "mic.gen", "--output", "a.txt"});
    const auto b = testutil::rungstboot(dir.path(), {"--seed", "99", "--mhc", "mhc.csv", "--mic", "mic.vcf", "--popmap",
                                                     "pops.txt", "--output", "b.txt"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(testutil::readfile(dir.file("a.txt")), testutil::readfile(dir.file("b.txt")));
    EXPECT_NE(b.err.find("mic.vcf: VCF, 5 populations, 35 individuals, 40 loci"), std::string::npos) << b.err;
}

TEST(Vcf, BadInputIsRefusedAtItsPlace) {
    const std::string head = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\n";
    const std::string site = "1\t5\t.\tA\tC\t.\t.\t.\tGT:DP\t";
    const std::string map = "a\tA\nb\tB\n";
    struct Case {
        std::string vcf, map, expect;
    };
    const Case cases[] = {
        {"#CHROM\tPOS\n", map, "x.vcf:1:1: expected '##fileformat=VCF' on the first line, as a VCF file begins"},
        {"##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\ta\n", map,
         "x.vcf:2:40: expected the header line '#CHROM POS ID REF ALT QUAL FILTER INFO FORMAT' and the samples, tab-separated, but column 9 is not 'FORMAT'"},
        {"##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\ta\n", map,
         "x.vcf:2:51: sample 'a' is named a second time in the header line (first at column 47)"},
        {"##fileformat=VCFv4.2\n##meta\n", map, "x.vcf:2:7: the file ends before its header line"},
        {head, map, "x.vcf:2:50: expected a data line (one site) after the header line, but the file ends"},
        {head + site + "0/1\n", map, "x.vcf:3:27: expected 11 tab-separated columns, as the header line has, but the line has 10"},
        {head + "1\t5\t.\tA\tC\t.\t.\t.\tDP:AD\t3\t4\n", map, "x.vcf:3:17: expected GT among the FORMAT fields, but 'DP:AD' has none"},
        {head + site + "0/1:3\t1:4\n", map,
         "x.vcf:3:29: sample 'b': expected a diploid call such as 0/1 or 0|1 in GT, but '1' has one allele"},
        {head + site + "0/1/1\t0/0\n", map,
         "x.vcf:3:23: sample 'a': expected a diploid call such as 0/1 or 0|1 in GT, but '0/1/1' has more than two alleles"},
        {head + site + "0/1\t0|2\n", map, "x.vcf:3:27: sample 'b': GT '0|2' names allele 2, but the site has 1 alternate allele"},
        {head + site + "0/x\t0/0\n", map, "x.vcf:3:23: sample 'a': expected allele indices or '.' in GT, but '0/x' holds something else"},
        {head + site + "0/1\t0/0\n", "a\tA\nb\tB\na\tA\n", "pops.tsv:3:1: sample 'a' is mapped a second time, to population 'A' again (first at 1:1)"},
        {head + site + "0/1\t0/0\n", "a\tA\nb B\n\n  a   C\n", "pops.tsv:4:3: sample 'a' is mapped a second time, to population 'C', but to 'A' at 1:1"},
        {head + site + "0/1\t0/0\n", "a\tA\tx\n", "pops.tsv:1:5: expected a sample and its population, two fields, but the line has 3"},
        {head + site + "0/1\t0/0\n", "a\tA\nzz\tB\nb\tB\n", "pops.tsv:2:1: sample 'zz' is not in x.vcf (its header line names 2 samples)"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writefile(dir.file("x.vcf"), c.vcf);
        writefile(dir.file("pops.tsv"), c.map);
        RawSet set;
        std::vector<std::string> warnings;
        std::string error;
        try {
            readvcf(dir.file("x.vcf"), readpopmap(dir.file("pops.tsv"), warnings), set, warnings);
        } catch (const Error& e) {
            EXPECT_EQ(e.status(), 1);
            error = e.what();
            for (std::size_t at; (at = error.find(dir.path() + "/")) != std::string::npos;) error.erase(at, dir.path().size() + 1);
        }
        EXPECT_EQ(error.rfind(c.expect, 0), 0u) << "expected: " << c.expect << "\ngot: " << error;
    }
}

// Through the program: a refusal writes nothing. A bgzipped file cut inside
// a block is refused at its place (or, in a build without zlib, as
// compressed input it cannot read); the options that belong together.
TEST(Vcf, RefusalsThroughTheProgram) {
    TempDir dir;
    std::mt19937 gen(3);
    const Generated g = generate(gen, 6, 400, false);
    writefile(dir.file("full.vcf"), g.vcf);
    writefile(dir.file("pops.tsv"), "S0 A\nS1 A\nS2 B\nS3 B\nS4 C\nS5 C\n");
    writefile(dir.file("mhc.csv"), "population,individual,c1,c2\nA,a,1,2\nA,b,2,2\nB,c,1,1\nB,d,3,2\nC,e,1,3\n");
    ASSERT_EQ(testutil::runshell(dir.path(), "gzip -c full.vcf > full.vcf.gz && head -c 3000 full.vcf.gz > cut.vcf.gz").status, 0);
    struct Case {
        std::vector<std::string> args;
        std::string expect;
    };
    const std::string cut = canreadgzip() ? "cut.vcf.gz:" : "cut.vcf.gz: the file is compressed (gzip or bgzip), and this build";
    const Case cases[] = {
        {{"--mic", "cut.vcf.gz", "--popmap", "pops.tsv"}, cut},
        {{"--mic", "full.vcf"}, "full.vcf: a VCF file needs --popmap, the file that gives each sample's population"},
        {{"--mic", "mhc.csv", "--popmap", "pops.tsv"}, "pops.tsv: --popmap maps the samples of a VCF file, but mhc.csv is not one"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--seed", "1", "--mhc", "mhc.csv", "--output", "out.txt"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const testutil::RunResult r = testutil::rungstboot(dir.path(), args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(r.err.rfind(c.expect, 0), 0u) << r.err;
        EXPECT_FALSE(testutil::exists(dir.file("out.txt")));
    }
    if (canreadgzip()) {
        const testutil::RunResult r = testutil::rungstboot(dir.path(), {"--seed", "1", "--mhc", "mhc.csv", "--mic", "cut.vcf.gz",
                                                                        "--popmap", "pops.tsv", "--output", "out.txt"});
        EXPECT_NE(r.err.find(" inside a compressed block: it was cut short"), std::string::npos) << r.err;
        const testutil::RunResult whole = testutil::rungstboot(dir.path(), {"--seed", "1", "--mhc", "mhc.csv", "--mic", "full.vcf.gz",
                                                                            "--popmap", "pops.tsv", "--output", "out.txt"});
        EXPECT_EQ(whole.status, 0) << whole.err;
    }
}

}  // namespace
