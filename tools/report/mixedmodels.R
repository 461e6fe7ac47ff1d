# Mixed-effects models of a wallmatch study, one row of the tidy data per answer.
#
#   time:     lmer(log(seconds) ~ source + (1 | participant) + (1 | sample))
#   accuracy: glmer(correct ~ source + (1 | participant) + (1 | sample), family = binomial)
#
# Participants and samples are crossed random effects: each participant has their own speed
# and skill, each sample (room) its own difficulty. The fixed effect of each source is its
# difference from the reference source: in log seconds (exp(estimate) = "x times as long") and
# in log odds of a correct answer. source is tested as a whole by a likelihood-ratio test
# against the same model without it. A grouping factor with a single level (one participant,
# one sample) cannot carry a random effect and is left out of the formula.
#
# Each effect gets a 95 % interval: the profile-likelihood interval where the profile can be
# computed without complaint, the Wald interval (estimate +- 1.96 SE) otherwise; the column
# interval says which. exp() of the bounds gives the time ratio or the odds ratio.
if (!requireNamespace("lme4", quietly = TRUE)) {
    message("lme4 is not installed")
    quit(save = "no", status = 3)
}
suppressPackageStartupMessages(library(lme4))

## SETTINGS ##

trials <- read.csv(trials_file, stringsAsFactors = FALSE, na.strings = "",
                   colClasses = c(participant = "character", sample = "character",
                                  source = "character"))
# Answers of the run only (not those given after its end), of the study's sources.
trials <- trials[trials$phase == "test" & trials$source %in% sources, ]

# Fits a model; a fit that fails or that lme4's convergence checks reject is kept as such,
# with the reason, and is never reported as a result.
fit_model <- function(formula, data, accuracy) {
    warned <- character(0)
    model <- withCallingHandlers(
        tryCatch(if (accuracy) glmer(formula, data = data, family = stats::binomial)
                 else lmer(formula, data = data),
                 error = function(e) e),
        warning = function(w) {
            warned <<- c(warned, conditionMessage(w))
            invokeRestart("muffleWarning")
        })
    if (inherits(model, "error"))
        return(list(model = NULL, converged = FALSE, message = conditionMessage(model)))
    conv <- model@optinfo$conv
    # A singular fit (a random-effect variance estimated as zero) has converged; lme4 says so
    # among its convergence messages, but it is a property of the data, not a failure.
    checks <- conv$lme4$messages
    failures <- checks[!grepl("singular", checks)]
    converged <- (is.null(conv$opt) || conv$opt == 0) && length(failures) == 0
    notes <- unique(c(failures, warned[!grepl("singular", warned)]))
    notes <- notes[nzchar(notes)]
    # A fit that did not converge always says why, if only the optimiser's own code.
    if (!converged && length(notes) == 0)
        notes <- sprintf("the optimiser stopped without converging (code %s%s)",
                         paste(conv$opt, collapse = " "),
                         if (nzchar(paste(model@optinfo$message, collapse = "")))
                             paste0(": ", paste(model@optinfo$message, collapse = " ")) else "")
    if (isSingular(model))
        notes <- c(notes, "singular fit: a random-effect variance is estimated as zero")
    list(model = model, converged = converged, message = paste(notes, collapse = "; "))
}

# 95 % intervals of the fixed effects `terms`: profile likelihood, or Wald where profiling fails
# or warns (a profile that is not monotone, a fit that does not converge along it).
interval95 <- function(model, terms, rows) {
    warned <- FALSE
    ci <- withCallingHandlers(
        tryCatch(suppressMessages(confint(model, parm = terms, method = "profile",
                                          level = 0.95, quiet = TRUE)),
                 error = function(e) NULL),
        warning = function(w) {
            warned <<- TRUE
            invokeRestart("muffleWarning")
        })
    if (!warned && !is.null(ci) && all(terms %in% rownames(ci)) && all(is.finite(ci[terms, ])))
        return(data.frame(conf_low = ci[terms, 1], conf_high = ci[terms, 2],
                          interval = "profile", stringsAsFactors = FALSE))
    z <- qnorm(0.975)
    data.frame(conf_low = rows$estimate - z * rows$std_error,
               conf_high = rows$estimate + z * rows$std_error,
               interval = "Wald", stringsAsFactors = FALSE)
}

