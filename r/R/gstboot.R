# The study run by the program's core: the inputs made into files the core
# reads, the options into its command-line arguments, so that both are
# checked once, by the core, with the command line's messages.

#' @noRd
optionnames <- c("correction", "resample", "neutral_draws", "threads", "missing",
                 "mhc_format", "mic_format", "popmap", "mhc_locus", "polyploid")

gstboot <- function(mhc, mic, seed = NULL, correction = NULL, resample = NULL,
                    neutral_draws = 200L, threads = NULL, missing = NULL,
                    mhc_format = "auto", mic_format = "auto", popmap = NULL,
                    mhc_locus = NULL, polyploid = FALSE, ...) {
  extra <- list(...)
  if (length(extra) > 0) {
    given <- names(extra)
    if (is.null(given)) given <- rep("", length(extra))
    given[given == ""] <- "(unnamed)"
    stop("gstboot: unknown option ", paste0("'", given, "'", collapse = ", "),
         ": the options are ", paste(optionnames, collapse = ", "), call. = FALSE)
  }
  if (is.null(seed)) {
    seed <- floor(as.numeric(Sys.time())) %% 4294967296
    message("seed: ", format(seed, scientific = FALSE))
  }
  folder <- tempfile("gstboot")
  dir.create(folder)
  on.exit(unlink(folder, recursive = TRUE), add = TRUE)
  mhcfile <- inputfile(mhc, "mhc", folder)
  micfile <- inputfile(mic, "mic", folder)
  args <- c("--mhc", mhcfile$path, "--mic", micfile$path,
            "--seed", scalar(seed, "seed", function(v) format(v, scientific = FALSE)),
            "--neutral-draws", scalar(neutral_draws, "neutral_draws"),
            "--mhc-format", scalar(if (mhcfile$table) "table" else mhc_format, "mhc_format"),
            "--mic-format", scalar(if (micfile$table) "table" else mic_format, "mic_format"))
  if (!is.null(correction)) {
    args <- c(args, "--correction",
              if (is.logical(correction)) (if (isTRUE(correction)) "on" else "off")
              else scalar(correction, "correction"))
  }
  if (!is.null(resample)) {
    args <- c(args, "--resample", if (length(resample) == 0) "none" else paste(resample, collapse = ","))
  }
  if (!is.null(threads)) args <- c(args, "--threads", scalar(threads, "threads"))
  if (!is.null(missing)) args <- c(args, "--missing", paste(missing, collapse = ","))
  if (!is.null(popmap)) args <- c(args, "--popmap", scalar(popmap, "popmap"))
  if (!is.null(mhc_locus)) args <- c(args, "--mhc-locus", scalar(mhc_locus, "mhc_locus"))
  if (isTRUE(polyploid)) args <- c(args, "--polyploid")

  # A table written here is named in the program's texts by what it was.
  named <- function(text) {
    for (input in list(mhcfile, micfile)) {
      if (input$table) text <- gsub(input$path, input$label, text, fixed = TRUE)
    }
    text
  }
  run <- tryCatch(.Call(gstboot_run, args),
                  error = function(e) stop(named(conditionMessage(e)), call. = FALSE))
  for (w in run$warnings) warning(named(w), call. = FALSE)
  table <- as.data.frame(run$table, stringsAsFactors = FALSE, optional = TRUE)
  structure(table, class = c("gstboot", "data.frame"),
            seed = seed, settings = run$settings, read = named(run$read),
            inputs = c(mhc = mhcfile$what, mic = micfile$what),
            neutral = named(run$neutral), study = named(run$study), report = named(run$report))
}

# One option's value as its argument text; `name` is the R argument named in
# the refusal.
scalar <- function(value, name, text = as.character) {
  if (length(value) != 1 || is.na(value)) {
    stop("gstboot: '", name, "' needs one value, not ", length(value), call. = FALSE)
  }
  text(value)
}

# A path as it is; a data frame or a genind written as a tab-separated table
# in `folder`. Returns the path, whether it is such a table, what it was,
# and the label that names such a table in messages ("mic data frame").
inputfile <- function(x, role, folder) {
  if (is.character(x) && length(x) == 1) {
    return(list(path = path.expand(x), table = FALSE, what = x, label = x))
  }
  if (inherits(x, "genind")) {
    x <- genindtable(x, role)
    what <- "genind"
  } else if (is.data.frame(x)) {
    what <- "data frame"
  } else {
    stop("gstboot: '", role, "' should be a file path, a data frame or a genind object, not ",
         class(x)[1], call. = FALSE)
  }
  checktable(x, role)
  path <- file.path(folder, paste0(role, ".tsv"))
  utils::write.table(x, path, sep = "\t", quote = TRUE, qmethod = "double",
                     row.names = FALSE, na = "NA", fileEncoding = "UTF-8")
  list(path = path, table = TRUE, what = what, label = paste(role, what))
}

# The table layout's two named columns, named as the reader names them.
checktable <- function(x, role) {
  header <- tolower(trimws(names(x)))
  if (!any(header %in% c("population", "pop"))) {
    stop("gstboot: the '", role, "' data frame has no population column: name the column of ",
         "populations 'population' (or 'pop')", call. = FALSE)
  }
  if (!any(header %in% c("individual", "ind", "sample", "id"))) {
    stop("gstboot: the '", role, "' data frame has no individual column: name the column of ",
         "individuals 'individual' (or 'ind', 'sample', 'id')", call. = FALSE)
  }
}

# A genind object in the table layout: one "a/b" cell per locus (as many
# alleles as the individual's ploidy), its populations and individuals.
genindtable <- function(x, role) {
  if (!requireNamespace("adegenet", quietly = TRUE)) {
    stop("gstboot: reading a genind object needs the adegenet package: install.packages(\"adegenet\")",
         call. = FALSE)
  }
  pops <- adegenet::pop(x)
  if (is.null(pops) || length(pops) == 0) {
    stop("gstboot: the '", role, "' genind object has no populations: set them with ",
         "adegenet::pop(x) <- ... (a factor, one level per population)", call. = FALSE)
  }
  cells <- adegenet::genind2df(x, sep = "/", usepop = FALSE, oneColPerAll = FALSE)
  data.frame(population = as.character(pops), individual = adegenet::indNames(x), cells,
             check.names = FALSE, stringsAsFactors = FALSE)
}
