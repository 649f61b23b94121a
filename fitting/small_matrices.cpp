#include "fitting/small_matrices.h"

#include <stdexcept>

namespace ostrel {

namespace {

using L = long double;

template <int N>
Matrix<N - 1, N - 1> Minor(const Matrix<N, N>& m, int i, int j) {
    if (i < 0 || i >= N || j < 0 || j >= N) throw std::out_of_range("cofactor index");
    Matrix<N - 1, N - 1> out;
    int r = 0;
    for (int row = 0; row < N; ++row) {
        if (row == i) continue;
        int c = 0;
        for (int col = 0; col < N; ++col) {
            if (col == j) continue;
            out(r, c++) = m(row, col);
        }
        ++r;
    }
    return out;
}

double ApplyCofactorSign(double value, int i, int j) {
    const int s = i + j + 2;
    return s - 2 * (s / 2) == 1 ? -value : value;
}

template <int N>
Matrix<N, N> ReplaceRow(const Matrix<N + 1, N>& aug, int k) {
    if (k < 0 || k > N) throw std::out_of_range("row to replace");
    Matrix<N, N> out;
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c) out(r, c) = aug(r == k ? N : r, c);
    return out;
}

}  // namespace

double Det2(Matrix2 m) {
    return static_cast<double>(L(m(0, 0)) * m(1, 1) - L(m(1, 0)) * m(0, 1));
}

double Det3(Matrix3 m) {
    double r = static_cast<double>(L(m(0, 0)) * m(1, 1) * m(2, 2));
    r = static_cast<double>(r + L(m(2, 0)) * m(1, 2) * m(0, 1));
    r = static_cast<double>(r + L(m(0, 2)) * m(1, 0) * m(2, 1));
    r = static_cast<double>(r - L(m(2, 0)) * m(1, 1) * m(0, 2));
    r = static_cast<double>(r - L(m(0, 0)) * m(2, 1) * m(1, 2));
    r = static_cast<double>(r - L(m(2, 2)) * m(0, 1) * m(1, 0));
    return r;
}

double Cofactor3(Matrix3 m, int i, int j) {
    return ApplyCofactorSign(Det2(Minor(m, i, j)), i, j);
}

double Cofactor4(Matrix4 m, int i, int j) {
    return ApplyCofactorSign(Det3(Minor(m, i, j)), i, j);
}

double Det4(Matrix4 m) {
    double sum = 0;
    for (int k = 0; k < 4; ++k) sum = static_cast<double>(sum + L(Cofactor4(m, k, 0)) * m(k, 0));
    return sum;
}

Matrix3 ReplaceRow3(const Augmented3& aug, int k) {
    return ReplaceRow<3>(aug, k);
}

Matrix4 ReplaceRow4(const Augmented4& aug, int k) {
    return ReplaceRow<4>(aug, k);
}

}  // namespace ostrel
