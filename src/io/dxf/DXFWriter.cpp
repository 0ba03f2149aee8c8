#include "io/dxf/DXFWriter.h"

#include "io/dxf/DXFNumbers.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"

#include <cmath>
#include <ostream>

namespace {

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
    : m_sink(sink), m_tags(sink), m_project(project), m_extents(extents) {}

DXF_Writer::DXF_Writer(std::ostream& out, const TNCADProject& project,
                       const TDXFExtents& extents)
    : m_ownedSink(std::make_unique<StreamSink>(out)), m_sink(*m_ownedSink), m_tags(m_sink),
      m_project(project), m_extents(extents) {}

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
    m_tags.Text(0, "EOF");
    Flush();
}

void DXF_Writer::WriteHeader() {
    // A fit of coordinates near the double's limit overflows: said before a byte is written.
    RequireFiniteDxfValues({m_extents.MinX, m_extents.MinY, m_extents.MaxX, m_extents.MaxY});
    m_tags.Section("HEADER");
    // Readers (LibreCAD, ezdxf's recovery) ignore the code page of a drawing without a
    // version; R12 is what the rest of the file is.
    m_tags.Text(9, "$ACADVER");
    m_tags.Text(1, "AC1009");
    // Without this readers take the texts as ANSI_1252 and garble Korean codes.
    m_tags.Text(9, "$DWGCODEPAGE");
    m_tags.Text(3, "ANSI_949");
    m_tags.Text(9, "$ANGDIR");
    m_tags.Text(70, "0");
    m_tags.Text(9, "$EXTMAX");
    m_tags.Fixed(10, m_extents.MaxX);
    m_tags.Fixed(20, m_extents.MaxY);
    m_tags.Text(30, "0.0000");
    m_tags.Text(9, "$EXTMIN");
    m_tags.Fixed(10, m_extents.MinX);
    m_tags.Fixed(20, m_extents.MinY);
    m_tags.Text(30, "0.0000");
    m_tags.Text(9, "$CECOLOR");
    m_tags.Text(62, "256");
    m_tags.Text(9, "$CELTYPE");
    m_tags.Text(6, "BYLAYER");
    m_tags.Text(0, "ENDSEC");
}

void DXF_Writer::WriteTables() {
    m_tags.Section("TABLES");
    m_tags.Text(0, "TABLE");
    m_tags.Text(2, "LTYPE");
    m_tags.Text(70, "1");
    m_tags.Text(0, "LTYPE");
    m_tags.Text(2, "CONTINUOUS");
    m_tags.Text(70, "64");
    m_tags.Text(3, "Solid line");
    m_tags.Text(72, "65");
    m_tags.Text(73, "0");
    m_tags.Text(40, " 0.00000000000000E+0000");
    m_tags.Text(0, "ENDTAB");
    m_tags.Text(0, "TABLE");
    m_tags.Text(2, "LAYER");
    // 257, not 1, as in the drawings this program has always written; readers take the
    // count as a hint only.
    m_tags.Text(70, "257");
    m_tags.Text(0, "LAYER");
    m_tags.Text(2, "0");
    m_tags.Text(70, "64");
    m_tags.Text(62, "7");
    m_tags.Text(6, "CONTINUOUS");
    m_tags.Text(0, "ENDTAB");
    m_tags.Text(0, "ENDSEC");
}

void DXF_Writer::WriteBlocks() {
    m_tags.Section("BLOCKS");
    m_tags.Text(0, "ENDSEC");
}

void DXF_Writer::WriteEntities() {
    m_tags.Section("ENTITIES");
    m_steps = 4 * static_cast<size_t>(m_project.TotalPointCount());
    for (const auto& item : m_project) {
        WriteGroupPolyline(*item);
        WriteGroupCircles(*item);
        WriteGroupTexts(*item);
        for (const auto& point : item->Points)
            WritePointMarker(*point);
    }
    m_tags.Text(0, "ENDSEC");
}

void DXF_Writer::WriteGroupPolyline(const TNCADItem& item) {
    m_tags.Text(0, "POLYLINE");
    m_tags.Text(8, "0");
    m_tags.Text(66, "1");
    m_tags.Text(10, "0");
    m_tags.Text(20, "0");
    m_tags.Text(30, "0");
    for (const auto& point : item.Points) {
        m_tags.Bytes(kVertexHead);
        m_tags.Scientific(point->X);
        m_tags.Bytes(kThen20);
        m_tags.Scientific(point->Y);
        m_tags.Bytes(kVertexTail);
        pointWritten();
    }
    m_tags.Text(0, "SEQEND");
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
    m_tags.Bytes(kCircleHead);
    m_tags.Scientific(point.X);
    m_tags.Bytes(kThen20);
    m_tags.Scientific(point.Y);
    m_tags.Bytes(kCircleTail);
    m_tags.Bytes(radius);
    m_tags.Bytes(kLineEnd);
    pointWritten();
}

// `xText` is X already formatted; `bytes` are already in the file's code page.
void DXF_Writer::text(std::string_view xText, double y, std::string_view bytes) {
    m_tags.Bytes(kTextHead);
    m_tags.Bytes(xText);
    m_tags.Bytes(kThen20);
    m_tags.Scientific(y);
    m_tags.Bytes(kTextTail);
    m_tags.Bytes(bytes);
    m_tags.Bytes(kLineEnd);
}

void RequireFiniteDxfValues(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v))
            throw EDXFRangeError("측점 좌표가 너무 커서 도면의 범위를 숫자로 나타낼 수 없습니다. "
                                 "DXF 파일을 저장하지 않았습니다.");
}

void DXF_Writer::Flush() { m_tags.Flush(); }
