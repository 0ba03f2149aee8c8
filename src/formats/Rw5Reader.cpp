#include "formats/Rw5Reader.h"

#include "formats/Angles.h"
#include "formats/FieldValue.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"

#include <vector>

namespace {

// The field headers the points need, in the order they are tried ("EL" before "E ").
enum THeader { OP, FP, BP, PN, EL, N, E, BS, BC, HI, HR, AR, AL, AZ, DR, DL, BRG, ZE, VA, CE, SD, HD, AD, UN, AU, kHeaders };
const char* const kHeaderText[kHeaders] = {"OP", "FP", "BP", "PN", "EL", "N ", "E ", "BS", "BC", "HI", "HR", "AR",
                                           "AL", "AZ", "DR", "DL", "BR", "ZE", "VA", "CE", "SD", "HD", "AD", "UN", "AU"};

class TRw5Reader {
public:
    explicit TRw5Reader(TRecordSink& sink) : m_sink(sink) {}
    void Line(std::string_view line, int number);

private:
    void split(std::string_view line);
    bool has(THeader h) const { return m_has[h]; }
    std::string_view text(THeader h) const { return m_has[h] ? m_value[h] : std::string_view(); }
    bool number(THeader h, std::optional<double>& out);
    bool angle(THeader h, std::optional<double>& out);
    bool bearing(std::string_view text, double& azimuth);
    bool coordinates(TSurveyRecord& r);
    void mode();
    void shot(bool angleSet, bool backsight = false);

