#include "fitting/small_matrices.h"

#include <gtest/gtest.h>

#include "fitting/matrix_self_test.h"
#include "state/number_format.h"

namespace ostrel {
namespace {

const Matrix4 kOp44{{1, 1, 5, 6, 1, 2, 8, 3, 1, 3, 0, 1, 1, 4, 2, 0}};
const Matrix4 kDopolnenie{{1, 4, 345, 1, 2, 4, 6744, 4, 56, -3, 167, -23, 3, 4, -17, 9}};

TEST(SmallMatricesTest, DeterminantsAndCofactorsOfTheSelfCheckMatrices) {
    EXPECT_EQ(Det4(kOp44), -21);
    EXPECT_EQ(Cofactor4(kDopolnenie, 2, 2), -8);
    EXPECT_EQ(Test1(NumberFormat(',')), "Op44 = -21");
    EXPECT_EQ(Test2(NumberFormat('.')), "Dopolnenie = -8");
}

TEST(SmallMatricesTest, CofactorSignsFollowRowPlusColumn) {
    // Minor of kOp44 without row 0 and column 1: rows (1,8,3), (1,0,1), (1,2,0).
    const Matrix3 minor{{1, 8, 3, 1, 0, 1, 1, 2, 0}};
    EXPECT_EQ(Cofactor4(kOp44, 0, 1), -Det3(minor));
    EXPECT_NE(Det3(minor), 0);
    EXPECT_EQ(Cofactor4(kOp44, 1, 1), Det3(Matrix3{{1, 5, 6, 1, 0, 1, 1, 2, 0}}));
    const Matrix3 m3{{2, 0, 1, 1, 3, 2, 4, 1, 1}};
    EXPECT_EQ(Det3(m3), -9);
    EXPECT_EQ(Cofactor3(m3, 0, 1), 7);
    EXPECT_EQ(Cofactor3(m3, 2, 2), 6);
    EXPECT_EQ(Det2(Matrix2{{3, 2, 4, 5}}), 7);
}

TEST(SmallMatricesTest, ReplaceRowPutsTheRightHandSideIntoRowK) {
    const Augmented3 aug{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}};
    EXPECT_EQ(ReplaceRow3(aug, 3).v, (Matrix3{{1, 2, 3, 4, 5, 6, 7, 8, 9}}.v));
    EXPECT_EQ(ReplaceRow3(aug, 1).v, (Matrix3{{1, 2, 3, 10, 11, 12, 7, 8, 9}}.v));
    Augmented4 aug4;
    for (int i = 0; i < 20; ++i) aug4.v[i] = i;
    const Matrix4 r = ReplaceRow4(aug4, 0);
    EXPECT_EQ(r(0, 0), 16);
    EXPECT_EQ(r(0, 3), 19);
    EXPECT_EQ(r(1, 0), 4);
    EXPECT_THROW(ReplaceRow4(aug4, 5), std::out_of_range);
}

}  // namespace
}  // namespace ostrel
