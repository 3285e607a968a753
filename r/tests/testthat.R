library(testthat)
library(gstboot)
test_check("gstboot")
