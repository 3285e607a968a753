\name{gstboot}
\alias{gstboot}
\title{MHC versus neutral-marker Gst for every pair of populations}
\description{
Runs a whole study with the program's own C++ core: the observed Gst of the
MHC and of the neutral (MIC) loci for every pair of populations, 1000
bootstrap replicates, their summaries and bias-corrected intervals, and the
neutral test. For the same inputs and seed every number is the very double
of the command line's \code{--table}.
}
\usage{
gstboot(mhc, mic, seed = NULL, correction = NULL, resample = NULL,
        neutral_draws = 200L, threads = NULL, missing = NULL,
        mhc_format = "auto", mic_format = "auto", popmap = NULL,
        mhc_locus = NULL, polyploid = FALSE, ...)
}
\arguments{
  \item{mhc, mic}{each a file path (any format the program reads: legacy,
    GENEPOP, table, GenAlEx, STRUCTURE; for \code{mic} also a VCF file with
    \code{popmap}), a data frame in the program's table layout (a
    \code{population} or \code{pop} column, an \code{individual},
    \code{ind}, \code{sample} or \code{id} column, then one column per
    allele copy or one \code{"a/b"} cell per locus; \code{NA} is missing),
    or an adegenet \code{genind} object with populations (the MHC's of any
    ploidy).}
  \item{seed}{the random generator's seed, 0 to 4294967295; \code{NULL}
    takes the clock's seconds and says which with a message.}
  \item{correction}{\code{TRUE} or \code{FALSE} (or \code{"on"},
    \code{"off"}): the heterozygosity correction; \code{NULL}: a legacy MHC
    file's header decides, else off.}
  \item{resample}{what the replicates resample: any of \code{"mhc"},
    \code{"mic"}, \code{"loci"}, or \code{character(0)} for none;
    \code{NULL}: the legacy headers, else \code{c("mhc", "mic")}.}
  \item{neutral_draws}{draws of the neutral test's null of the MHC (each MIC
    locus a tenth, at least 20); 0 leaves the test out.}
  \item{threads}{worker threads, 1 to 1024; \code{NULL}: every hardware
    thread. The results do not depend on it.}
  \item{missing}{the codes of a missing genotype in a table, GenAlEx or
    STRUCTURE file (a character vector).}
  \item{mhc_format, mic_format}{\code{"legacy"}, \code{"genepop"},
    \code{"table"}, \code{"genalex"}, \code{"structure"} or \code{"auto"}
    (told from the content). A data frame or genind is always a table.}
  \item{popmap}{the file giving the population of each sample of a VCF
    file.}
  \item{mhc_locus}{the one MHC locus read when the MHC data name several
    (without it, each is an MHC locus of its own).}
  \item{polyploid}{\code{TRUE} when an MHC locus's copies beyond two are
    one gene's (a polyploid), so that the neutral test runs on them; it is
    left out otherwise, as duplicated genes pooled would bias it.}
  \item{...}{nothing else is accepted: an unknown option name is an
    error that lists the options.}
}
\value{
A data frame of class \code{gstboot}, one row per pair of populations, with
exactly the columns of the command line's table (\code{pop1}, \code{pop2},
\code{name1}, \code{name2}, the sample sizes, for each of \code{mhc_} and
\code{mic_} the \code{observed}, \code{mean}, \code{median}, \code{lower},
\code{upper} and \code{finite} replicates, \code{mic_loci},
\code{frac_mhc_gt_mic}, \code{p}, \code{seed}, the bias-corrected intervals
\code{mhc_ci_lower} to \code{mic_ci_upper}, and \code{neutral_z},
\code{neutral_p}, \code{neutral_q}, \code{neutral_loci}). Unnamed
populations are named by their number. Its attributes: \code{seed},
\code{settings} (as the command line prints them), \code{read} (what was
read of each input), \code{inputs}, and the lines of the study's answer
(\code{neutral}, \code{study}, \code{report}).
}
\details{
A fault in the data is an R error carrying the program's message, which
names the file, line and column; a data frame or genind is written to a
temporary table first (line 1 its header, row \emph{i} on line
\emph{i} + 1). The program's warnings are R warnings. R's interrupt stops
a run between replicates (or neutral-test pairs) within a fraction of a
second; reading the inputs is not interrupted. Worker threads never call R.
}
\seealso{\code{\link{print.gstboot}} for the methods.}
\examples{
gen <- system.file("extdata", "genepop", package = "gstboot")
res <- gstboot(file.path(gen, "MHCdata.gen"), file.path(gen, "MICdata.gen"),
               seed = 1, neutral_draws = 20, threads = 1)
res
as.matrix(res, what = "mhc_observed")
}
