#include "fitting/parabola_fit.h"

#include <cmath>

#include "state/errors.h"

namespace ostrel {

namespace {

using L = long double;

void CheckRange(const ParabolaFitState& st) {
    if (st.CalibLast < st.CalibFirst) return;
    if (st.CalibFirst < 0 || static_cast<size_t>(st.CalibLast) >= st.CalibX.size() ||
        st.CalibX.size() != st.CalibY.size())
        throw CommandError("Калибровочные точки " + std::to_string(st.CalibFirst) + ".." +
                           std::to_string(st.CalibLast) + " лежат вне списка.");
}

}  // namespace

double ParabolaTerm(const ParabolaFitState& st, int kind, int32_t i) {
    const double x = st.CalibX[i];
    switch (kind) {
        case 0:
            return static_cast<double>(L(x) * x);
        case 1:
            return x;
        case 2:
            return 1;
        case 3:
            return static_cast<double>(L(st.CurveA) * x * x + L(st.CurveB) * x + st.CurveC -
                                       st.CalibY[i]);
        default:
            return 0;
    }
}

double ParabolaSum(const ParabolaFitState& st, int p, int q) {
    double sum = 0;
    for (int32_t i = st.CalibFirst; i <= st.CalibLast; ++i)
        sum = static_cast<double>(sum + L(ParabolaTerm(st, p, i)) * ParabolaTerm(st, q, i));
    return sum;
}

void FitParabolaStep(ParabolaFitState& st) {
    CheckRange(st);
    Augmented3 normal;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) normal(r, c) = ParabolaSum(st, r, c);
    for (int c = 0; c < 3; ++c) normal(3, c) = ParabolaSum(st, 3, c);
    st.ParabolaNormal = normal;
    st.ParabolaWork = ReplaceRow3(normal, 3);
    st.NormalDet = Det3(st.ParabolaWork);
    double d[3];
    for (int k = 0; k < 3; ++k) {
        st.ParabolaWork = ReplaceRow3(normal, k);
        d[k] = -Det3(st.ParabolaWork);
    }
    if (st.NormalDet == 0 || !std::isfinite(st.NormalDet))
        throw CommandError(
            "Параболу подобрать нельзя: система уравнений вырождена (нужно не меньше трёх "
            "калибровочных точек с разными массами).");
    double corrections[3];
    for (int k = 0; k < 3; ++k) {
        corrections[k] = static_cast<double>(L(d[k]) / st.NormalDet);
        if (!std::isfinite(corrections[k]))
            throw CommandError("Параболу подобрать нельзя: поправки коэффициентов не конечны.");
    }
    st.CurveA = corrections[0];
    st.CurveB = corrections[1];
    st.CurveC = corrections[2];
}

void FitParabola(ParabolaFitState& st, double a0, double b0, double c0) {
    const double savedA = st.CurveA, savedB = st.CurveB, savedC = st.CurveC;
    double a = a0, b = b0, c = c0;
    st.Iterations = 0;
    try {
        while (true) {
            st.CurveA = a;
            st.CurveB = b;
            st.CurveC = c;
            FitParabolaStep(st);
            ++st.Iterations;
            const double da = st.CurveA, db = st.CurveB, dc = st.CurveC;
            st.CurveA = static_cast<double>(L(a) + da);
            st.CurveB = static_cast<double>(L(b) + db);
            st.CurveC = static_cast<double>(L(c) + dc);
            if (std::fabs(da) < 0.01 && std::fabs(db) < 0.01 && std::fabs(dc) < 0.01) break;
            if (st.Iterations == kMaxParabolaSteps) break;
            a = st.CurveA;
            b = st.CurveB;
            c = st.CurveC;
        }
    } catch (const CommandError&) {
        st.CurveA = savedA;
        st.CurveB = savedB;
        st.CurveC = savedC;
        throw;
    }
}

}  // namespace ostrel
