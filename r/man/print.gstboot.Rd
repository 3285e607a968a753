\name{print.gstboot}
\alias{print.gstboot}
\alias{summary.gstboot}
\alias{print.summary.gstboot}
\alias{plot.gstboot}
\alias{as.matrix.gstboot}
\title{Methods for the result of gstboot()}
\description{
\code{print} shows what was read, the settings and seed, the pairs the
neutral test calls different (q below 0.05) and what to report;
\code{summary} the observed estimates over the pairs; \code{plot} the pairs
as a scatter of MHC against MIC Gst, or a heatmap of one column;
\code{as.matrix} one column as a named symmetric population matrix.
}
\usage{
\method{print}{gstboot}(x, ...)
\method{summary}{gstboot}(object, ...)
\method{print}{summary.gstboot}(x, ...)
\method{plot}{gstboot}(x, type = c("scatter", "heatmap"), what = "mhc_observed", ...)
\method{as.matrix}{gstboot}(x, what = "mhc_observed", diagonal = NA, ...)
}
\arguments{
  \item{x, object}{a result of \code{\link{gstboot}} (or of its summary).}
  \item{type}{\code{"scatter"}: observed MHC against MIC Gst, the pairs the
    neutral test calls different filled; \code{"heatmap"}: the matrix of
    \code{what}.}
  \item{what}{the numeric column taken.}
  \item{diagonal}{the value on the diagonal.}
  \item{...}{passed on to the graphics functions; ignored elsewhere.}
}
\value{
\code{print} returns \code{x} invisibly; \code{summary} an object of class
\code{summary.gstboot}; \code{plot} \code{x} (scatter) or the matrix
(heatmap) invisibly; \code{as.matrix} a numeric matrix with the population
names as its row and column names, \code{m[i, j] == m[j, i]}.
}
\examples{
gen <- system.file("extdata", "genepop", package = "gstboot")
res <- gstboot(file.path(gen, "MHCdata.gen"), file.path(gen, "MICdata.gen"),
               seed = 1, neutral_draws = 20, threads = 1)
summary(res)
plot(res)
plot(res, type = "heatmap", what = "mic_observed")
}
