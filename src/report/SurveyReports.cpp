#include "report/SurveyReports.h"

#include "formats/Angles.h"
#include "model/Measure.h"
#include "survey/AreaSheet.h"
#include "survey/Cogo.h"
#include "survey/Traverse.h"
#include "text/NumText.h"

#include <cmath>
#include <memory>
#include <stdexcept>

namespace {

using Column = TReportTable::Column;
constexpr TTextAlign kLeft = TTextAlign::Left;
constexpr TTextAlign kRight = TTextAlign::Right;
constexpr TTextAlign kCentre = TTextAlign::Centre;
constexpr double kSecondsPerRadian = 180.0 * 3600.0 / kPi;

QString metres(double v) { return QString::fromStdString(FormatRounded(v, 3)); }
// Latitudes, departures, rises and their corrections to a tenth of a millimetre, so that
// the corrections visibly add up to the misclosure they spread.
QString fine(double v) { return QString::fromStdString(FormatRounded(v, 4)); }
QString text(const std::string& s) { return QString::fromStdString(s); }

// A correction with its sign, as sheets print them.
QString signedText(double v, int decimals) {
    const std::string t = FormatRounded(v, decimals);
    return QString::fromStdString(t.front() == '-' || t.find_first_not_of("0.") == std::string::npos ? t : "+" + t);
}
QString seconds(double radians) { return signedText(radians * kSecondsPerRadian, 1) + "\""; }
QString dms(double radians) { return QString::fromStdString(FormatDms(radians, 1)); }

// A coordinate cell as the table shows it, to the millimetre; a cell that is no number
// stays as it is.
QString coordinateCell(const std::string& cell) {
    double value = 0;
    return TryStrToFloat(cell, value) && std::isfinite(value) ? metres(value) : text(cell);
}

// A table of labels and values, two pairs to a row.
TReportTable facts(QString caption, std::vector<std::pair<QString, QString>> pairs) {
    const size_t rows = (pairs.size() + 1) / 2;
    TReportTable table{std::move(caption),
                       {{"", 1.1, kLeft}, {"", 1.9, kLeft}, {"", 1.1, kLeft}, {"", 1.9, kLeft}},
                       rows,
                       {},
                       {}};
    auto shared = std::make_shared<std::vector<std::pair<QString, QString>>>(std::move(pairs));
    table.Row = [shared](size_t r, std::vector<QString>& cells) {
        for (size_t i = 0; i < 2 && 2 * r + i < shared->size(); ++i) {
            cells[2 * i] = (*shared)[2 * r + i].first;
            cells[2 * i + 1] = (*shared)[2 * r + i].second;
        }
    };
    return table;
}

QString jobCode(const std::string& code) { return code.empty() ? QString("(코드 없음)") : text(code); }

} // namespace

TReport PointListReport(std::vector<TPointRow> rows, const PlotTitle& title) {
    auto shared = std::make_shared<std::vector<TPointRow>>(std::move(rows));
    TReportTable table{"",
                       {{"점번호", 2.2, kLeft}, {"X (m)", 3, kRight}, {"Y (m)", 3, kRight},
                        {"Z (m)", 2.4, kRight}, {"코드", 2.4, kLeft}},
                       shared->size(),
                       [shared](size_t r, std::vector<QString>& cells) {
                           const TPointRow& row = (*shared)[r];
                           cells[0] = text(row[0]);
                           for (int c = 1; c <= 3; ++c)
                               cells[c] = coordinateCell(row[c]);
                           cells[4] = text(row[4]);
                       },
                       {}};
    return TReport({"좌표 성과표",
                    title,
                    {{"측점 수", QString::number(shared->size())}},
                    {"좌표 단위: m, 소수 셋째 자리 (넷째 자리에서 반올림)",
                     "X, Y, Z: 점 표의 열과 같은 값, 점 표의 순서"},
                    {std::move(table)}});
}

QString AreaSheetProblem(const TAreaSheet& sheet) {
    switch (sheet.State) {
    case TAreaState::Valid:
        return {};
    case TAreaState::Open:
        return "닫힌 도형이 아닙니다: 마지막 점이 첫 점으로 돌아오지 않습니다.";
    case TAreaState::SelfCrossing:
        return "변이 서로 교차하여 면적을 계산할 수 없습니다.";
    case TAreaState::OutOfRange:
        return "좌표가 너무 커서 면적을 계산할 수 없습니다.";
    case TAreaState::Degenerate:
        break;
    }
    return "점이 셋 미만이거나 한 직선 위에 있어 면적이 없습니다.";
}

