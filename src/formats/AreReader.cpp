#include "formats/AreReader.h"

#include "formats/Angles.h"
#include "formats/FieldValue.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"

#include <charconv>

namespace {

class TAreReader {
public:
    explicit TAreReader(TRecordSink& sink) : m_sink(sink) {}
    void Line(std::string_view line, int number);
    void Flush();

private:
    enum class TBlock { None, Point, Station };
    bool number(std::string_view value, std::optional<double>& out);
    bool angle(std::string_view value, std::optional<double>& out);
    void start(TBlock block, std::string_view id);

    TRecordSink& m_sink;
    TSurveyRecord m_record;
    TBlock m_block = TBlock::None;
    bool m_bad = false;
    bool m_inReference = false; // 37..39 after 62 belong to the reference object
    std::optional<double> m_n, m_e, m_h;
    bool m_toldUnit = false;
    int m_line = 0; // of the label being read
};

bool TAreReader::number(std::string_view value, std::optional<double>& out) {
    if (!OptionalNumber(value, out, m_sink, m_line))
        m_bad = true;
    return !m_bad;
}

bool TAreReader::angle(std::string_view value, std::optional<double>& out) {
    if (!OptionalAngle(value, TAngleUnit::Gon, out, m_sink, m_line)) {
        m_bad = true;
        return false;
    }
    if (out && !m_toldUnit) {
        m_sink.Note(m_line, Say("the file names no angle unit: gon taken"));
        m_toldUnit = true;
    }
    return true;
}

void TAreReader::start(TBlock block, std::string_view id) {
    m_record.Reset(block == TBlock::Station ? TRecordKind::Station : TRecordKind::Shot, m_record.Line);
    m_record.Id.assign(TrimField(id));
    m_block = block;
    m_bad = false;
    m_inReference = false;
    m_n.reset();
    m_e.reset();
    m_h.reset();
}

void TAreReader::Flush() {
    TSurveyRecord& r = m_record;
    if (m_block == TBlock::None || m_bad) {
        m_block = TBlock::None;
        return;
    }
    m_block = TBlock::None;
    if (m_n.has_value() != m_e.has_value()) {
        m_sink.Problem(r.Line, Say("a coordinate is missing"));
        return;
    }
    if (m_n) {
        r.HasCoordinates = true;
        r.N = *m_n;
        r.E = *m_e;
        r.H = m_h;
    }
    if (r.Kind == TRecordKind::Shot && !r.Horizontal && r.DistanceKind == TDistanceKind::None) {
        if (!r.HasCoordinates)
            return; // a point number and a code alone
        r.Kind = TRecordKind::Point;
    }
    // A station carries its reference object, which orients it and is no point here.
    m_sink.Record(r);
}

void TAreReader::Line(std::string_view line, int lineNumber) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return;
    const std::string_view labelText = TrimField(line.substr(0, eq));
    const std::string_view value = TrimField(line.substr(eq + 1));
    m_line = lineNumber;
    int label = -1;
    const auto res = std::from_chars(labelText.data(), labelText.data() + labelText.size(), label);
    if (res.ec != std::errc() || res.ptr != labelText.data() + labelText.size())
        return;
    if (label == 5 || label == 2) {
        Flush();
        m_record.Line = lineNumber;
        start(label == 2 ? TBlock::Station : TBlock::Point, value);
        return;
    }
    if (m_block == TBlock::None || m_bad)
        return;
    TSurveyRecord& r = m_record;
    std::optional<double> v;
    switch (label) {
    case 3:
        number(value, r.InstrumentHeight);
        break;
    case 4:
        r.Code.assign(value);
        break;
    case 6:
        number(value, r.TargetHeight);
        break;
    case 7:
        angle(value, r.Horizontal);
        break;
    case 8:
        angle(value, r.Zenith);
        break;
    case 9:
    case 11:
        if (number(value, v) && v && (label == 9 || r.DistanceKind == TDistanceKind::None)) {
            r.DistanceKind = label == 9 ? TDistanceKind::Slope : TDistanceKind::Horizontal;
            r.Distance = *v;
        }
        break;
    case 10:
        number(value, r.HeightDifference);
        break;
    case 21:
        if (m_block == TBlock::Station)
            angle(value, r.BacksightAzimuth);
        break;
    case 62:
        if (m_block == TBlock::Station) {
            r.BacksightId.assign(value);
            m_inReference = true;
        }
        break;
    case 37:
    case 38:
    case 39:
        if (m_inReference)
            break;
        number(value, label == 37 ? m_n : label == 38 ? m_e : m_h);
        break;
    default:
        break;
    }
}

} // namespace

void ReadAre(std::string_view bytes, TRecordSink& sink) {
    TAreReader reader(sink);
    ReadLines(bytes, reader);
    reader.Flush();
}
