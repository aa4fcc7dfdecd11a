#pragma once
// Sparse normal equations in the block form the networks have: the station unknowns form a small
// dense "core"; targets form clusters (usually one target, a scale bar's two ends, or points tied by
// point-to-point observations), each coupled only to the core and to itself. Eliminating every
// cluster first leaves the reduced core system S = A - sum B C^-1 B^T. Factoring is then linear in
// the number of targets, and the covariance blocks on the pattern of N (core x core, cluster x
// cluster, cluster x touched core) follow from the same pieces: this is the selected inversion
// of N for this elimination order, and no dense inverse of N is ever formed.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <Eigen/Dense>

#include "engine/network.h"

namespace kivo::eng {

class Normals {
public:
    // Lays out the blocks. excluded: unknowns held at zero (datum-fixing choice), per unknown.
    // rowsOfObs: observations whose rows are assembled.
    void layout(const Network& net, const std::vector<char>& excluded);

    // Accumulates N and n, asking for the linearised row of each observation laid out, one at a time
    // (no table of rows is kept); false when one has no value there (its index is then in failed).
    bool assemble(const std::function<bool(int, Row&)>& linearize, int& failed);
    // Forms only the right-hand side at the current values, keeping N and its factors (a step of the
    // simplified iteration); the same contract as assemble().
    bool assembleRightHandSide(const std::function<bool(int, Row&)>& linearize, int& failed);

    // Factors; false with a reason when N (with the excluded unknowns removed) is not positive definite.
    bool factor(std::string& why);

    // Solves N x = rhs (full length, per unknown; excluded unknowns get 0). Needs factor().
    Eigen::MatrixXd solve(const Eigen::MatrixXd& rhs) const; // several right-hand sides at once
    // (N^-1 R^T)^T for right-hand sides given as rows (R: m x unknowns), without forming R^T or the
    // unknowns x m solution: the datum's few rows of a network of a million unknowns.
    Eigen::MatrixXd solveTransposed(const Eigen::MatrixXd& rhsT) const;
    Eigen::VectorXd solveAssembled() const; // with the assembled right-hand side

    // Covariance blocks of the factored system (a generalised inverse of N when unknowns were
    // excluded). After selectedInverse(), q(i, j) is available for every pair on the pattern of N.
    void selectedInverse();
    // The same, and a^T Q a for every observation laid out while each cluster's blocks are at hand
    // (as quadratics() below, without forming the cluster x core blocks a second time). The clusters
    // are shared out over the cores: linearize and visit are called from several threads at once,
    // for distinct observations.
    void selectedInverse(const std::function<bool(int, Row&)>& linearize,
                         const std::function<void(int, const Row&, double)>& visit);
    double q(int i, int j) const;
    // a^T Q a for one linearised row (its unknowns always lie on the pattern).
    double quadratic(const Row& r) const;
    // a^T Q a for every observation laid out, a cluster at a time (the cluster x core covariance
    // block is formed once per cluster and never kept); visit(observation, row, a^T Q a).
    void quadratics(const std::function<bool(int, Row&)>& linearize,
                    const std::function<void(int, const Row&, double)>& visit) const;

    double diagonal(int i) const; // N(i, i), from assemble() until selectedInverse()
    int coreSize() const { return na_; }
    int clusterCount() const { return static_cast<int>(cl_.size()); }

private:
    template <class Rhs, class Out> void solveInto(const Rhs& rhs, Out& x) const; // x: zeroed
    bool assembleRows(const std::function<bool(int, Row&)>& linearize, int& failed, bool matrix);

    // A cluster's index lists and matrices live in shared arrays (a hundred thousand clusters of a
    // few unknowns each would otherwise cost a dozen small allocations apiece).
    struct Cluster {
        int k = 0, nr = 0;     // unknowns; touched core indices
        std::size_t param = 0; // k unknowns in params_, local order
        std::size_t row = 0;   // nr core indices in rows_, ascending
        std::size_t obs = 0;   // observations touching the cluster: obs_[obs, obsEnd)
        std::size_t obsEnd = 0;
        std::size_t mat = 0; // in pool_: C, L (k x k each), b (k), X (k x nr), Qcc (k x k)
    };
    using Map = Eigen::Map<Eigen::MatrixXd>;
    using ConstMap = Eigen::Map<const Eigen::MatrixXd>;
    // C: normal matrix block; L: its Cholesky factor; b: right-hand side; X: C^-1 B^T
    // (B: rows x k coupling to the core, held transposed in X's place until X is known); Qcc: the
    // covariance block cluster x cluster.
    Map C(const Cluster& c) const { return {pool(c.mat), c.k, c.k}; }
    Map L(const Cluster& c) const { return {pool(c.mat + kk(c)), c.k, c.k}; }
    Eigen::Map<Eigen::VectorXd> b(const Cluster& c) const { return {pool(c.mat + 2 * kk(c)), c.k}; }
    static std::size_t xAt(const Cluster& c) { return c.mat + 2 * kk(c) + c.k; }
    Map X(const Cluster& c) const { return {pool(xAt(c)), c.k, c.nr}; }
    Map Qcc(const Cluster& c) const {
        return {pool(xAt(c) + static_cast<std::size_t>(c.k) * c.nr), c.k, c.k};
    }
    static std::size_t kk(const Cluster& c) { return static_cast<std::size_t>(c.k) * c.k; }
    double* pool(std::size_t at) const { return pool_.get() + at; }
    int rowOf(const Cluster& c, int r) const { return rows_[c.row + r]; }
    template <class M> void cholSolveInPlace(const Cluster& c, M&& x) const; // x := C^-1 x

    void inverseBlocks(const std::function<bool(int, Row&)>* linearize,
                       const std::function<void(int, const Row&, double)>* visit);
    Eigen::MatrixXd crossCovariance(const Cluster& c) const; // cluster x rows: -X Qaa(rows, rows)
    double quadraticWith(const Row& r, const Eigen::MatrixXd& qcr) const;

    int np_ = 0, na_ = 0;
    std::vector<int> core_;            // unknown -> core index or -1
    std::vector<int> cluster_, local_; // unknown -> cluster, local index (or -1)
    std::vector<int> coreParam_;       // core index -> unknown
    std::vector<Cluster> cl_;
    std::vector<int> params_, rows_, obs_; // the clusters' lists, one after the other
    // The clusters' matrices, one after the other. Left uninitialised: every block is written before
    // it is read (assemble() zeroes what it sums into), and the pages are first touched by the
    // passes over the cores.
    std::unique_ptr<double[]> pool_;
    std::vector<int> coreObs_; // observations touching no cluster
    Eigen::MatrixXd A_;        // core block
    Eigen::VectorXd ba_;
    Eigen::LLT<Eigen::MatrixXd> S_;
    Eigen::MatrixXd Qaa_;
};

} // namespace kivo::eng
