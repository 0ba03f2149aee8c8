#include "crs/CrsTransform.h"

#include "crs/CrsError.h"
#include "crs/ProjHandle.h"

#include <charconv>
#include <cmath>

std::string AccuracyText(double metres) {
    if (!(metres >= 0))
        return "정확도 알 수 없음";
    if (metres == 0)
        return "0 m (투영 변환만)";
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, metres);
    return "약 " + std::string(buf, res.ptr) + " m";
}

struct TCrsTransform::Impl {
    TCrsInfo from, to;
    ProjContextPtr context;
    ProjPtr operation;
    // PROJ picks among several operations per point: ask it which one it took.
    bool alternatives = false;
    std::vector<TCrsOperation> used;

    void count(const PJ* op) {
        const char* name = op ? proj_get_name(op) : nullptr;
        const std::string text = name ? name : "";
        for (TCrsOperation& o : used)
            if (o.Name == text) {
                ++o.Points;
                return;
            }
        used.push_back({text, op ? proj_coordoperation_get_accuracy(context.get(), op) : -1.0, 1});
    }
};

TCrsTransform::TCrsTransform(int fromEpsg, int toEpsg) : m(std::make_unique<Impl>()) {
    m->from = DescribeCrs(fromEpsg);
    m->to = DescribeCrs(toEpsg);
    m->context = NewProjContext();
    m->operation.reset(proj_create_crs_to_crs(m->context.get(), EpsgText(fromEpsg).c_str(),
                                              EpsgText(toEpsg).c_str(), nullptr));
    if (!m->operation)
        throw ECrsError(EpsgText(fromEpsg) + "에서 " + EpsgText(toEpsg) +
                        "(으)로 변환할 방법을 PROJ가 찾지 못했습니다: " +
                        ProjReason(m->context.get(), "알 수 없는 이유"));
    // With several candidates PROJ hands back a holder of them, which is no operation of
    // its own.
    m->alternatives = proj_get_type(m->operation.get()) == PJ_TYPE_UNKNOWN;
}

TCrsTransform::~TCrsTransform() = default;

const TCrsInfo& TCrsTransform::From() const {
    return m->from;
}
const TCrsInfo& TCrsTransform::To() const {
    return m->to;
}
const std::vector<TCrsOperation>& TCrsTransform::Operations() const {
    return m->used;
}

TEastNorth TCrsTransform::Transform(const TEastNorth& point) {
    PJ* op = m->operation.get();
    const bool swapIn = m->from.NorthFirst;
    PJ_COORD c = proj_coord(swapIn ? point.N : point.E, swapIn ? point.E : point.N, 0, HUGE_VAL);
    proj_errno_reset(op);
    c = proj_trans(op, PJ_FWD, c);
    if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) || c.xy.x == HUGE_VAL) {
        const int err = proj_errno(op);
        const char* reason = err ? proj_context_errno_string(m->context.get(), err) : nullptr;
        throw ECrsError(reason && *reason ? reason : "좌표계의 범위를 벗어났습니다");
    }
    if (m->alternatives) {
        ProjPtr last(proj_trans_get_last_used_operation(op));
        m->count(last.get());
    } else {
        m->count(op);
    }
    const bool swapOut = m->to.NorthFirst;
    return {swapOut ? c.xy.y : c.xy.x, swapOut ? c.xy.x : c.xy.y};
}