TReport AreaReport(const TAreaSheet& sheet, const std::string& code, const PlotTitle& title) {
    if (const QString problem = AreaSheetProblem(sheet); !problem.isEmpty())
        throw std::runtime_error((jobCode(code) + ": " + problem).toStdString());
    auto rows = std::make_shared<std::vector<TAreaSheetRow>>(sheet.Rows);
    double sumNorthDiff = 0, sumEastDiff = 0, sumNorthProduct = 0;
    for (const TAreaSheetRow& r : sheet.Rows) {
        sumNorthDiff += r.NorthDiff;
        sumEastDiff += r.EastDiff;
        sumNorthProduct += r.NorthProduct;
    }
    // AreaSheet's E and N are the job's X and Y as they stand: the columns say X and Y.
    TReportTable corners{"좌표법 계산",
                         {{"측점", 1.8, kLeft}, {"X", 2.7, kRight}, {"Y", 2.7, kRight}, {"ΔY", 2.1, kRight},
                          {"X·ΔY", 3.1, kRight}, {"ΔX", 2.1, kRight}, {"Y·ΔX", 3.1, kRight}},
                         rows->size(),
                         [rows](size_t i, std::vector<QString>& cells) {
                             const TAreaSheetRow& r = (*rows)[i];
                             cells = {text(r.Id),          metres(r.E),        metres(r.N),
                                      metres(r.NorthDiff), metres(r.EastProduct), metres(r.EastDiff),
                                      metres(r.NorthProduct)};
                         },
                         {{"합계", "", "", metres(sumNorthDiff), metres(sheet.TwiceArea), metres(sumEastDiff),
                           metres(sumNorthProduct)}}};
    TReportTable result = facts("면적", {{"배면적 (2A)", metres(std::abs(sheet.TwiceArea)) + " ㎡"},
                                         {"꼭짓점 수", QString::number(sheet.Rows.size())},
                                         {"면적 (A)", metres(sheet.Area) + " ㎡"},
                                         {"평 (참고)", QString::fromStdString(FormatRounded(sheet.Pyeong, 3)) +
                                                           " 평 (1 평 = 400/121 ㎡)"}});
    return TReport({"좌표 면적 계산부",
                    title,
                    {{"코드", jobCode(code)}},
                    {"ΔY = 다음 점의 Y − 앞 점의 Y,  ΔX = 다음 점의 X − 앞 점의 X",
                     "배면적 = |Σ X·ΔY| = |Σ Y·ΔX|,  면적 = 배면적 / 2",
                     "좌표 단위: m, 면적: ㎡ (소수 셋째 자리)"},
                    {std::move(corners), std::move(result)}});
}

