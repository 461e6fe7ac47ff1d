# Power from a pilot: simulated studies of other numbers of participants, from the pilot's fitted
# mixed-effects models (those of mixedmodels.R).
#
# For each number of participants N, `simulations` times: N new participants each get the cases
# (sample and source) of one pilot participant in turn; lme4's simulate() draws new participant
# and sample effects and residuals (or correct answers) from the fitted model, the model is
# fitted again, and each source's contrast with the reference counts as found when its
# two-sided Wald p is below 0.05. The share found is the power. Random numbers come from
# set.seed(seed): the same seed gives the same result. Simulating stops once `time_limit`
# seconds have passed; the simulations done by then are reported.
if (!requireNamespace("lme4", quietly = TRUE)) {
    message("lme4 is not installed")
    quit(save = "no", status = 3)
}
suppressPackageStartupMessages(library(lme4))

## SETTINGS ##

set.seed(seed)
started <- Sys.time()
trials <- read.csv(trials_file, stringsAsFactors = FALSE, na.strings = "",
                   colClasses = c(participant = "character", sample = "character",
                                  source = "character"))
trials <- trials[trials$phase == "test" & trials$source %in% sources, ]

quiet_fit <- function(formula, data, accuracy) {
    tryCatch(suppressWarnings(suppressMessages(
        if (accuracy) glmer(formula, data = data, family = stats::binomial)
        else lmer(formula, data = data))),
        error = function(e) NULL)
}

# Two-sided Wald p of each source term, NA where the refit failed.
term_p <- function(model, terms) {
    if (is.null(model))
        return(rep(NA, length(terms)))
    coefs <- coef(summary(model))
    p <- rep(NA, length(terms))
    present <- terms %in% rownames(coefs)
    p[present] <- 2 * pnorm(-abs(coefs[terms[present], 1] / coefs[terms[present], 2]))
    p
}

rows <- NULL
for (measure in c("time", "accuracy")) {
    accuracy <- measure == "accuracy"
    data <- if (accuracy) trials[trials$judged == 1 & !is.na(trials$correct), ]
            else trials[!is.na(trials$seconds) & trials$seconds > 0, ]
    if (nrow(data) == 0)
        next
    levels <- sources[sources %in% data$source]
    if (length(levels) < 2 || length(unique(data$participant)) < 2 ||
        length(unique(data$sample)) < 2)
        next
    data$source <- factor(data$source, levels = levels)
    response <- if (accuracy) "correct" else "log(seconds)"
    formula <- as.formula(paste(response,
                                "~ source + (1 | participant) + (1 | sample)"))
    pilot <- quiet_fit(formula, data, accuracy)
    if (is.null(pilot)) {
        message(sprintf("power: the pilot's %s model could not be fitted", measure))
        next
    }
    terms <- paste0("source", levels[-1])
    # A source with every answer right (or wrong) has no finite log odds to simulate from.
    estimates <- coef(summary(pilot))[terms, , drop = FALSE]
    if (accuracy && any(abs(estimates[, 1]) > 15 | estimates[, 2] > 50)) {
        message("power: the pilot's accuracy model has no finite estimate (with some source ",
                "all answers are right or all wrong); accuracy is not simulated")
        next
    }
    pilots <- split(data[, c("participant", "sample", "source")], data$participant)
    for (n in participants) {
        # N participants, each with the cases of a pilot participant in turn.
        design <- do.call(rbind, lapply(seq_len(n), function(i) {
            cases <- pilots[[(i - 1) %% length(pilots) + 1]]
            cases$participant <- sprintf("sim%04d", i)
            cases
        }))
        design$source <- factor(as.character(design$source), levels = levels)
        found <- rep(0, length(terms))
        fitted <- 0
        done <- 0
        for (s in seq_len(simulations)) {
            if (as.numeric(Sys.time() - started, units = "secs") > time_limit)
                break
            y <- simulate(pilot, nsim = 1, newdata = design, allow.new.levels = TRUE)[[1]]
            simulated <- design
            if (accuracy) {
                simulated$correct <- y
            } else {
                simulated$seconds <- exp(y)
            }
            p <- term_p(quiet_fit(formula, simulated, accuracy), terms)
            done <- done + 1
            if (!any(is.na(p))) {
                fitted <- fitted + 1
                found <- found + (p < 0.05)
            }
            if (s %% 10 == 0 || s == simulations)
                message(sprintf("power: %s, %d participants: %d of %d simulations", measure, n,
                                s, simulations))
        }
        rows <- rbind(rows, data.frame(measure = measure, source = levels[-1],
                                       reference = levels[1], participants = n,
                                       simulations = done, fitted = fitted, significant = found,
                                       stringsAsFactors = FALSE))
    }
}
if (is.null(rows))
    rows <- data.frame(measure = character(0), source = character(0), reference = character(0),
                       participants = integer(0), simulations = integer(0), fitted = integer(0),
                       significant = integer(0))
write.csv(rows, results_file, row.names = FALSE, na = "")
