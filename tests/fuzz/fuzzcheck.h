#ifndef FUZZCHECK_H
#define FUZZCHECK_H

#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test: stops the run so that the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// The code under test writes diagnostics to standard output for every odd input and Qt warns on
// standard error; millions of runs would drown the fuzzer's own report in them.
void silenceDiagnostics();

} // namespace fuzz

#endif // FUZZCHECK_H
