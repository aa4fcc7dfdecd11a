#pragma once
// Rank defects, judged once at the approximate values on the scaled Jacobian (columns, then rows,
// scaled to unit norm): a direction of the unknowns is null when it changes no observation by more
// than kNullTolerance of that observation's sensitivity.
//
// Every null direction of the normal equations is either a motion of a whole part of the network
// that its fixed components allow (the datum: translations, rotations that also turn the free
// station frames, scale) or a configuration defect: elements that can move, alone or together,
// without changing any observation. Those are left out with their observations, as are the parts
// not connected to the datum, until only the datum is left.

#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include <Eigen/Dense>

#include "engine/network.h"

namespace kivo::eng {

constexpr double kNullTolerance = 1e-6;

struct Datum {
    int defect = 0;
    std::string description;    // e.g. "translation x, y, z, rotation about z, scale"
    Eigen::MatrixXd G;          // null basis of N, one column per defect, per unknown
    std::vector<char> excluded; // unknowns held to define a regular system (one per defect)
    std::vector<int> held;      // the same as a list
    Eigen::MatrixXd T;          // (G^T W G)^-1 G^T W, defect x unknowns
    bool minimumTrace = true;   // false when W had to fall back to all unknowns
    // S-transformation to the minimum-trace datum: x - G (T x).
    Eigen::VectorXd toDatum(const Eigen::VectorXd& x) const;
};

// Leaves out (Element::determined false, with connected and reason set, observations inactive)
// the elements without observations, the parts not connected to the datum and the smallest sets
// of elements carrying each configuration defect, repeating until only datum directions remain.
// Numbers the unknowns and returns the datum of what is left.
Datum analyseDefects(Network& net);

// A row of the scaled Jacobian: the linearised row's unknowns and entries, without its misclosure
// and weight (a million of them are held through the whole analysis).
struct ScaledRow {
    int n = 0;
    int idx[9];
    double a[9];
};

// Scaled rows, one per observation, in storage that the pass filling them (over the cores) touches
// first: a million rows are not zeroed by one thread beforehand.
class RowTable {
public:
    RowTable() = default;
    explicit RowTable(std::size_t n)
        : rows_(static_cast<ScaledRow*>(::operator new[](n * sizeof(ScaledRow)))), n_(n) {}
    // Creates row i (each once, before it is read).
    ScaledRow& make(std::size_t i) { return *new (rows_.get() + i) ScaledRow; }
    ScaledRow& operator[](std::size_t i) { return rows_.get()[i]; }
    const ScaledRow& operator[](std::size_t i) const { return rows_.get()[i]; }
    std::size_t size() const { return n_; }

private:
    static_assert(std::is_trivially_destructible_v<ScaledRow>);
    struct Free {
        void operator()(ScaledRow* p) const { ::operator delete[](p); }
    };
    std::unique_ptr<ScaledRow, Free> rows_;
    std::size_t n_ = 0;
};

// Scaled Jacobian pieces shared by the analyses.
struct ScaledJacobian {
    RowTable rows;               // entries a / (colNorm * rowNorm); n = 0 when inactive or undefined
    std::vector<double> colNorm; // per unknown
    std::vector<double> rowNorm; // per observation, after column scaling
    // Entry k of row i in the scaled measure.
    double at(int i, int k) const { return rows[i].a[k]; }
    bool live(int i) const { return rows[i].n > 0 && rowNorm[i] > 0.0; }
};
ScaledJacobian scaledJacobian(const Network& net);

} // namespace kivo::eng
