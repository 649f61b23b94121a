// Fixed-size dense matrices and the determinant routines of both least-squares fits. Matrices
// are passed by value; no pivoting, every determinant by a fixed formula.
#pragma once

#include <array>

namespace ostrel {

// Row-major, element (r, c) at r * Cols + c.
template <int Rows, int Cols>
struct Matrix {
    std::array<double, Rows * Cols> v{};

    double& operator()(int r, int c) { return v[r * Cols + c]; }
    double operator()(int r, int c) const { return v[r * Cols + c]; }
};

using Matrix2 = Matrix<2, 2>;
using Matrix3 = Matrix<3, 3>;
using Matrix4 = Matrix<4, 4>;
// Augmented normal arrays: n rows of the normal matrix and a last row with the right-hand side.
using Augmented3 = Matrix<4, 3>;
using Augmented4 = Matrix<5, 4>;

double Det2(Matrix2 m);
// Sarrus' rule, the running result stored after each of the six terms.
double Det3(Matrix3 m);
// Expansion along the first column, the running sum stored after each addition.
double Det4(Matrix4 m);
// (-1)^(i+j) times the determinant of the minor without row i and column j.
double Cofactor3(Matrix3 m, int i, int j);
double Cofactor4(Matrix4 m, int i, int j);
// The normal matrix of the augmented array with row k replaced by the right-hand side; k = n
// gives the normal matrix itself.
Matrix3 ReplaceRow3(const Augmented3& aug, int k);
Matrix4 ReplaceRow4(const Augmented4& aug, int k);

}  // namespace ostrel
