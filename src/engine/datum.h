#pragma once
// Rank defects, judged once at the approximate values on the scaled Jacobian (columns, then rows,
// scaled to unit norm): a direction of the unknowns is null when it changes no observation by more
// than kNullTolerance of that observation's sensitivity.

#include <string>
#include <vector>

#include <Eigen/Dense>

#include "engine/network.h"

namespace kivo::eng {

constexpr double kNullTolerance = 1e-6;

// Configuration defects: elements that cannot be determined by their observations even with every
// other element held. They are marked not determined, their observations inactive, and the check
// repeats until nothing changes. Returns the names in the order found. Numbers the unknowns.
// last (optional) receives the scaled Jacobian of the final numbering.
struct ScaledJacobian;
std::vector<std::string> removeUndetermined(Network& net, ScaledJacobian* last = nullptr);

struct Datum {
    int defect = 0;
    std::string description;     // e.g. "translation x, y, z, rotation about z, scale"
    Eigen::MatrixXd G;           // null basis of N, one column per defect, per unknown
    std::vector<char> excluded;  // unknowns held to define a regular system (one per defect)
    std::vector<int> held;       // the same as a list
    Eigen::MatrixXd T;           // (G^T W G)^-1 G^T W, defect x unknowns
    bool minimumTrace = true;    // false when W had to fall back to all unknowns
    // S-transformation to the minimum-trace datum: x - G (T x).
    Eigen::VectorXd toDatum(const Eigen::VectorXd& x) const;
};

// Datum defect of the network in its current numbering (after removeUndetermined).
Datum analyseDatum(const Network& net, const ScaledJacobian* given = nullptr);

// Scaled Jacobian pieces shared by both analyses.
struct ScaledJacobian {
    std::vector<Row> rows;         // linearised rows (n = 0 when inactive or undefined)
    std::vector<double> colNorm;   // per unknown
    std::vector<double> rowNorm;   // per observation, after column scaling
};
ScaledJacobian scaledJacobian(const Network& net);

} // namespace kivo::eng
