#include "io/dxf/DXFWriter.h"

#include "io/dxf/DXFNumbers.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"
#include "text/NumText.h"

#include <cmath>
#include <cstring>
#include <ostream>

namespace {

// Bytes are collected and handed to the sink in pieces of this size.
constexpr size_t kChunk = 1 << 20;
// Room a number needs in the buffer.
constexpr size_t kNumberRoom = 32;

// The fixed runs of groups around the values of the entities written per point, so that
// each goes out in one copy: "0 VERTEX, 8 0, 10" before X, then "20" before Y, and so on.
constexpr std::string_view kVertexHead = "0\r\nVERTEX\r\n8\r\n0\r\n10\r\n";
constexpr std::string_view kVertexTail = "\r\n30\r\n0\r\n";
constexpr std::string_view kCircleHead =
    "0\r\nCIRCLE\r\n100\r\nAcDbEntity\r\n8\r\n0\r\n100\r\nAcDbCircle\r\n10\r\n";
constexpr std::string_view kCircleTail = "\r\n30\r\n0\r\n40\r\n"; // then the radius
constexpr std::string_view kTextHead = "0\r\nTEXT\r\n100\r\nAcDbText\r\n8\r\n0\r\n10\r\n";
// Z 0, height 1, thickness 1, then the text.
constexpr std::string_view kTextTail = "\r\n30\r\n0\r\n40\r\n1\r\n39\r\n1\r\n1\r\n";
constexpr std::string_view kThen20 = "\r\n20\r\n";
constexpr std::string_view kLineEnd = "\r\n";

class StreamSink : public TDXFSink {
public:
    explicit StreamSink(std::ostream& out) : m_out(out) {}
    void Write(std::string_view bytes) override {
        m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!m_out)
            throw EDXFWriteError("I/O error: the DXF output stream failed");
    }

private:
    std::ostream& m_out;
};

} // namespace

DXF_Writer::DXF_Writer(TDXFSink& sink, const TNCADProject& project, const TDXFExtents& extents)
    : m_sink(sink), m_project(project), m_extents(extents), m_buf(kChunk, '\0') {}

DXF_Writer::DXF_Writer(std::ostream& out, const TNCADProject& project,
                       const TDXFExtents& extents)
    : m_ownedSink(std::make_unique<StreamSink>(out)), m_sink(*m_ownedSink), m_project(project),
      m_extents(extents), m_buf(kChunk, '\0') {}

// The buffer is a fixed block filled by copies: most of a drawing is short fixed words, and
// growing a string piece by piece costs more than formatting the numbers.
inline void DXF_Writer::put(std::string_view bytes) {
    if (bytes.size() <= m_buf.size() - m_used) {
        std::memcpy(m_buf.data() + m_used, bytes.data(), bytes.size());
        m_used += bytes.size();
    } else {
        putLarge(bytes);
    }
}

void DXF_Writer::putLarge(std::string_view bytes) {
    Flush();
    if (bytes.size() > m_buf.size())
        m_sink.Write(bytes);
    else
        put(bytes);
}

inline void DXF_Writer::putScientific(double value) {
    if (m_buf.size() - m_used < kNumberRoom)
        Flush();
    char* at = m_buf.data() + m_used;
    m_used += static_cast<size_t>(DxfNumbers::WriteScientific(at, value) - at);
}

DXF_Writer::~DXF_Writer() {
    try {
        Flush();
    } catch (...) {
    }
}

void DXF_Writer::WriteAll() {
    WriteHeader();
    WriteTables();
    WriteBlocks();
    WriteEntities();
    group("0", "EOF");
    Flush();
}

void DXF_Writer::WriteHeader() {
    // A fit of coordinates near the double's limit overflows: said before a byte is written.
    RequireFiniteDxfValues({m_extents.MinX, m_extents.MinY, m_extents.MaxX, m_extents.MaxY});
    group("0", "SECTION");
    group("2", "HEADER");
    // Readers (LibreCAD, ezdxf's recovery) ignore the code page of a drawing without a
    // version; R12 is what the rest of the file is.
    group("9", "$ACADVER");
    group("1", "AC1009");
    // Without this readers take the texts as ANSI_1252 and garble Korean codes.
    group("9", "$DWGCODEPAGE");
    group("3", "ANSI_949");
    group("9", "$ANGDIR");
    group("70", "0");
    group("9", "$EXTMAX");
    groupFixed("10", m_extents.MaxX);
    groupFixed("20", m_extents.MaxY);
    group("30", "0.0000");
    group("9", "$EXTMIN");
    groupFixed("10", m_extents.MinX);
    groupFixed("20", m_extents.MinY);
    group("30", "0.0000");
    group("9", "$CECOLOR");
    group("62", "256");
    group("9", "$CELTYPE");
    group("6", "BYLAYER");
    group("0", "ENDSEC");
}

