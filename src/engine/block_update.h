#pragma once
// The update of the station block when a cluster of targets is eliminated, shared by the defect
// analysis and the normal equations.

#include <algorithm>
#include <climits>
#include <cstddef>

namespace kivo::eng {

// S(rows, rows) -= B X for B (nr x k) and X (k x nr) on and below the diagonal (the only part the
// factorisations and eigen-solvers read), each entry summed over the cluster's unknowns in order (K: k
// known at compile time, 0 when it is not); only the columns j0 <= j < j1.
template <int K>
inline void subtractUpdate(const double* b, const double* x, int nr, const int* rows, double* s,
                           std::size_t lds, int j0, int j1, int k = K) {
    if constexpr (K > 0) k = K;
    for (int j = j0; j < j1; ++j) {
        double* const col = s + static_cast<std::size_t>(rows[j]) * lds;
        const double* const xj = x + static_cast<std::size_t>(j) * k;
        for (int i = j; i < nr; ++i) { // rows ascending: i >= j is the lower triangle
            double sum = b[i] * xj[0];
#pragma GCC unroll 6
            for (int l = 1; l < (K > 0 ? K : k); ++l)
                sum += b[i + static_cast<std::size_t>(l) * nr] * xj[l];
            col[rows[i]] -= sum;
        }
    }
}

// The same for any k, unrolled for the usual cluster sizes. Only the columns of S from first to
// last (exclusive) are updated (rows ascending): threads that each own a range of columns (see
// parallelLowerColumns) can share out one update, every entry still receiving its terms in the serial
// order.
inline void subtractBlockUpdate(const double* b, const double* x, int k, int nr, const int* rows, double* s,
                                std::size_t lds, int first = 0, int last = INT_MAX) {
    const int j0 = static_cast<int>(std::lower_bound(rows, rows + nr, first) - rows);
    const int j1 = static_cast<int>(std::lower_bound(rows + j0, rows + nr, last) - rows);
    switch (k) {
    case 1:
        return subtractUpdate<1>(b, x, nr, rows, s, lds, j0, j1);
    case 2:
        return subtractUpdate<2>(b, x, nr, rows, s, lds, j0, j1);
    case 3:
        return subtractUpdate<3>(b, x, nr, rows, s, lds, j0, j1);
    case 6:
        return subtractUpdate<6>(b, x, nr, rows, s, lds, j0, j1);
    default:
        return subtractUpdate<0>(b, x, nr, rows, s, lds, j0, j1, k);
    }
}

} // namespace kivo::eng
