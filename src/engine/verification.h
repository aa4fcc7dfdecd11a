#pragma once
// Verification by simulation: does the linear prediction of the precision (the covariance of the
// adjustment linearised at the design coordinates) hold for this network? N realisations of every
// observation and pseudo-observation, each the tables' (simulated) value plus Gaussian noise of that
// observation's standard deviation, are each adjusted with the full non-linear iteration from the
// design coordinates, in the datum of a Calculate (a free network in the minimum-trace datum about
// the design coordinates). Per element, the empirical covariance of the adjusted positions is set
// against the predicted one.
//
// The test per element: the likelihood-ratio test of "covariance = predicted" for Gaussian samples,
// (n - 1) rho (tr(C^-1 S) - ln det(C^-1 S) - p) against the chi-square distribution with p (p + 1) / 2
// degrees of freedom (p the estimated position components, S the empirical covariance about the
// sample mean, rho Bartlett's correction 1 - (2p + 1 - 2 / (p + 1)) / (6 (n - 1))), at a family level
// of 1 % shared equally over the elements tested (Bonferroni), so that a network whose prediction
// holds has one chance in a hundred of any flag at all.
//
// Reproducible: realisation k draws its noise from its own generator seeded from (seed, k), and the
// sums are taken in the order of the realisations, so the same seed gives the same numbers, bit for
// bit, with any number of threads.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/project.h"

namespace kivo::eng {

struct VerificationOptions {
    int samples = 1000;        // realisations
    std::uint64_t seed = 1;    // the same seed gives the same numbers
    int threads = 0;           // worker threads; 0: one per core
    double familyAlpha = 0.01; // level of the test over all elements together
    int itermax = 20;          // Gauss-Newton iteration limit per realisation (as a Calculate)
    double valstop = 1e-6;     // converged when every correction is below valstop / sqrt(N_ii)
    // Most adjusted positions kept for drawing (3 per element and realisation); the statistics use
    // every realisation regardless.
    std::size_t cloudLimit = std::size_t{1} << 22;
};

// One element's verdict. Positions in the length unit, covariances of x, y, z.
struct VerifiedElement {
    enum class Status {
        Ok,
        Flagged,  // the empirical covariance differs from the prediction beyond the sampling error
        Fixed,    // no estimated position component: nothing to verify
        LeftOut,  // not determined or not connected to the datum: no prediction
        Untested, // no realisation converged
    };
    Status status = Status::Fixed;
    int element = -1;         // index as in the result arrays (station i, target maxsta + j)
    std::string name;         // as the forms show it (the label when there is one)
    std::string shown;        // as the listing shows it
    double design[3] = {};    // design coordinates, the centre of the cloud
    double predicted[6] = {}; // predicted covariance xx, yy, zz, xy, xz, yz
    double empirical[6] = {}; // empirical covariance about the sample mean, the same order
    double mean[3] = {};      // mean adjusted position minus the design coordinates
    double predictedAxis = 0.0, empiricalAxis = 0.0; // largest 1-sigma ellipsoid semi-axes
    double ratio = 0.0;                              // empiricalAxis / predictedAxis
    int dimensions = 0;                              // p: estimated position components tested
    double statistic = 0.0, critical = 0.0;          // the test statistic and its critical value
};

struct FailedRealisation {
    int index = 0;      // realisation, from 0 (realisation k is seeded from (seed, k))
    std::string reason; // e.g. "no convergence after 20 iterations"
};

struct Verification {
    bool ok = false; // false: the check could not be made (why says why)
    bool cancelled = false;
    std::string why;
    int samples = 0; // realisations asked for
    std::uint64_t seed = 0;
    int converged = 0; // realisations that converged (the statistics use these)
    std::vector<FailedRealisation> failed;
    std::vector<VerifiedElement> elements; // every element of the tables, stations first
    int tested = 0, flagged = 0;
    double familyAlpha = 0.0, elementAlpha = 0.0;
    // Pooled variance ratio: the sum over the tested elements of tr(C^-1 S), over the sum of p.
    // Its sampling standard deviation is at most sqrt(2 / (pmin (n - 1))) whatever the correlation
    // between elements; that bound is pooledSd.
    double pooledRatio = 0.0, pooledSd = 0.0;
    int units = -1; // length unit of the tables (project::units)
    double seconds = 0.0;
    // Adjusted positions for drawing: cloudSamples realisations (the first ones) per element, as
    // offsets from the design coordinates, element by element: cloud[(e * cloudSamples + k) * 3 + c].
    // NaN for a realisation that failed.
    int cloudSamples = 0;
    std::vector<float> cloud;
    // Whether the check found anything the user must look at: a flagged element or a realisation
    // that did not converge.
    bool anyFlag() const { return flagged > 0 || !failed.empty(); }
};

// Runs the check on the tables (observation values as simulated from the design coordinates).
// done counts the realisations finished (may be null); cancel, when raised, stops the check between
// realisations: the result then says cancelled and holds no statistics.
Verification verifyBySimulation(const project& p, const VerificationOptions& options,
                                const std::atomic<bool>* cancel = nullptr, std::atomic<int>* done = nullptr);

// The listing section "VERIFICATION BY SIMULATION" (CR LF line ends), small quantities in the
// sub-unit of the tables' length unit as the rest of the listing gives them.
std::string verificationSection(const Verification& v);

// Adds the section to the listing at path (replacing a section an earlier check left there), whole
// or not at all: false, with errno telling why, when the listing cannot be read or written.
bool appendVerificationToListing(const std::string& path, const Verification& v);
// The same with the section's text as verificationSection made it.
bool appendVerificationToListing(const std::string& path, const std::string& section);

} // namespace kivo::eng
