#include "formats/GsiReader.h"

#include "formats/Angles.h"
#include "formats/SurveyRecord.h"
#include "text/FieldText.h"
#include "text/LineCursor.h"

#include <bitset>
#include <optional>

namespace {

struct TGsiWord {
    int Index = 0;
    char Unit = '.';
    bool Negative = false;
    std::string_view Data;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool parseWord(std::string_view token, TGsiWord& word) {
    if (token.size() < 8 || !isDigit(token[0]) || !isDigit(token[1]))
        return false;
    for (size_t i = 2; i < 6; ++i)
        if (!isDigit(token[i]) && token[i] != '.')
            return false;
    if (token[6] != '+' && token[6] != '-')
        return false;
    word.Index = (token[0] - '0') * 10 + (token[1] - '0');
    word.Unit = token[5];
    word.Negative = token[6] == '-';
    word.Data = token.substr(7);
    return true;
}

class TGsiReader {
public:
    explicit TGsiReader(TRecordSink& sink) : m_sink(sink) {}
    void Line(std::string_view line, int number);

private:
    void word(const TGsiWord& w, std::string_view token);
    void startBlock() {
        m_present.reset();
        m_skip = false;
        m_id = {};
        m_code = {};
        m_codeIndex = 80;
    }
    void endBlock();
    void setupFromBlock();
    // A point or station from the words easting, easting + 1 (northing), easting + 2 (height).
    void placed(TSurveyRecord& r, TRecordKind kind, int easting) const;
    bool length(const TGsiWord& w, double& value);
    bool angle(const TGsiWord& w, double& value);
    bool integer(const TGsiWord& w, long long& value);
    void fail(TMessage reason) {
        m_sink.Problem(m_line, std::move(reason));
        m_skip = true;
    }
    bool has(int index) const { return m_present.test(static_cast<size_t>(index)); }