namespace {

TReportTable angleTable(const std::shared_ptr<const TTraverseResult>& r) {
    return {"측각 조정",
            {{"측점", 1.6, kLeft}, {"후시점", 1.6, kLeft}, {"전시점", 1.6, kLeft},
             {"관측각", 2.4, kRight}, {"보정량", 1.6, kRight}, {"조정각", 2.4, kRight}},
            r->Angles.size(),
            [r](size_t i, std::vector<QString>& cells) {
                const TTraverseAngle& a = r->Angles[i];
                cells = {text(a.Station), text(a.Backsight), text(a.Foresight), dms(a.Observed),
                         seconds(a.Correction), dms(a.Adjusted)};
            },
            {}};
}

TReportTable legTable(const std::shared_ptr<const TTraverseResult>& r) {
    double lat = 0, dep = 0, latCorr = 0, depCorr = 0;
    for (const TTraverseLeg& l : r->Legs) {
        lat += l.Latitude;
        dep += l.Departure;
        latCorr += l.LatitudeCorrection;
        depCorr += l.DepartureCorrection;
    }
    return {"방위각 · 위거 · 경거",
            {{"측선", 2.3, kLeft}, {"거리", 1.9, kRight}, {"방위각", 2.3, kRight},
             {"위거", 1.9, kRight}, {"경거", 1.9, kRight}, {"위거 보정", 1.5, kRight},
             {"경거 보정", 1.5, kRight}, {"조정 위거", 1.9, kRight}, {"조정 경거", 1.9, kRight}},
            r->Legs.size(),
            [r](size_t i, std::vector<QString>& cells) {
                const TTraverseLeg& l = r->Legs[i];
                cells = {text(l.From) + "→" + text(l.To),
                         metres(l.Distance),
                         dms(l.Azimuth),
                         fine(l.Latitude),
                         fine(l.Departure),
                         signedText(l.LatitudeCorrection, 4),
                         signedText(l.DepartureCorrection, 4),
                         fine(l.Latitude + l.LatitudeCorrection),
                         fine(l.Departure + l.DepartureCorrection)};
            },
            {{"계", metres(r->TotalLength), "", fine(lat), fine(dep), signedText(latCorr, 4),
              signedText(depCorr, 4), fine(lat + latCorr), fine(dep + depCorr)}}};
}

TReportTable heightTable(const std::shared_ptr<const TTraverseResult>& r) {
    return {"고저 계산",
            {{"측선", 2.3, kLeft}, {"거리", 1.9, kRight}, {"고저차", 1.9, kRight},
             {"보정량", 1.9, kRight}, {"조정 고저차", 1.9, kRight}},
            r->Legs.size(),
            [r](size_t i, std::vector<QString>& cells) {
                const TTraverseLeg& l = r->Legs[i];
                const double rise = l.Rise.value_or(0.0);
                cells = {text(l.From) + "→" + text(l.To), metres(l.Distance),
                         l.Rise ? fine(rise) : QString("(수평)"), signedText(l.RiseCorrection, 4),
                         fine(rise + l.RiseCorrection)};
            },
            {}};
}

TReportTable stationTable(const std::shared_ptr<const TTraverseResult>& r, TAxisOrder axes) {
    // A loop comes back to its first station: each station once.
    const bool loop = r->Stations.size() > 2 && r->Stations.back().Id == r->Stations.front().Id;
    return {"조정 좌표",
            {{"측점", 2, kLeft}, {"X (m)", 2.8, kRight}, {"Y (m)", 2.8, kRight}, {"Z (m)", 2.2, kRight},
             {"구분", 1.6, kCentre}},
            r->Stations.size() - (loop ? 1 : 0),
            [r, axes](size_t i, std::vector<QString>& cells) {
                const TTraverseStation& s = r->Stations[i];
                double x = 0, y = 0;
                FromEastNorth({s.E, s.N}, axes, x, y);
                cells = {text(s.Id), metres(x), metres(y), metres(s.H), s.Fixed ? "기지점" : ""};
            },
            {}};
}

QString ruleName(TTraverseRule rule) { return rule == TTraverseRule::Compass ? "컴퍼스 법칙" : "트랜싯 법칙"; }

TReportTable closureTable(const TTraverseResult& r) {
    const bool loop = r.Stations.size() > 2 && r.Stations.back().Id == r.Stations.front().Id;
    const double n = r.Precision();
    return facts("폐합 오차",
                 {{"종류", loop ? "폐합 트래버스" : "결합 트래버스"},
                  {"각 폐합차", r.AngularMisclosure ? seconds(*r.AngularMisclosure) + " (계산 − 기지)"
                                                    : QString("없음: 도착 방향 관측 없음")},
                  {"위거 폐합차", signedText(r.LatitudeMisclosure, 4) + " m"},
                  {"경거 폐합차", signedText(r.DepartureMisclosure, 4) + " m"},
                  {"폐합차", fine(r.LinearMisclosure) + " m"},
                  {"총 길이", metres(r.TotalLength) + " m"},
                  {"정밀도", std::isfinite(n) ? "1/" + QString::fromStdString(FormatRounded(n, 0))
                                             : QString("폐합차 없음")},
                  {"높이 폐합차", r.HeightMisclosure ? signedText(*r.HeightMisclosure, 4) + " m"
                                                     : QString("없음: 높이 또는 고저차 없음")},
                  {"배분", "각: 같게, 위거·경거: " + ruleName(r.Rule)}});
}

} // namespace

TReport TraverseReport(const TTraverseResult& result, TAxisOrder axes, const PlotTitle& title) {
    auto r = std::make_shared<const TTraverseResult>(result);
    std::vector<TReportTable> tables{angleTable(r), legTable(r), closureTable(*r)};
    bool rises = false;
    for (const TTraverseLeg& l : r->Legs)
        rises = rises || l.Rise.has_value();
    if (rises)
        tables.push_back(heightTable(r));
    tables.push_back(stationTable(r, axes));
    std::vector<QString> notes{"각: 도°분'초\", 거리·좌표: m 셋째 자리, 위거·경거·고저차: m 넷째 자리",
                               "위거 = 거리 × cos 방위각,  경거 = 거리 × sin 방위각",
                               r->Rule == TTraverseRule::Compass ? "위거·경거 보정: 폐합차를 측선 길이에 비례하여 배분"
                                                                 : "위거·경거 보정: 폐합차를 위거·경거의 크기에 비례하여 배분"};
    if (r->LevelLegs)
        notes.push_back("고저차가 없는 측선은 수평으로 보았습니다.");
    return TReport({"트래버스 계산부", title, {{"조정 방법", ruleName(r->Rule)}}, std::move(notes), std::move(tables)});
}
