#include "formats/NikonRawReader.h"

#include "formats/Angles.h"
#include "formats/FieldValue.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"

#include <vector>

namespace {

class TNikonReader {
public:
    explicit TNikonReader(TRecordSink& sink) : m_sink(sink) {}
    void Line(std::string_view line, int number);

private:
    std::string_view field(size_t i) const { return i < m_fields.size() ? m_fields[i] : std::string_view(); }
    bool number(size_t i, std::optional<double>& out);
    bool angle(size_t i, std::optional<double>& out);
    void comment(std::string_view text);
    void coordinates();
    void station();
    // An observation whose target height is field `first`, followed by the slope distance,
    // horizontal and vertical angle; `code` is the field of the code, if any.
    void observation(std::string_view id, size_t first, size_t code);

    TRecordSink& m_sink;
    TSurveyRecord m_record;
    std::vector<std::string_view> m_fields;
    int m_number = 0;
    TAngleUnit m_angle = TAngleUnit::DegreeDms;
    bool m_southAzimuth = false;
    bool m_fromHorizon = false;
    bool m_eastFirst = false;
    bool m_angleSet = false;
};

bool TNikonReader::number(size_t i, std::optional<double>& out) {
    return OptionalNumber(field(i), out, m_sink, m_number);
}

bool TNikonReader::angle(size_t i, std::optional<double>& out) {
    return OptionalAngle(field(i), m_angle, out, m_sink, m_number);
}

void TNikonReader::comment(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string_view key = TrimField(text.substr(0, colon));
    const std::string_view value = TrimField(text.substr(colon + 1));
    if (key == "Angle Units") {
        if (StartsWithNoCase(value, "DDDMMSS") || StartsWithNoCase(value, "DMS"))
            m_angle = TAngleUnit::DegreeDms;
        else if (StartsWithNoCase(value, "Gon") || StartsWithNoCase(value, "Grad"))
            m_angle = TAngleUnit::Gon;
        else if (StartsWithNoCase(value, "Mil"))
            m_angle = TAngleUnit::Mil;
        else if (StartsWithNoCase(value, "Deg") || StartsWithNoCase(value, "DDD.DDD"))
            m_angle = TAngleUnit::Degree;
        else
            m_sink.Problem(m_number, Say("unknown angle unit '%1'", value));
    } else if (key == "Dist Units") {
        if (StartsWithNoCase(value, "Feet") || StartsWithNoCase(value, "US"))
            m_sink.LengthsInFeet(m_number);
    } else if (key == "Zero azimuth") {
        m_southAzimuth = StartsWithNoCase(value, "South");
    } else if (key == "Zero VA") {
        m_fromHorizon = StartsWithNoCase(value, "Horiz");
    } else if (key == "Coord Order") {
        // NEZ or ENZ, or with X/Y labels XYZ or YXZ: X is the northing.
        m_eastFirst = StartsWithNoCase(value, "E") || StartsWithNoCase(value, "YX");
    }
}

void TNikonReader::coordinates() {
    TSurveyRecord& r = m_record;
    r.Reset(TRecordKind::Point, m_number);
    r.Id.assign(field(1).empty() ? field(2) : field(1));
    std::optional<double> a, b, z;
    if (!number(3, a) || !number(4, b) || !number(5, z))
        return;
    if (!a || !b) {
        m_sink.Problem(m_number, Say("a coordinate is missing"));
        return;
    }
    r.HasCoordinates = true;
    r.N = m_eastFirst ? *b : *a;
    r.E = m_eastFirst ? *a : *b;
    r.H = z;
    r.Code.assign(field(6));
    m_sink.Record(r);
}

void TNikonReader::station() {
    TSurveyRecord& r = m_record;
    r.Reset(TRecordKind::Station, m_number);
    r.Id.assign(field(1).empty() ? field(2) : field(1));
    r.BacksightId.assign(field(3).empty() ? field(4) : field(3));
    if (!number(5, r.InstrumentHeight) || !angle(6, r.BacksightAzimuth) || !angle(7, r.BacksightCircle))
        return;
    if (r.BacksightAzimuth && m_southAzimuth)
        *r.BacksightAzimuth += kPi;
    m_sink.Record(r);
}

void TNikonReader::observation(std::string_view id, size_t first, size_t code) {
    TSurveyRecord& r = m_record;
    r.Reset(TRecordKind::Shot, m_number);
    r.InAngleSet = m_angleSet;
    r.Id.assign(id);
    std::optional<double> distance;
    if (!number(first, r.TargetHeight) || !number(first + 1, distance) || !angle(first + 2, r.Horizontal) ||
        !angle(first + 3, r.Zenith))
        return;
    if (distance) {
        r.DistanceKind = TDistanceKind::Slope;
        r.Distance = *distance;
    }
    if (r.Zenith && m_fromHorizon)
        r.Zenith = kPi / 2 - *r.Zenith;
    if (code)
        r.Code.assign(field(code));
    m_sink.Record(r);
}

void TNikonReader::Line(std::string_view line, int number) {
    m_number = number;
    line = TrimField(line);
    if (line.empty() || line[0] == '*')
        return;
    SplitFields(line, ',', m_fields);
    const std::string_view type = m_fields[0];
    if (type == "CO") {
        const size_t comma = line.find(',');
        comment(line.substr(comma + 1));
    } else if (type == "UP" || type == "MP" || type == "CC" || type == "RE") {
        coordinates();
    } else if (type == "ST") {
        station();
    } else if (type == "SS") {
        observation(field(1), 2, 7);
    } else if (type == "CP") {
        observation(field(1).empty() ? field(2) : field(1), 3, 8);
    } else if (type == "SO") {
        observation(field(1), 3, 0);
    } else if ((type == "F1" || type == "F2") && !field(1).empty()) {
        // A named target in an angle set; unnamed ones measure the backsight.
        m_angleSet = true;
        observation(field(1), 2, 0);
        m_angleSet = false;
    }
}

} // namespace

void ReadNikonRaw(std::string_view bytes, TRecordSink& sink) {
    TNikonReader reader(sink);
    ReadLines(bytes, reader);
}
