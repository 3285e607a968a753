# What users do with a result: look at it, summarise it, draw it, and take
# any of its columns as a population matrix.

print.gstboot <- function(x, ...) {
  cat("gstboot: ", nrow(x), " population pairs, seed ", format(attr(x, "seed"), scientific = FALSE), "\n",
      sep = "")
  cat("inputs: MHC ", attr(x, "inputs")[["mhc"]], ", MIC ", attr(x, "inputs")[["mic"]], "\n", sep = "")
  for (line in attr(x, "read")) cat(line, "\n", sep = "")
  cat("settings: ", attr(x, "settings"), "\n", sep = "")
  different <- calleddifferent(x)
  if (nrow(different) > 0) {
    cat("pairs the neutral test calls different (q < 0.05):\n")
    print(different, row.names = FALSE)
  } else if (all(is.na(x$neutral_q))) {
    cat("the neutral test was not made\n")
  } else {
    cat("the neutral test calls no pair different (q < 0.05)\n")
  }
  for (line in c(attr(x, "neutral"), attr(x, "study"), attr(x, "report"))) {
    if (nzchar(line)) cat(line, "\n", sep = "")
  }
  invisible(x)
}

# The pairs whose neutral q lies below 0.05, with their estimates.
calleddifferent <- function(x) {
  keep <- !is.na(x$neutral_q) & x$neutral_q < 0.05
  as.data.frame(x)[keep, c("name1", "name2", "mhc_observed", "mic_observed", "neutral_z", "neutral_q"),
                   drop = FALSE]
}

summary.gstboot <- function(object, ...) {
  values <- function(v) stats::quantile(v[is.finite(v)], c(0, 0.25, 0.5, 0.75, 1), names = FALSE)
  estimates <- rbind(mhc_observed = values(object$mhc_observed), mic_observed = values(object$mic_observed))
  colnames(estimates) <- c("min", "q1", "median", "q3", "max")
  structure(list(pairs = nrow(object), seed = attr(object, "seed"), settings = attr(object, "settings"),
                 estimates = estimates,
                 mhcgreater = sum(object$frac_mhc_gt_mic > 0.5),
                 different = calleddifferent(object)),
            class = "summary.gstboot")
}

print.summary.gstboot <- function(x, ...) {
  cat("gstboot: ", x$pairs, " population pairs, seed ", format(x$seed, scientific = FALSE), "\n",
      "settings: ", x$settings, "\n", sep = "")
  cat("observed Gst over the pairs (finite values):\n")
  print(x$estimates)
  cat("pairs whose MHC estimate exceeds the MIC's in most replicates: ", x$mhcgreater, "\n", sep = "")
  cat("pairs the neutral test calls different (q < 0.05): ", nrow(x$different), "\n", sep = "")
  invisible(x)
}

plot.gstboot <- function(x, type = c("scatter", "heatmap"), what = "mhc_observed", ...) {
  type <- match.arg(type)
  if (type == "heatmap") {
    m <- as.matrix(x, what = what)
    n <- nrow(m)
    graphics::image(seq_len(n), seq_len(n), m[, rev(seq_len(n)), drop = FALSE], axes = FALSE,
                    xlab = "", ylab = "", main = what, col = grDevices::hcl.colors(64, "YlOrRd", rev = TRUE), ...)
    graphics::axis(1, seq_len(n), rownames(m), las = 2)
    graphics::axis(2, seq_len(n), rev(colnames(m)), las = 1)
    return(invisible(m))
  }
  range <- range(c(x$mic_observed, x$mhc_observed, 0), finite = TRUE)
  different <- !is.na(x$neutral_q) & x$neutral_q < 0.05
  graphics::plot(x$mic_observed, x$mhc_observed, xlim = range, ylim = range,
                 xlab = "MIC Gst (observed)", ylab = "MHC Gst (observed)",
                 pch = ifelse(different, 19, 1), ...)
  graphics::abline(0, 1, lty = 2)
  if (any(different)) {
    graphics::legend("topleft", c("neutral test: different (q < 0.05)", "not different"), pch = c(19, 1),
                     bty = "n")
  }
  invisible(x)
}

as.matrix.gstboot <- function(x, what = "mhc_observed", diagonal = NA, ...) {
  if (!is.character(what) || length(what) != 1 || !(what %in% names(x)) ||
      !is.numeric(x[[what]])) {
    numeric <- names(x)[vapply(x, is.numeric, logical(1))]
    stop("gstboot: 'what' should name one numeric column: ", paste(numeric, collapse = ", "), call. = FALSE)
  }
  n <- max(c(x$pop2, 0L))
  labels <- as.character(seq_len(n))
  labels[x$pop1] <- x$name1
  labels[x$pop2] <- x$name2
  m <- matrix(as.numeric(diagonal), n, n, dimnames = list(labels, labels))
  m[cbind(x$pop1, x$pop2)] <- x[[what]]
  m[cbind(x$pop2, x$pop1)] <- x[[what]]
  m
}
