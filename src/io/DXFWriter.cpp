#include "io/DXFWriter.h"

#include "io/DXFNumbers.h"
#include "model/NCADProject.h"
#include "toolkit/Cp949.h"

#include <ostream>

namespace {

// Bytes are collected and handed to the sink in pieces of about this size.
constexpr size_t kChunk = 1 << 20;

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
    : m_sink(sink), m_project(project), m_extents(extents) {
    m_buf.reserve(kChunk + 4096);
}

DXF_Writer::DXF_Writer(std::ostream& out, const TNCADProject& project,
                       const TDXFExtents& extents)
    : m_ownedSink(std::make_unique<StreamSink>(out)), m_sink(*m_ownedSink), m_project(project),
      m_extents(extents) {
    m_buf.reserve(kChunk + 4096);
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
    group("0", "SECTION");
    group("2", "HEADER");
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
    groupScientific("40", 0.0);
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
        group("0", "VERTEX");
        group("8", "0");
        groupScientific("10", point->X);
        groupScientific("20", point->Y);
        group("30", "0");
        flushIfFull();
    }
    group("0", "SEQEND");
}

void DXF_Writer::WriteGroupCircles(const TNCADItem& item) {
    for (const auto& point : item.Points)
        circle(*point, "1");
}

void DXF_Writer::WriteGroupTexts(const TNCADItem& item) {
    const std::string code = Cp949::FromUtf8(item.Code());
    std::string converted, z;
    for (const auto& point : item.Points) {
        text(*point, 0.0, code);
        const bool ascii = Cp949::IsAscii(point->ID);
        if (!ascii)
            converted = Cp949::FromUtf8(point->ID);
        text(*point, -2.0, ascii ? point->ID : converted);
        z.clear();
        DxfNumbers::AppendGeneral(z, point->Z);
        text(*point, 2.0, z);
    }
}

void DXF_Writer::WritePointMarker(const TPoint3D& point) {
    circle(point, " 1.00000000000000E-0001");
}

void DXF_Writer::circle(const TPoint3D& point, std::string_view radius) {
    group("0", "CIRCLE");
    group("100", "AcDbEntity");
    group("8", "0");
    group("100", "AcDbCircle");
    groupScientific("10", point.X);
    groupScientific("20", point.Y);
    group("30", "0");
    group("40", radius);
    flushIfFull();
}

// `bytes` are already in the file's code page.
void DXF_Writer::text(const TPoint3D& point, double dy, const std::string& bytes) {
    group("0", "TEXT");
    group("100", "AcDbText");
    group("8", "0");
    groupScientific("10", point.X + 1.0);
    groupScientific("20", point.Y + dy);
    group("30", "0");
    group("40", "1");
    group("39", "1");
    group("1", bytes);
    flushIfFull();
}

void DXF_Writer::group(std::string_view code, std::string_view value) {
    m_buf.append(code);
    m_buf.append("\r\n", 2);
    m_buf.append(value);
    m_buf.append("\r\n", 2);
}

void DXF_Writer::groupFixed(std::string_view code, double value) {
    m_buf.append(code);
    m_buf.append("\r\n", 2);
    DxfNumbers::AppendFixed(m_buf, value);
    m_buf.append("\r\n", 2);
}

void DXF_Writer::groupScientific(std::string_view code, double value) {
    m_buf.append(code);
    m_buf.append("\r\n", 2);
    DxfNumbers::AppendScientific(m_buf, value);
    m_buf.append("\r\n", 2);
}

void DXF_Writer::flushIfFull() {
    if (m_buf.size() >= kChunk)
        Flush();
}

void DXF_Writer::Flush() {
    if (m_buf.empty())
        return;
    // Dropped also when the sink fails, so that the destructor does not try the write again.
    struct Clear {
        std::string& buf;
        ~Clear() { buf.clear(); }
    } clear{m_buf};
    m_sink.Write(m_buf);
}
