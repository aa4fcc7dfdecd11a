#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "engine/project.h"
#include "engine/verification.h"

namespace kivo::cli {

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kivo-cli montecarlo PROJECT.SIM [--samples N] [--seed S]\n");
    return EXIT_USAGE;
}

// An unsigned whole number, the whole argument, within [low, high].
template <class T> bool ParseCount(const char* text, T low, T high, T& value) {
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end && ptr != text && value >= low && value <= high;
}

const char* Verdict(eng::VerifiedElement::Status s) {
    using S = eng::VerifiedElement::Status;
    switch (s) {
    case S::Ok:
        return "ok";
    case S::Flagged:
        return "flag";
    case S::Fixed:
        return "fixed";
    case S::LeftOut:
        return "left-out";
    case S::Untested:
        break;
    }
    return "untested";
}

} // namespace

// montecarlo PROJECT.SIM [--samples N] [--seed S]: Calculate, then the verification by simulation of
// the predicted precision; its section goes into the listing.
int CmdMonteCarlo(int argc, char** argv) {
    const char* path = nullptr;
    eng::VerificationOptions options;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--samples") == 0 && i + 1 < argc) {
            if (!ParseCount(argv[++i], 2, 10000000, options.samples)) {
                std::fprintf(stderr,
                             "kivo-cli: the samples must be a whole number from 2 to 10000000, not '%s'\n",
                             argv[i]);
                return EXIT_USAGE;
            }
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            if (!ParseCount<std::uint64_t>(argv[++i], 0, UINT64_MAX, options.seed)) {
                std::fprintf(stderr, "kivo-cli: the seed must be a whole number from 0, not '%s'\n", argv[i]);
                return EXIT_USAGE;
            }
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (!path) return Usage();

    CommandProject opened;
    if (const int status = opened.OpenCalculated(path); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    if (!doc.lastRunTables) {
        std::fprintf(stderr, "The check by simulation failed: no engine tables\n");
        return EXIT_ENGINE;
    }
    const eng::Verification v = eng::verifyBySimulation(*doc.lastRunTables, options);
    if (!v.ok) {
        std::fprintf(stderr, "The check by simulation failed: %s\n", v.why.c_str());
        return EXIT_ENGINE;
    }
    // Axes in the project's length unit, as `check` gives them.
    for (const eng::VerifiedElement& e : v.elements) {
        const bool judged =
            e.status == eng::VerifiedElement::Status::Ok || e.status == eng::VerifiedElement::Status::Flagged;
        if (judged)
            std::printf("%s\t%.10g\t%.10g\t%.4f\t%s\n", e.name.c_str(), e.predictedAxis, e.empiricalAxis,
                        e.ratio, Verdict(e.status));
        else
            std::printf("%s\t%.10g\t0\t-\t%s\n", e.name.c_str(), e.predictedAxis, Verdict(e.status));
    }
    std::printf("summary\tsamples=%d\tseed=%llu\tconverged=%d\tflagged=%d\ttested=%d\tpooled-ratio=%.4f\t"
                "pooled-sd=%.4f\n",
                v.samples, static_cast<unsigned long long>(v.seed), v.converged, v.flagged, v.tested,
                v.pooledRatio, v.pooledSd);
    if (!v.failed.empty())
        std::fprintf(stderr, "kivo-cli: %zu of %d realisations did not converge (the listing names them)\n",
                     v.failed.size(), v.samples);
    std::fprintf(stderr, "Verification by simulation: %d realisations in %.2f s\n", v.samples, v.seconds);

    const std::string& listing = doc.lastRunTables->listingName();
    if (!listing.empty() && !eng::appendVerificationToListing(listing, v)) {
        std::fprintf(stderr, "kivo-cli: cannot write the listing %s: %s\n", listing.c_str(),
                     std::strerror(errno));
        return EXIT_UNWRITABLE;
    }
    return v.anyFlag() ? EXIT_CHECK_FAILED : EXIT_OK;
}

} // namespace kivo::cli