    TRecordSink& m_sink;
    TSurveyRecord m_record;
    int m_line = 0;
    std::bitset<100> m_present;
    double m_value[100] = {};
    bool m_skip = false;
    std::string_view m_id;
    std::string_view m_code;
    int m_codeIndex = 80;
    bool m_toldFeet = false;
    // The set-up named last: easting, northing, height and instrument height as words 84,
    // 85, 86 and 88 give them (kNone where a word is missing).
    struct TStation {
        double E, N, H, InstrumentHeight;
        bool operator==(const TStation&) const = default;
    };
    static constexpr double kNone = -1e300;
    std::optional<TStation> m_lastStation;
};

void TGsiReader::Line(std::string_view line, int number) {
    if (IsBlankLine(line))
        return;
    // Downloads may frame the data with STX and ETX.
    while (!line.empty() && static_cast<unsigned char>(line[0]) < 32)
        line.remove_prefix(1);
    m_line = number;
    size_t p = 0;
    const bool wide = !line.empty() && line[0] == '*';
    if (wide)
        p = 1;
    size_t dataLength = 8;
    if (wide) {
        dataLength = 16;
    } else {
        const size_t blank = line.find(' ');
        if ((blank == std::string_view::npos ? line.size() : blank) == 23)
            dataLength = 16;
    }
    startBlock();
    bool any = false;
    while (p < line.size()) {
        while (p < line.size() && (line[p] == ' ' || line[p] == '*'))
            ++p;
        if (p >= line.size())
            break;
        const size_t size = 7 + dataLength;
        size_t end = p + size;
        if (end > line.size() || (end < line.size() && line[end] != ' ')) {
            end = line.find(' ', p);
            if (end == std::string_view::npos)
                end = line.size();
        }
        const std::string_view token = line.substr(p, end - p);
        p = end;
        TGsiWord w;
        if (token.size() != size || !parseWord(token, w)) {
            fail(Say("'%1' is not a GSI word", token));
            continue;
        }
        if (w.Index == 11 || w.Index == 41) {
            if (any)
                endBlock();
            startBlock();
        }
        any = true;
        word(w, token);
    }
    if (any)
        endBlock();
}

void TGsiReader::word(const TGsiWord& w, std::string_view token) {
    const int i = w.Index;
    if (i == 41)
        m_skip = true; // code blocks are not points
    if (m_skip)
        return;
    if (i == 11) {
        m_id = StripLeadingZeros(TrimField(w.Data));
        return;
    }
    if (i >= 71 && i <= 79) {
        if (i < m_codeIndex) {
            m_code = StripLeadingZeros(TrimField(w.Data));
            m_codeIndex = i;
        }
        return;
    }
    double v = 0.0;
    bool ok = true;
    if (i == 21 || i == 22)
        ok = angle(w, v);
    else if ((i >= 31 && i <= 33) || (i >= 81 && i <= 88))
        ok = length(w, v);
    else
        return; // words the points do not need
    if (!ok) {
        if (!m_skip)
            fail(Say("word %1: '%2' is not a valid value", i, token));
        return;
    }
    m_present.set(static_cast<size_t>(i));
    m_value[i] = v;
}

bool TGsiReader::integer(const TGsiWord& w, long long& value) {
    // At most 16 digits: no overflow.
    long long v = 0;
    for (char c : w.Data) {
        if (!isDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    value = w.Negative ? -v : v;
    return true;
}

bool TGsiReader::length(const TGsiWord& w, double& value) {
    static const double kScale[] = {1e3, 1e3, 0, 0, 0, 0, 1e4, 1e4, 1e5};
    const char u = w.Unit == '.' ? '0' : w.Unit;
    if (u < '0' || u > '8' || kScale[u - '0'] == 0) {
        fail(Say("word %1: unit '%2' is not a length unit", w.Index, std::string(1, w.Unit)));
        return false;
    }
    long long n = 0;
    if (!integer(w, n))
        return false;
    if ((u == '1' || u == '7') && !m_toldFeet) {
        m_sink.LengthsInFeet(m_line);
        m_toldFeet = true;
    }
    value = static_cast<double>(n) / kScale[u - '0'];
    return true;
}

bool TGsiReader::angle(const TGsiWord& w, double& value) {
    long long n = 0;
    switch (w.Unit) {
    case '2':
    case '3':
        if (!integer(w, n))
            return false;
        value = AngleToRadians(static_cast<double>(n) / 1e5, w.Unit == '2' ? TAngleUnit::Gon : TAngleUnit::Degree);
        return true;
    case '4': {
        if (w.Data.size() < 6)
            return false;
        double degrees = 0.0;
        const size_t cut = w.Data.size() - 5;
        if (!DmsDigitsToDegrees(w.Data.substr(0, cut), w.Data.substr(cut), degrees))
            return false;
        value = AngleToRadians(w.Negative ? -degrees : degrees, TAngleUnit::Degree);
        return true;
    }
    case '5':
        if (!integer(w, n))
            return false;
        value = AngleToRadians(static_cast<double>(n) / 1e4, TAngleUnit::Mil);
        return true;
    default:
        fail(Say("word %1: unit '%2' is not an angle unit", w.Index, std::string(1, w.Unit)));
        return false;
    }
}

void TGsiReader::placed(TSurveyRecord& r, TRecordKind kind, int easting) const {
    r.Reset(kind, m_line);
    r.HasCoordinates = true;
    r.E = m_value[easting];
    r.N = m_value[easting + 1];
    if (has(easting + 2))
        r.H = m_value[easting + 2];
}

// The set-up a block names in 84..86 and 88. Recording masks may repeat it in every block:
// it is a set-up of its own only when it differs from the one named last.
void TGsiReader::setupFromBlock() {
    TStation named{m_value[84], m_value[85], has(86) ? m_value[86] : kNone, has(88) ? m_value[88] : kNone};
    if (m_lastStation && *m_lastStation == named)
        return;
    m_lastStation = named;
    TSurveyRecord& r = m_record;
    placed(r, TRecordKind::Station, 84);
    if (has(88))
        r.InstrumentHeight = m_value[88];
    m_sink.Record(r);
}

void TGsiReader::endBlock() {
    if (m_skip)
        return;
    TSurveyRecord& r = m_record;
    const bool station = has(84) || has(85);
    const bool coordinates = has(81) || has(82);
    const bool observation = has(21) || has(22) || has(31) || has(32);
    // A vertical angle or a distance is only ever measured to a target.
    const bool measured = has(22) || has(31) || has(32);
    if (station && (!has(84) || !has(85))) {
        m_sink.Problem(m_line, Say("station needs both easting (84) and northing (85)"));
        return;
    }
    if (station && (coordinates || measured))
        setupFromBlock();
    if (coordinates && (!has(81) || !has(82))) {
        m_sink.Problem(m_line, Say("point needs both easting (81) and northing (82)"));
        return;
    }
    if (coordinates && !observation) {
        placed(r, TRecordKind::Point, 81);
    } else if (observation) {
        // The instrument's own coordinates of the target, when it gives them, win.
        if (coordinates)
            placed(r, TRecordKind::Shot, 81);
        else
            r.Reset(TRecordKind::Shot, m_line);
        if (has(21))
            r.Horizontal = m_value[21];
        if (has(22))
            r.Zenith = m_value[22];
        if (has(31)) {
            r.DistanceKind = TDistanceKind::Slope;
            r.Distance = m_value[31];
        } else if (has(32)) {
            r.DistanceKind = TDistanceKind::Horizontal;
            r.Distance = m_value[32];
        }
        if (has(33))
            r.HeightDifference = m_value[33];
    } else if (station) {
        placed(r, TRecordKind::Station, 84);
        m_lastStation = TStation{m_value[84], m_value[85], has(86) ? m_value[86] : kNone,
                                 has(88) ? m_value[88] : kNone};
    } else if (has(87) || has(88)) {
        r.Reset(TRecordKind::Heights, m_line);
    } else {
        return; // an id or a remark alone
    }
    r.Id.assign(m_id);
    r.Code.assign(m_code);
    if (has(87))
        r.TargetHeight = m_value[87];
    if (has(88))
        r.InstrumentHeight = m_value[88];
    m_sink.Record(r);
}

} // namespace

void ReadGsi(std::string_view bytes, TRecordSink& sink) {
    TGsiReader reader(sink);
    ReadLines(bytes, reader);
}