# The fixed effects of source of one measure, as rows of the results.
analyse <- function(measure, response, data, accuracy) {
    levels <- sources[sources %in% data$source]
    if (length(levels) < 2)
        return(NULL)
    data$source <- factor(data$source, levels = levels)
    random <- character(0)
    for (group in c("participant", "sample"))
        if (length(unique(data[[group]])) > 1)
            random <- c(random, sprintf("(1 | %s)", group))
    if (length(random) == 0)
        random <- "(1 | participant)" # fails with lme4's own message, reported as such
    rhs <- paste(random, collapse = " + ")
    full <- fit_model(as.formula(paste(response, "~ source +", rhs)), data, accuracy)
    rows <- data.frame(measure = measure, source = levels[-1], reference = levels[1],
                       estimate = NA, std_error = NA, statistic = NA, p = NA, lrt_p = NA,
                       observations = nrow(data), converged = full$converged,
                       message = full$message, conf_low = NA, conf_high = NA, interval = "",
                       stringsAsFactors = FALSE)
    if (!full$converged)
        return(rows)
    coefs <- coef(summary(full$model))
    terms <- paste0("source", levels[-1])
    rows$estimate <- coefs[terms, 1]
    rows$std_error <- coefs[terms, 2]
    rows$statistic <- coefs[terms, 3]
    # lme4 gives no p for lmer's t; with many answers t is close to normal.
    rows$p <- 2 * pnorm(-abs(rows$statistic))
    # All answers right (or all wrong) with a source drive its log odds towards infinity: the
    # optimiser stops somewhere far out with a huge standard error. That is no estimate.
    if (accuracy && any(abs(rows$estimate) > 15 | rows$std_error > 50)) {
        rows[, c("estimate", "std_error", "statistic", "p")] <- NA
        rows$converged <- FALSE
        rows$message <- paste(c("separation: with some source all answers are right or all wrong,",
                                "so its log odds have no finite estimate"), collapse = " ")
        return(rows)
    }
    rows[, c("conf_low", "conf_high", "interval")] <- interval95(full$model, terms, rows)
    reduced <- fit_model(as.formula(paste(response, "~ 1 +", rhs)), data, accuracy)
    if (reduced$converged) {
        lrt <- suppressMessages(anova(reduced$model, full$model))
        rows$lrt_p <- lrt[["Pr(>Chisq)"]][2]
    } else {
        why <- c(rows$message[1], paste("model without source:", reduced$message))
        rows$message <- paste(why[nzchar(why)], collapse = "; ")
    }
    rows
}

timed <- trials[!is.na(trials$seconds) & trials$seconds > 0, ]
results <- analyse("time", "log(seconds)", timed, FALSE)
judged <- trials[trials$judged == 1 & !is.na(trials$correct), ]
results <- rbind(results, analyse("accuracy", "correct", judged, TRUE))

# With layout metrics (wallmatch-report --reference): time and accuracy on the shown layout's 2D
# IoU with the reference layout, mean of the two views, with the same random effects. The
# estimate is per unit of IoU (from no overlap to the same floor).
analyse_metric <- function(measure, response, data, accuracy) {
    data <- data[!is.na(data$iou2d), ]
    if (nrow(data) < 3 || length(unique(data$iou2d)) < 2)
        return(NULL)
    random <- character(0)
    for (group in c("participant", "sample"))
        if (length(unique(data[[group]])) > 1)
            random <- c(random, sprintf("(1 | %s)", group))
    if (length(random) == 0)
        random <- "(1 | participant)"
    fit <- fit_model(as.formula(paste(response, "~ iou2d +", paste(random, collapse = " + "))),
                     data, accuracy)
    row <- data.frame(measure = paste0(measure, "_by_iou2d"), source = "iou2d",
                      reference = "iou2d 0", estimate = NA, std_error = NA, statistic = NA,
                      p = NA, lrt_p = NA, observations = nrow(data), converged = fit$converged,
                      message = fit$message, conf_low = NA, conf_high = NA, interval = "",
                      stringsAsFactors = FALSE)
    if (!fit$converged)
        return(row)
    coefs <- coef(summary(fit$model))
    row$estimate <- coefs["iou2d", 1]
    row$std_error <- coefs["iou2d", 2]
    row$statistic <- coefs["iou2d", 3]
    row$p <- 2 * pnorm(-abs(row$statistic))
    row[, c("conf_low", "conf_high", "interval")] <- interval95(fit$model, "iou2d", row)
    row
}
if ("iou2d" %in% names(trials)) {
    results <- rbind(results, analyse_metric("time", "log(seconds)", timed, FALSE))
    results <- rbind(results, analyse_metric("accuracy", "correct", judged, TRUE))
}

if (is.null(results)) {
    message("fewer than two sources with answers: nothing to compare")
} else {
    if (!is.na(results_file))
        write.csv(results, results_file, row.names = FALSE, na = "")
    if (interactive() || is.na(results_file)) {
        # The time ratio, or the odds ratio of a correct answer, with its 95 % interval.
        results$ratio <- exp(results$estimate)
        results$ratio_low <- exp(results$conf_low)
        results$ratio_high <- exp(results$conf_high)
        print(results[, c("measure", "source", "reference", "estimate", "std_error",
                          "statistic", "p", "ratio", "ratio_low", "ratio_high", "interval",
                          "lrt_p", "converged")])
    }
}
