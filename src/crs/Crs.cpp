#include "crs/Crs.h"

#include "crs/CrsError.h"
#include "crs/ProjHandle.h"
#include "model/CodeText.h"

#include <charconv>
#include <cstring>

ProjContextPtr NewProjContext() {
    ProjContextPtr context(proj_context_create());
    if (!context)
        throw ECrsError("PROJ를 시작할 수 없습니다.");
    proj_context_set_enable_network(context.get(), 0);
    proj_log_level(context.get(), PJ_LOG_NONE);
    return context;
}

std::string ProjReason(PJ_CONTEXT* context, const char* fallback) {
    const int err = proj_context_errno(context);
    const char* text = err ? proj_context_errno_string(context, err) : nullptr;
    return text && *text ? text : fallback;
}

std::optional<int> ParseEpsgCode(std::string_view text) {
    if (text.size() > 5 && UpperAscii(text.substr(0, 5)) == "EPSG:")
        text.remove_prefix(5);
    int code = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), code);
    if (text.empty() || text.front() == '-' || res.ec != std::errc() ||
        res.ptr != text.data() + text.size() || code <= 0)
        return std::nullopt;
    return code;
}

std::string EpsgText(int epsg) {
    return "EPSG:" + std::to_string(epsg);
}

namespace {

std::string axisDirection(PJ_CONTEXT* context, const PJ* cs, int index) {
    const char* direction = nullptr;
    if (!proj_cs_get_axis_info(context, cs, index, nullptr, nullptr, &direction, nullptr, nullptr,
                               nullptr, nullptr) ||
        !direction)
        return {};
    return direction;
}

} // namespace

TCrsInfo DescribeCrs(int epsg) {
    const std::string code = std::to_string(epsg);
    const std::string shown = EpsgText(epsg);
    ProjContextPtr context = NewProjContext();
    ProjPtr crs(proj_create_from_database(context.get(), "EPSG", code.c_str(), PJ_CATEGORY_CRS,
                                          false, nullptr));
    if (!crs)
        throw ECrsError(shown + "은(는) PROJ가 아는 좌표계가 아닙니다.");
    const PJ_TYPE type = proj_get_type(crs.get());
    if (type != PJ_TYPE_PROJECTED_CRS && type != PJ_TYPE_GEOGRAPHIC_2D_CRS)
        throw ECrsError(shown + "은(는) 평면 좌표계나 2차원 경위도 좌표계가 아닙니다.");
    ProjPtr cs(proj_crs_get_coordinate_system(context.get(), crs.get()));
    const std::string first = cs ? axisDirection(context.get(), cs.get(), 0) : std::string();
    const std::string second = cs ? axisDirection(context.get(), cs.get(), 1) : std::string();
    TCrsInfo info;
    info.Epsg = epsg;
    info.Name = proj_get_name(crs.get()) ? proj_get_name(crs.get()) : "";
    info.Geographic = type == PJ_TYPE_GEOGRAPHIC_2D_CRS;
    // South- or west-pointing axes would need a sign change we do not make: refuse them.
    if (first == "north" && second == "east")
        info.NorthFirst = true;
    else if (!(first == "east" && second == "north"))
        throw ECrsError(shown + "의 좌표축이 동쪽과 북쪽을 향하지 않습니다.");
    return info;
}
