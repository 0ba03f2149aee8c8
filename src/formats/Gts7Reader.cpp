#include "formats/Gts7Reader.h"

#include "formats/Angles.h"
#include "formats/FieldValue.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"

#include <vector>

namespace {

class TGts7Reader {
public:
    explicit TGts7Reader(TRecordSink& sink) : m_sink(sink) {}
    void Line(std::string_view line, int number);
    void Flush();

private:
    enum class THead { None, Station, Point, Shot };
    std::string_view field(size_t i) const { return i < m_fields.size() ? m_fields[i] : std::string_view(); }
    bool number(size_t i, std::optional<double>& out);
    bool angle(size_t i, std::optional<double>& out);
    void head(THead head, TRecordKind kind);
    void coordinates(bool eastFirst);
    void observation(bool horizontalDistance, bool withDistance);
    void units();

    TRecordSink& m_sink;
    TSurveyRecord m_record;
    std::vector<std::string_view> m_fields;
    std::string_view m_keyword;
    int m_number = 0;
    THead m_head = THead::None;
    TAngleUnit m_angle = TAngleUnit::DegreeDms;
};

bool TGts7Reader::number(size_t i, std::optional<double>& out) {
    return OptionalNumber(field(i), out, m_sink, m_number);
}

bool TGts7Reader::angle(size_t i, std::optional<double>& out) {
    return OptionalAngle(field(i), m_angle, out, m_sink, m_number);
}

void TGts7Reader::Flush() {
    TSurveyRecord& r = m_record;
    const THead head = m_head;
    m_head = THead::None;
    if (head == THead::Station)
        m_sink.Record(r); // a station without coordinates is placed by the reduction
    else if (head == THead::Shot)
        m_sink.Problem(r.Line, Say("no observation line after '%1'", r.Id));
    else if (head == THead::Point)
        m_sink.Problem(r.Line, Say("no coordinates after '%1'", r.Id));
}

void TGts7Reader::head(THead head, TRecordKind kind) {
    Flush();
    TSurveyRecord& r = m_record;
    r.Reset(kind, m_number);
    r.Id.assign(field(0));
    bool ok = true;
    if (head == THead::Station) {
        ok = number(1, r.InstrumentHeight);
        r.Code.assign(field(2));
    } else if (head == THead::Shot) {
        ok = number(1, r.TargetHeight);
        r.Code.assign(field(2));
    } else {
        r.Code.assign(field(1));
    }
    m_head = ok ? head : THead::None;
}

void TGts7Reader::coordinates(bool eastFirst) {
    TSurveyRecord& r = m_record;
    if (m_head == THead::None) {
        m_sink.Problem(m_number, Say("coordinates without a point"));
        return;
    }
    std::optional<double> a, b;
    const THead head = m_head;
    m_head = THead::None;
    if (!number(0, a) || !number(1, b) || !number(2, r.H))
        return;
    if (!a || !b) {
        m_sink.Problem(m_number, Say("a coordinate is missing"));
        return;
    }
    r.HasCoordinates = true;
    r.N = eastFirst ? *b : *a;
    r.E = eastFirst ? *a : *b;
    if (head != THead::Station)
        r.Kind = TRecordKind::Point;
    m_sink.Record(r);
}

void TGts7Reader::observation(bool horizontalDistance, bool withDistance) {
    TSurveyRecord& r = m_record;
    m_head = THead::None;
    std::optional<double> distance;
    if (!angle(0, r.Horizontal))
        return;
    if (horizontalDistance) {
        if (!number(1, distance) || !number(2, r.HeightDifference))
            return;
        r.DistanceKind = TDistanceKind::Horizontal;
    } else {
        if (!angle(1, r.Zenith) || (withDistance && !number(2, distance)))
            return;
        r.DistanceKind = TDistanceKind::Slope;
    }
    r.Distance = distance.value_or(0.0);
    m_sink.Record(r);
}

void TGts7Reader::units() {
    for (const std::string_view u : m_fields) {
        if (u.empty() || u == "M" || u == "METER" || u == "METRE" || u == "METERS" || u == "METRES")
            continue;
        if (u == "F" || u == "FT" || u == "FEET")
            m_sink.LengthsInFeet(m_number);
        else if (u == "D" || u == "DEG" || u == "DMS")
            m_angle = TAngleUnit::DegreeDms;
        else if (u == "G" || u == "GON" || u == "GRAD")
            m_angle = TAngleUnit::Gon;
        else if (u == "MIL")
            m_angle = TAngleUnit::Mil;
        else
            m_sink.Problem(m_number, Say("unknown unit '%1'", u));
    }
}

void TGts7Reader::Line(std::string_view line, int lineNumber) {
    line = TrimField(line);
    size_t k = 0;
    while (k < line.size() && line[k] >= 'A' && line[k] <= 'Z')
        ++k;
    if (k == 0)
        return;
    m_keyword = line.substr(0, k);
    std::string_view rest = TrimField(line.substr(k));
    if (!rest.empty() && rest[0] == ',')
        rest.remove_prefix(1);
    m_number = lineNumber;
    SplitFields(rest, ',', m_fields);
    const std::string_view key = m_keyword;
    const bool shotPending = m_head == THead::Shot;
    if (key == "STN" || key == "STA") {
        head(THead::Station, TRecordKind::Station);
    } else if (key == "XYZ" || key == "NEZ" || key == "ENZ") {
        // XYZ is easting, northing, elevation, as ENZ; NEZ names the other order.
        coordinates(key != "NEZ");
    } else if (shotPending && (key == "SD" || key == "HVD")) {
        observation(false, true);
    } else if (shotPending && key == "HV") {
        observation(false, false);
    } else if (shotPending && key == "HD") {
        observation(true, true);
    } else if (key == "SS" || key == "SC" || key == "SD" || key == "SA" || key == "BS") {
        head(THead::Shot, TRecordKind::Shot);
    } else if (key == "PT") {
        head(THead::Point, TRecordKind::Point);
    } else if (key == "BKB") {
        Flush();
        TSurveyRecord& r = m_record;
        r.Reset(TRecordKind::Backsight, lineNumber);
        r.BacksightId.assign(field(0));
        if (angle(1, r.BacksightAzimuth) && angle(2, r.BacksightCircle))
            m_sink.Record(r);
    } else if (key == "UNITS") {
        units();
    } else if (key == "HD" || key == "HVD" || key == "HV") {
        m_sink.Problem(lineNumber, Say("observation without a point"));
    }
}

} // namespace

void ReadGts7(std::string_view bytes, TRecordSink& sink) {
    TGts7Reader reader(sink);
    ReadLines(bytes, reader);
    reader.Flush();
}
