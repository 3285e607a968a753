extdata <- function(...) system.file("extdata", ..., package = "gstboot", mustWork = TRUE)

# The command line's table, every cell as its text.
cltable <- function(path) {
  text <- utils::read.delim(path, colClasses = "character", check.names = FALSE, na.strings = character(0))
  text
}

# A value and the warnings it gave, each a condition of its own.
warned <- function(expr) {
  messages <- character()
  value <- withCallingHandlers(expr, warning = function(w) {
    messages <<- c(messages, conditionMessage(w))
    invokeRestart("muffleWarning")
  })
  list(value = value, warnings = messages)
}

strtod <- function(text) .Call(gstboot:::gstboot_strtod, text)

genepop <- function(file) extdata("genepop", file)

# The population of each individual of a GENEPOP file: its label.
labels <- function(path) sub(",.*", "", grep(",", readLines(path)[-(1:2)], value = TRUE))

test_that("every column is the command line's, for the example studies", {
  for (study in c("legacy", "genepop")) {
    ext <- if (study == "legacy") "txt" else "gen"
    res <- suppressWarnings(gstboot(extdata(study, paste0("MHCdata.", ext)),
                                    extdata(study, paste0("MICdata.", ext)), seed = 2026, threads = 2))
    expected <- cltable(extdata(study, "table.tsv"))
    expect_s3_class(res, "gstboot")
    expect_identical(names(res), names(expected))
    for (column in names(expected)) {
      got <- res[[column]]
      want <- expected[[column]]
      # Read back by the C library, correctly rounded as the table's
      # shortest forms need.
      if (is.numeric(got)) {
        got <- as.numeric(got)
        want <- strtod(want)
      }
      expect_identical(got, want, label = paste(study, column))
    }
    expect_identical(attr(res, "seed"), 2026)
  }
})

test_that("a genind gives what the GENEPOP file it was read from gives", {
  skip_if_not_installed("adegenet")
  mhc <- suppressWarnings(adegenet::read.genepop(genepop("MHCdata.gen"), ncode = 3, quiet = TRUE))
  mic <- suppressWarnings(adegenet::read.genepop(genepop("MICdata.gen"), ncode = 3, quiet = TRUE))
  adegenet::pop(mhc) <- labels(genepop("MHCdata.gen"))
  adegenet::pop(mic) <- labels(genepop("MICdata.gen"))
  fromfiles <- warned(gstboot(genepop("MHCdata.gen"), genepop("MICdata.gen"), seed = 7, neutral_draws = 20))
  fromgenind <- warned(gstboot(mhc, mic, seed = 7, neutral_draws = 20))
  expect_identical(c(as.list(fromgenind$value)), c(as.list(fromfiles$value)))
  expect_identical(sub("^[^:]*:", "", fromgenind$warnings), sub("^[^:]*:", "", fromfiles$warnings))
  expect_match(fromgenind$warnings, "^mic genind: warning: 2 genotypes have one allele missing", all = FALSE)
})

test_that("bad input is an R error that says what to do, and R goes on", {
  skip_if_not_installed("adegenet")
  table <- data.frame(population = c("a", "a", "b", "b"), individual = 1:4,
                      DRB = c("1/2", "2/2", "1/1", "3/1"), stringsAsFactors = FALSE)
  other <- transform(table, population = c("a", "b", "c", "c"), individual = 11:14)
  nopops <- adegenet::df2genind(table[, "DRB", drop = FALSE], sep = "/")
  bad <- tempfile(fileext = ".gen")
  writeLines(c("title", "DRB", "Pop", "a, 115115", "a, 11x115"), bad)
  cases <- list(
    list(quote(gstboot(nopops, table)), "genind object has no populations: set them"),
    list(quote(gstboot(table[, -1], table)), "no population column: name the column"),
    list(quote(gstboot(table, other, seed = 1)), "mic data frame:4:1: population 'c' is not in mhc data frame"),
    list(quote(gstboot(table, table, sed = 1)), "unknown option 'sed': the options are"),
    list(quote(gstboot(bad, table, seed = 1)), paste0(basename(bad), ":5:[0-9]+:")),
    list(quote(gstboot(table, table, seed = -1)), "--seed")
  )
  for (case in cases) {
    expect_error(eval(case[[1]]), case[[2]], label = deparse(case[[1]]))
  }
  expect_s3_class(suppressWarnings(gstboot(table, table, seed = 1, neutral_draws = 0)), "gstboot")
})

test_that("as.matrix is symmetric and named by the populations", {
  res <- suppressWarnings(gstboot(genepop("MHCdata.gen"), genepop("MICdata.gen"), seed = 3, neutral_draws = 0))
  m <- as.matrix(res, what = "mic_observed")
  names <- unique(c(res$name1, res$name2))
  expect_identical(dimnames(m), list(names, names))
  expect_true(isSymmetric(m))
  expect_identical(m[cbind(res$name2, res$name1)], res$mic_observed)
  expect_true(all(is.na(diag(m))))
  expect_error(as.matrix(res, what = "name1"), "numeric column")
})
