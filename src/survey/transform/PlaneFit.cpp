#include "survey/transform/PlaneFit.h"

#include <Eigen/Dense>

#include <cmath>
#include <numbers>

namespace {

constexpr double kSecondsPerRadian = 180.0 * 3600.0 / std::numbers::pi;
// Relative size below which a pivot of the scaled normal problem counts as zero: only
// pairs that really coincide or lie on one line are refused.
constexpr double kRankThreshold = 1e-9;

// Sources and targets about their centroids, divided by the sources' spread, so that the
// columns of the problem are of one size at coordinates of hundreds of kilometres.
struct Reduction {
    double cx = 0, cy = 0, tx = 0, ty = 0, scale = 1;
};

Reduction reductionOf(const std::vector<const TCommonPair*>& used) {
    Reduction r;
    const double n = static_cast<double>(used.size());
    for (const TCommonPair* p : used) {
        r.cx += p->X / n;
        r.cy += p->Y / n;
        r.tx += p->TargetX / n;
        r.ty += p->TargetY / n;
    }
    double spread = 0;
    for (const TCommonPair* p : used)
        spread += ((p->X - r.cx) * (p->X - r.cx) + (p->Y - r.cy) * (p->Y - r.cy)) / n;
    r.scale = std::sqrt(spread);
    if (!(r.scale > 0))
        throw EFitError("공통점이 모두 한 자리에 있어 변환을 정할 수 없습니다.");
    return r;
}

// Unknowns of the reduced problem, solved by least squares: Helmert a, b, e, f with
// U = a u - b v + e, V = b u + a v + f; affine a1, a2, e, b1, b2, f with U = a1 u + a2 v + e,
// V = b1 u + b2 v + f.
TPlaneTransform solve(const std::vector<const TCommonPair*>& used, TFitMethod method) {
    const Reduction r = reductionOf(used);
    const Eigen::Index n = static_cast<Eigen::Index>(used.size());
    const bool helmert = method == TFitMethod::Helmert;
    Eigen::MatrixXd a = Eigen::MatrixXd::Zero(2 * n, helmert ? 4 : 6);
    Eigen::VectorXd l(2 * n);
    for (Eigen::Index i = 0; i < n; ++i) {
        const TCommonPair& p = *used[static_cast<size_t>(i)];
        const double u = (p.X - r.cx) / r.scale, v = (p.Y - r.cy) / r.scale;
        l(2 * i) = (p.TargetX - r.tx) / r.scale;
        l(2 * i + 1) = (p.TargetY - r.ty) / r.scale;
        if (helmert) {
            a.row(2 * i) << u, -v, 1, 0;
            a.row(2 * i + 1) << v, u, 0, 1;
        } else {
            a.row(2 * i) << u, v, 1, 0, 0, 0;
            a.row(2 * i + 1) << 0, 0, 0, u, v, 1;
        }
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(a);
    qr.setThreshold(kRankThreshold);
    if (qr.rank() < a.cols())
        throw EFitError(helmert ? "공통점이 모두 한 자리에 있어 변환을 정할 수 없습니다."
                                : "공통점이 한 직선 위에 있어 부등각 사상변환을 정할 수 "
                                  "없습니다.");
    const Eigen::VectorXd x = qr.solve(l);
    TPlaneTransform t;
    double e = 0, f = 0;
    if (helmert) {
        t.A1 = x(0), t.A2 = -x(1), t.B1 = x(1), t.B2 = x(0);
        e = x(2), f = x(3);
    } else {
        t.A1 = x(0), t.A2 = x(1), t.B1 = x(3), t.B2 = x(4);
        e = x(2), f = x(5);
    }
    // Back from the reduced frame: X - tx = A1 (x - cx) + A2 (y - cy) + e scale.
    t.A0 = r.tx + e * r.scale - t.A1 * r.cx - t.A2 * r.cy;
    t.B0 = r.ty + f * r.scale - t.B1 * r.cx - t.B2 * r.cy;
    return t;
}

double wrapped(double radians) {
    return std::remainder(radians, 2 * std::numbers::pi);
}

} // namespace

TTransformTerms DescribeTransform(const TPlaneTransform& t) {
    const double xTurn = std::atan2(t.B1, t.A1);
    const double yTurn = std::atan2(-t.A2, t.B2);
    TTransformTerms terms;
    terms.ShiftX = t.A0;
    terms.ShiftY = t.B0;
    terms.RotationSeconds = xTurn * kSecondsPerRadian;
    terms.ScalePpm = (std::hypot(t.A1, t.B1) - 1) * 1e6;
    terms.ScaleYPpm = (std::hypot(t.A2, t.B2) - 1) * 1e6;
    terms.SkewSeconds = wrapped(yTurn - xTurn) * kSecondsPerRadian;
    return terms;
}

TPlaneFit FitPlaneTransform(const std::vector<TCommonPair>& pairs, TFitMethod method) {
    std::vector<const TCommonPair*> used;
    for (const TCommonPair& p : pairs)
        if (p.Used)
            used.push_back(&p);
    const size_t needed = method == TFitMethod::Helmert ? 2 : 3;
    if (used.size() < needed)
        throw EFitError(
            std::string(method == TFitMethod::Helmert ? "헬머트 변환" : "부등각 사상변환") +
            "에는 공통점이 " + std::to_string(needed) + "개 이상 있어야 합니다 (지금 " +
            std::to_string(used.size()) + "개).");
    TPlaneFit fit;
    fit.Method = method;
    fit.Transform = solve(used, method);
    fit.Used = static_cast<int>(used.size());
    double sum = 0;
    for (const TCommonPair& p : pairs) {
        TPairResidual res{p.ID, 0, 0, 0, p.Used};
        double x = 0, y = 0;
        fit.Transform.Apply(p.X, p.Y, x, y);
        res.DX = p.TargetX - x;
        res.DY = p.TargetY - y;
        res.D = std::hypot(res.DX, res.DY);
        if (p.Used)
            sum += res.D * res.D;
        fit.Residuals.push_back(res);
    }
    fit.Rms = std::sqrt(sum / fit.Used);
    return fit;
}