void DXF_Writer::WriteTables() {
    group("0", "SECTION");
    group("2", "TABLES");
    group("0", "TABLE");
    group("2", "LTYPE");
    group("70", "1");
    group("0", "LTYPE");
    group("2", "CONTINUOUS");
    group("70", "64");
    group("3", "Solid line");
    group("72", "65");
    group("73", "0");
    group("40", " 0.00000000000000E+0000");
    group("0", "ENDTAB");
    group("0", "TABLE");
    group("2", "LAYER");
    // 257, not 1, as in the drawings this program has always written; readers take the
    // count as a hint only.
    group("70", "257");
    group("0", "LAYER");
    group("2", "0");
    group("70", "64");
    group("62", "7");
    group("6", "CONTINUOUS");
    group("0", "ENDTAB");
    group("0", "ENDSEC");
}

void DXF_Writer::WriteBlocks() {
    group("0", "SECTION");
    group("2", "BLOCKS");
    group("0", "ENDSEC");
}

void DXF_Writer::WriteEntities() {
    group("0", "SECTION");
    group("2", "ENTITIES");
    m_steps = 4 * static_cast<size_t>(m_project.TotalPointCount());
    for (const auto& item : m_project) {
        WriteGroupPolyline(*item);
        WriteGroupCircles(*item);
        WriteGroupTexts(*item);
        for (const auto& point : item->Points)
            WritePointMarker(*point);
    }
    group("0", "ENDSEC");
}

void DXF_Writer::WriteGroupPolyline(const TNCADItem& item) {
    group("0", "POLYLINE");
    group("8", "0");
    group("66", "1");
    group("10", "0");
    group("20", "0");
    group("30", "0");
    for (const auto& point : item.Points) {
        put(kVertexHead);
        putScientific(point->X);
        put(kThen20);
        putScientific(point->Y);
        put(kVertexTail);
        pointWritten();
    }
    group("0", "SEQEND");
}

void DXF_Writer::WriteGroupCircles(const TNCADItem& item) {
    for (const auto& point : item.Points)
        circle(*point, "1");
}

std::string DxfTextBytes(const std::string& text, const std::string& pointId) {
    try {
        return Cp949::FromUtf8(text);
    } catch (const Cp949::EUnencodable& e) {
        throw e.At("측점 \"" + pointId + "\"", "DXF 파일을 저장하지 않았습니다.");
    }
}

void DXF_Writer::WriteGroupTexts(const TNCADItem& item) {
    if (item.Points.Count() == 0)
        return;
    const std::string code = DxfTextBytes(item.Code(), item.Points.Get(0)->ID);
    std::string converted;
    for (const auto& point : item.Points) {
        // The three texts share X + 1.
        char x[DxfNumbers::kScientificSize + 8];
        const std::string_view xText(x, DxfNumbers::WriteScientific(x, point->X + 1.0));
        text(xText, point->Y, code);
        const bool ascii = Cp949::IsAscii(point->ID);
        if (!ascii)
            converted = DxfTextBytes(point->ID, point->ID);
        text(xText, point->Y - 2.0, ascii ? point->ID : converted);
        char z[DxfNumbers::kMaxGeneralSize];
        text(xText, point->Y + 2.0, std::string_view(z, DxfNumbers::WriteGeneral(z, point->Z)));
        pointWritten();
    }
}

void DXF_Writer::WritePointMarker(const TPoint3D& point) {
    circle(point, " 1.00000000000000E-0001");
}

void DXF_Writer::circle(const TPoint3D& point, std::string_view radius) {
    put(kCircleHead);
    putScientific(point.X);
    put(kThen20);
    putScientific(point.Y);
    put(kCircleTail);
    put(radius);
    put(kLineEnd);
    pointWritten();
}

// `xText` is X already formatted; `bytes` are already in the file's code page.
void DXF_Writer::text(std::string_view xText, double y, std::string_view bytes) {
    put(kTextHead);
    put(xText);
    put(kThen20);
    putScientific(y);
    put(kTextTail);
    put(bytes);
    put(kLineEnd);
}

void DXF_Writer::group(std::string_view code, std::string_view value) {
    put(code);
    put(kLineEnd);
    put(value);
    put(kLineEnd);
}

void DXF_Writer::groupFixed(std::string_view code, double value) { group(code, FormatFixed4(value)); }

void RequireFiniteDxfValues(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v))
            throw EDXFRangeError("측점 좌표가 너무 커서 도면의 범위를 숫자로 나타낼 수 없습니다. "
                                 "DXF 파일을 저장하지 않았습니다.");
}

void DXF_Writer::Flush() {
    if (m_used == 0)
        return;
    // Dropped also when the sink fails, so that the destructor does not try the write again.
    const size_t used = m_used;
    m_used = 0;
    m_sink.Write(std::string_view(m_buf.data(), used));
}