    TRecordSink& m_sink;
    TSurveyRecord m_record;
    std::vector<std::string_view> m_fields;
    bool m_has[kHeaders] = {};
    std::string_view m_value[kHeaders];
    std::string_view m_note;
    int m_number = 0;
    TAngleUnit m_angle = TAngleUnit::DegreeDms;
    bool m_southAzimuth = false;
    std::string m_station;
};

void TRw5Reader::split(std::string_view line) {
    for (bool& h : m_has)
        h = false;
    m_note = {};
    // The note runs to the end of the line, commas and all.
    const size_t note = line.find(",--");
    if (note != std::string_view::npos) {
        m_note = TrimField(line.substr(note + 3));
        line = line.substr(0, note);
    }
    SplitFields(line, ',', m_fields);
    for (size_t i = 1; i < m_fields.size(); ++i) {
        const std::string_view f = m_fields[i];
        for (int h = 0; h < kHeaders; ++h) {
            const std::string_view head = kHeaderText[h];
            // "N " and "E " may also stand without their blank ("N5000.0").
            const bool oneLetter = head[1] == ' ';
            if (StartsWith(f, head) || (oneLetter && f.size() > 1 && f[0] == head[0] &&
                                        (f[1] == '-' || f[1] == '.' || (f[1] >= '0' && f[1] <= '9')))) {
                m_has[h] = true;
                m_value[h] = TrimField(f.substr(oneLetter ? 1 : 2));
                break;
            }
        }
    }
}

bool TRw5Reader::number(THeader h, std::optional<double>& out) {
    return OptionalNumber(text(h), out, m_sink, m_number);
}

bool TRw5Reader::angle(THeader h, std::optional<double>& out) {
    return OptionalAngle(text(h), m_angle, out, m_sink, m_number);
}

// A quadrant bearing such as N45.3000E.
bool TRw5Reader::bearing(std::string_view t, double& azimuth) {
    if (t.size() < 3)
        return false;
    const char ns = t.front(), ew = t.back();
    double a = 0.0;
    if ((ns != 'N' && ns != 'S') || (ew != 'E' && ew != 'W') || !ParseAngle(t.substr(1, t.size() - 2), m_angle, a))
        return false;
    azimuth = ns == 'N' ? (ew == 'E' ? a : 2 * kPi - a) : (ew == 'E' ? kPi - a : kPi + a);
    return true;
}

bool TRw5Reader::coordinates(TSurveyRecord& r) {
    std::optional<double> n, e;
    if (!number(N, n) || !number(E, e) || !number(EL, r.H))
        return false;
    if (n.has_value() != e.has_value()) {
        m_sink.Problem(m_number, Say("a coordinate is missing"));
        return false;
    }
    r.HasCoordinates = n.has_value();
    r.N = n.value_or(0.0);
    r.E = e.value_or(0.0);
    return true;
}

void TRw5Reader::mode() {
    m_southAzimuth = text(AD) == "1";
    const std::string_view au = text(AU);
    if (au == "1")
        m_angle = TAngleUnit::Gon;
    else if (au.empty() || au == "0")
        m_angle = TAngleUnit::DegreeDms;
    else
        m_sink.Problem(m_number, Say("unknown angle unit 'AU%1'", au));
    if (text(UN) == "0" || text(UN) == "2")
        m_sink.LengthsInFeet(m_number);
}

void TRw5Reader::shot(bool angleSet, bool backsight) {
    TSurveyRecord& r = m_record;
    const std::string_view station = text(OP);
    if (!station.empty() && station != m_station) {
        // A shot from another point than the last occupy: a set-up of its own.
        r.Reset(TRecordKind::Station, m_number);
        r.Id.assign(station);
        m_station = r.Id;
        m_sink.Record(r);
    }
    r.Reset(TRecordKind::Shot, m_number);
    r.InAngleSet = angleSet;
    r.MeasuresBacksight = backsight;
    r.Id.assign(text(FP));
    r.Code.assign(m_note);
    static const THeader kHorizontal[] = {AR, AL, AZ, DR, DL};
    for (THeader h : kHorizontal) {
        if (!has(h))
            continue;
        if (!angle(h, r.Horizontal))
            return;
        if (r.Horizontal && (h == AL || h == DL))
            r.Horizontal = -*r.Horizontal;
        // South azimuths (AD1) count from the south; a bearing names its quadrant itself.
        if (r.Horizontal && h == AZ && m_southAzimuth)
            *r.Horizontal += kPi;
        r.HorizontalKind = h == AZ ? THorizontalKind::Azimuth
                           : (h == DR || h == DL) ? THorizontalKind::DeflectionRight
                                                  : THorizontalKind::Circle;
        break;
    }
    if (!r.Horizontal && has(BRG)) {
        double a = 0.0;
        if (!bearing(text(BRG), a)) {
            m_sink.Problem(m_number, Say("'%1' is not a valid bearing", text(BRG)));
            return;
        }
        r.Horizontal = a;
        r.HorizontalKind = THorizontalKind::Azimuth;
    }
    std::optional<double> distance;
    if (!angle(ZE, r.Zenith) || !number(CE, r.HeightDifference))
        return;
    if (!r.Zenith && has(VA)) {
        if (!angle(VA, r.Zenith))
            return;
        if (r.Zenith)
            r.Zenith = kPi / 2 - *r.Zenith;
    }
    if (!number(SD, distance))
        return;
    if (distance) {
        r.DistanceKind = TDistanceKind::Slope;
    } else {
        if (!number(HD, distance))
            return;
        if (distance)
            r.DistanceKind = TDistanceKind::Horizontal;
    }
    r.Distance = distance.value_or(0.0);
    m_sink.Record(r);
}

void TRw5Reader::Line(std::string_view line, int lineNumber) {
    line = TrimField(line);
    if (line.size() < 2 || StartsWith(line, "--"))
        return;
    m_number = lineNumber;
    split(line);
    const std::string_view type = m_fields[0];
    TSurveyRecord& r = m_record;
    if (type == "MO") {
        mode();
    } else if (type == "SP") {
        r.Reset(TRecordKind::Point, lineNumber);
        r.Id.assign(text(PN));
        r.Code.assign(m_note);
        if (coordinates(r) && r.HasCoordinates)
            m_sink.Record(r);
    } else if (type == "OC") {
        r.Reset(TRecordKind::Station, lineNumber);
        r.Id.assign(text(OP));
        r.Code.assign(m_note);
        if (!coordinates(r))
            return;
        m_station = r.Id;
        m_sink.Record(r);
    } else if (type == "BK") {
        r.Reset(TRecordKind::Backsight, lineNumber);
        r.BacksightId.assign(text(BP));
        if (!angle(BS, r.BacksightAzimuth) || !angle(BC, r.BacksightCircle))
            return;
        if (r.BacksightAzimuth && m_southAzimuth)
            *r.BacksightAzimuth += kPi;
        m_sink.Record(r);
    } else if (type == "LS") {
        r.Reset(TRecordKind::Heights, lineNumber);
        if (number(HI, r.InstrumentHeight) && number(HR, r.TargetHeight))
            m_sink.Record(r);
    } else if (type == "SS" || type == "TR") {
        shot(false);
    } else if (type == "FD" || type == "FR") {
        shot(true);
    } else if (type == "BD" || type == "BR") {
        // The backsight measured in an angle set: BK has oriented the set-up already, so
        // this only checks it.
        shot(true, true);
    }
}

} // namespace

void ReadRw5(std::string_view bytes, TRecordSink& sink) {
    TRw5Reader reader(sink);
    ReadLines(bytes, reader);
}
