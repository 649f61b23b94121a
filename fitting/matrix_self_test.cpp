#include "fitting/matrix_self_test.h"

#include "fitting/small_matrices.h"
#include "state/number_format.h"

namespace ostrel {

std::string Test1(const NumberFormat& format) {
    const Matrix4 m{{1, 1, 5, 6, 1, 2, 8, 3, 1, 3, 0, 1, 1, 4, 2, 0}};
    return "Op44 = " + format.Shortest(Det4(m));
}

std::string Test2(const NumberFormat& format) {
    const Matrix4 m{{1, 4, 345, 1, 2, 4, 6744, 4, 56, -3, 167, -23, 3, 4, -17, 9}};
    return "Dopolnenie = " + format.Shortest(Cofactor4(m, 2, 2));
}

}  // namespace ostrel
