#include "formats/SdrReader.h"

#include "formats/Angles.h"
#include "formats/FieldValue.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"

namespace {

class TSdrReader {
public:
    explicit TSdrReader(TRecordSink& sink) : m_sink(sink) {}
    void Line(std::string_view line, int number);

private:
    // The next field of the record, `width` wide (an id or a number by `isId`).
    std::string_view next(bool isId) {
        const size_t width = isId ? (m_wide ? 16 : 4) : (m_wide ? 16 : 10);
        const std::string_view f = m_pos < m_line.size() ? m_line.substr(m_pos, width) : std::string_view();
        m_pos += width;
        return TrimField(f);
    }
    std::string_view nextText() { // a description runs to the end of the record, 16 at most
        const std::string_view f = m_pos < m_line.size() ? m_line.substr(m_pos, 16) : std::string_view();
        return TrimField(f);
    }
    std::string_view id() {
        const std::string_view f = next(true);
        bool digits = !f.empty();
        for (char c : f)
            digits = digits && c >= '0' && c <= '9';
        return digits ? StripLeadingZeros(f) : f;
    }
    bool number(std::optional<double>& out);
    bool angle(std::optional<double>& out);
    bool coordinates(TSurveyRecord& r);
    void header();
    void observation(int number);

    TRecordSink& m_sink;
    TSurveyRecord m_record;
    std::string_view m_line;
    size_t m_pos = 0;
    int m_number = 0;
    bool m_wide = true;
    bool m_sawHeader = false;
    TAngleUnit m_angle = TAngleUnit::Degree;
    bool m_eastFirst = false;
    bool m_fromHorizon = false;
    std::string m_station;
};

bool TSdrReader::number(std::optional<double>& out) {
    return OptionalNumber(next(false), out, m_sink, m_number);
}

bool TSdrReader::angle(std::optional<double>& out) {
    return OptionalAngle(next(false), m_angle, out, m_sink, m_number);
}

bool TSdrReader::coordinates(TSurveyRecord& r) {
    std::optional<double> a, b, z;
    if (!number(a) || !number(b) || !number(z))
        return false;
    if (!a || !b) {
        if (a || b)
            m_sink.Problem(m_number, Say("a coordinate is missing"));
        return a.has_value() == b.has_value();
    }
    r.HasCoordinates = true;
    r.N = m_eastFirst ? *b : *a;
    r.E = m_eastFirst ? *a : *b;
    r.H = z;
    return true;
}

void TSdrReader::header() {
    m_sawHeader = true;
    const std::string_view version = m_line.substr(4, 16);
    m_wide = version.find("SDR2") == std::string_view::npos;
    auto at = [&](size_t column) { return column <= m_line.size() ? m_line[column - 1] : ' '; };
    switch (at(41)) {
    case '1':
        m_angle = TAngleUnit::Degree;
        break;
    case '2':
        m_angle = TAngleUnit::Gon;
        break;
    case '4':
        m_angle = TAngleUnit::Mil;
        break;
    default:
        m_sink.Problem(m_number, Say("unknown angle unit '%1': degrees taken", std::string(1, at(41))));
    }
    if (at(42) == '2')
        m_sink.LengthsInFeet(m_number);
    m_eastFirst = at(45) == '2';
}

void TSdrReader::Line(std::string_view line, int lineNumber) {
    // Downloads come framed by STX and ETX with a checksum.
    while (!line.empty() && static_cast<unsigned char>(line[0]) < 32)
        line.remove_prefix(1);
    if (line.size() < 4)
        return;
    m_line = line;
    m_number = lineNumber;
    m_pos = 4;
    const std::string_view type = line.substr(0, 2);
    // Without a header, long records are SDR33 ones.
    if (!m_sawHeader && type != "00")
        m_wide = line.size() > 60 || (type == "03" && line.size() > 14);
    TSurveyRecord& r = m_record;
    if (type == "00") {
        header();
    } else if (type == "01") {
        m_fromHorizon = line.size() >= 51 && line[50] == '2';
    } else if (type == "02") {
        r.Reset(TRecordKind::Station, lineNumber);
        r.Id.assign(id());
        if (!coordinates(r) || !number(r.InstrumentHeight))
            return;
        r.Code.assign(nextText());
        m_station = r.Id;
        m_sink.Record(r);
    } else if (type == "03") {
        r.Reset(TRecordKind::Heights, lineNumber);
        if (number(r.TargetHeight) && r.TargetHeight)
            m_sink.Record(r);
    } else if (type == "07") {
        r.Reset(TRecordKind::Backsight, lineNumber);
        next(true); // the station: the current set-up
        r.BacksightId.assign(id());
        if (angle(r.BacksightAzimuth) && angle(r.BacksightCircle))
            m_sink.Record(r);
    } else if (type == "08") {
        r.Reset(TRecordKind::Point, lineNumber);
        r.Id.assign(id());
        if (!coordinates(r))
            return;
        r.Code.assign(nextText());
        if (r.HasCoordinates)
            m_sink.Record(r);
    } else if (type == "09") {
        observation(lineNumber);
    }
}

void TSdrReader::observation(int number) {
    TSurveyRecord& r = m_record;
    const std::string station(id());
    r.Reset(TRecordKind::Shot, number);
    r.Id.assign(id());
    std::optional<double> distance;
    if (!this->number(distance) || !angle(r.Zenith) || !angle(r.Horizontal))
        return;
    r.Code.assign(nextText());
    if (!station.empty() && station != m_station) {
        // An observation from another station than the last set-up: a set-up of its own.
        TSurveyRecord setup;
        setup.Reset(TRecordKind::Station, number);
        setup.Id = station;
        m_station = station;
        m_sink.Record(setup);
    }
    if (distance) {
        r.DistanceKind = TDistanceKind::Slope;
        r.Distance = *distance;
    }
    if (r.Zenith && m_fromHorizon)
        r.Zenith = kPi / 2 - *r.Zenith;
    m_sink.Record(r);
}

} // namespace

void ReadSdr(std::string_view bytes, TRecordSink& sink) {
    TSdrReader reader(sink);
    ReadLines(bytes, reader);
}
