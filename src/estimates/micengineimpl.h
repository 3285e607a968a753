// The MIC engine's private parts, shared by the files that do its jobs:
// micengine.cpp (the tables of the data as read, the work, a replicate's
// passes and chunks), micenginepop.cpp (the draws and a population's
// statistics at a chunk), micenginelines.cpp (the pair sums continued over a
// population's lines), micenginescore.cpp (the pair terms and the ratios).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "estimates/kernels.h"
#include "estimates/lines.h"
#include "estimates/micengine.h"

namespace gstboot {
namespace micparts {

inline std::size_t at(int n) { return static_cast<std::size_t>(n); }

// A genotype at one locus: the indices of its two alleles among the
// locus's codes, equal for a homozygote; both the locus's number of codes
// when untyped (a slot of its own in a tally).
struct Geno {
    std::int32_t d0, d1;
};

// What a chunk's tables may take: about a quarter of a second-level cache,
// so that they stay there while every population passes over the chunk.
constexpr std::size_t CHUNKBYTES = std::size_t{512} << 10;
// The table of the pairs' locus terms of one thread.
constexpr std::size_t TABLEBYTES = std::size_t{256} << 20;
// Per group of eight pairs and locus: eight numerators, eight denominators.
constexpr int GROUPCELLS = 16;
// The genotypes are stored a tile of loci at a time: a population's
// individuals' genotypes at TILE consecutive loci lie together, so that a
// chunk's are one stretch of memory, and one individual's at a tile one
// cache line or two.
constexpr int TILE = 16;

inline int groupsof(int j) { return (j + 7) / 8; }

}  // namespace micparts

struct MicEngine::Impl {
    const DataSet& ds;
    int blocklines;
    int chunkcols;   // columns a chunk takes before it closes
    int capacity;    // the widest chunk: chunkcols, or one wider locus
    int maxgroups;   // groups of pairs one pass's table holds
    int maxind;      // the largest population
    int lanerow;     // npop rounded up to whole groups of 8: [column * lanerow + partner]
    bool pooled;     // no genotype missing: one ratio over every allele of every drawn locus
    int rowcells;    // the most cells a group's row of the table takes
    std::vector<int> nd;          // codes of each locus
    std::vector<int> groupfirst;  // [j]: the first group of pairs (., j); [npop]: how many
    int ntiles;
    std::vector<micparts::Geno> geno;  // [((p * ntiles + L / TILE) * maxind + i) * TILE + L % TILE]
    // At a locus of two codes, in geno's places, a byte that says the sum
    // s of the genotype's code indices: 1 << s, or 0 untyped (a byte, so
    // that a chunk's lie in few cache lines). Empty where no locus has two
    // codes.
    std::vector<std::uint8_t> sumcode;
    // recip[recipat[t] + c]: 1/t added c times from 0.0, for even t.
    std::vector<double> recip;
    std::vector<std::size_t> recipat;
    std::vector<double> zeros;  // the table of unused lanes
    const Kernels& kern;  // of the instruction set chosen at construction

    Impl(const DataSet& d, Isa isa, const MicBlocking& b);
    const double* sums(int t) const { return recip.data() + recipat[micparts::at(t)]; }
    // Population p's genotypes at tile t: individual i's at [i * TILE + L % TILE].
    const micparts::Geno* tile(int p, int t) const {
        return geno.data() + (micparts::at(p) * micparts::at(ntiles) + micparts::at(t)) * micparts::at(maxind) * micparts::TILE;
    }
    const micparts::Geno& genoat(int p, int i, int l) const { return tile(p, l / micparts::TILE)[micparts::at(i) * micparts::TILE + micparts::at(l % micparts::TILE)]; }
    // Cells of a group's row of the table: a locus each, or with the
    // pooled estimate an allele each.
    std::size_t cellsof(int groups) const { return micparts::at(groups) * micparts::at(rowcells) * micparts::GROUPCELLS; }
    void ratios(int j, int i0, int row, const ReplicateIndex& rep, Work& work, PairTable& out) const;
    void drawpops(const ReplicateIndex& rep, Work& work) const;
    void preparepop(int p, const ReplicateIndex& rep, Work& work) const;
    void tallycodes(int p, Work& work) const;
    void tallytwocodes(int p, const ReplicateIndex& rep, Work& work) const;
    int liveall(Work& work) const;
    void twocodelines(int j, const std::int32_t* src, int count, Work& work) const;
    void continuessi(int j, bool partners, const ReplicateIndex& rep, Work& work) const;
    void locusterms(int j, int i0, int row, Work& work) const;
};

struct MicEngine::Work {
    std::vector<std::int32_t> draws;  // [L]: how often the replicate draws source locus L
    // Each population's drawn individuals and their draws: [p * maxind + k].
    std::vector<std::int32_t> drawn, mult;
    std::vector<std::int32_t> ndrawn;  // [p]
    std::vector<std::int32_t> scratch;
    // The chunk: its loci, the first column of each, its width.
    std::vector<int> loci, cbase;
    int nchunk = 0;
    int width = 0;
    // Every locus of the chunk has two codes (a SNP panel's rule): its
    // columns are 2u and 2u + 1, and a genotype is known by the sum of its
    // code indices (sumcode).
    bool twocodes = false;  // and the engine has sumcode
    // With twocodes, the line values of chunk locus u for sum code c:
    // picks[10 u + 2 c + e] for column 2u + e (+0.0 where untyped, c = 0).
    std::vector<double> picks;
    // The tally of one population over the chunk by column, each locus
    // followed by a slot for its untyped genotypes: matching copies, and
    // carriers << 32.
    std::vector<std::uint64_t> tally;
    std::vector<int> tallyat;  // [u]: where locus u's columns start in it
    std::vector<std::int32_t> typedtotal;  // [p]: typed genotypes over the replicate's loci
    std::vector<std::int32_t> hets;        // and the heterozygous ones among them
    // The current population's statistics and SSI terms by column:
    // terms[col * 3 + m] for an individual with m matching copies.
    std::vector<AlleleStat> stats;
    std::vector<double> terms;
    // Every population's SSI from 0.0 over its own individuals at the
    // chunk's columns: [p * pitch + col].
    int pitch = 0;
    Lines ssi0;
    // Sums being continued over one population's lines, and a block of them.
    Lines accs, lines, line0;
    std::vector<int> live, liveat;        // the columns j carries, and back
    std::vector<int> livefirst, liveend;  // each chunk locus's run of them
    std::vector<int> tileat;              // each chunk locus's place in a population's tiles
    int stride = 0;
    // By column and population: frequency, matching copies, own SSW; for
    // the current j, each partner's pair SSI and SSW. By chunk locus and
    // population: typed individuals.
    Lines pT, ssw0T, ssiT, sswT;
    LineCounts cntT;
    std::vector<std::int32_t> typedT;
    // num_l / F_l and den_l / F_l of every pair of the pass by drawn locus:
    // [(group * cells + rank[L] + allele) * 16 + lane], numerators then
    // denominators, where a locus takes one cell, or one per allele with
    // the pooled estimate.
    std::vector<std::int32_t> rank;  // [L]: its first cell
    int cells = 0;
    Lines table;
};

}  // namespace gstboot
