#pragma once

#include "io/dxf/DXFTags.h"

#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

class TNCADItem;
class TNCADProject;
class TPoint3D;

// The drawing's extents as the view holds them after its last fit; world units.
struct TDXFExtents {
    double MinX = 0.0;
    double MinY = 0.0;
    double MaxX = 0.0;
    double MaxY = 0.0;
};

// A DXF file that cannot be created or written. The text names the file and the system's
// reason ("Disk full", "File access denied", ...).
class EDXFWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A drawing whose extents or view lie beyond the range of numbers (coordinates near the
// double's limit): it is not written, rather than hold "INF" or a clamped value that a
// reader would take at face value.
class EDXFRangeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws EDXFRangeError unless every value is finite.
void RequireFiniteDxfValues(std::initializer_list<double> values);

// A text of the model (a code or an ID of the point `pointId`) in the file's code page,
// CP949. A character CP949 lacks throws Cp949::EUnencodable naming the point: the drawing
// is not written rather than get a "?".
std::string DxfTextBytes(const std::string& text, const std::string& pointId);

// Told now and then how far a drawing written to a file is (`done` of `total`); may throw to
// stop it, which leaves the target as it was.
using TDXFProgress = std::function<void(size_t done, size_t total)>;

// Writes one project as a minimal ASCII DXF drawing in one pass: HEADER, TABLES, an empty
// BLOCKS section, ENTITIES, EOF. Every line ends with CR LF; codes and point IDs are written
// as CP949 bytes. Reads the project and changes nothing in it.
class DXF_Writer {
public:
    DXF_Writer(TDXFSink& sink, const TNCADProject& project, const TDXFExtents& extents);
    // Writes into a stream; a stream that goes bad raises EDXFWriteError.
    DXF_Writer(std::ostream& out, const TNCADProject& project, const TDXFExtents& extents);
    // Writes out what is still buffered; errors at that point are lost, so call Flush (or
    // WriteAll, which flushes) to see them.
    ~DXF_Writer();
    DXF_Writer(const DXF_Writer&) = delete;
    DXF_Writer& operator=(const DXF_Writer&) = delete;

    // The whole file: the four sections, then 0 EOF, then Flush.
    void WriteAll();

    void WriteHeader();
    void WriteTables();
    void WriteBlocks();
    // Per code group, in project order: its polyline, its circles, its texts, then a marker
    // circle per point.
    void WriteEntities();
    void WriteGroupPolyline(const TNCADItem& item);
    void WriteGroupCircles(const TNCADItem& item);
    void WriteGroupTexts(const TNCADItem& item);
    void WritePointMarker(const TPoint3D& point);

    // Hands the buffered bytes to the sink.
    void Flush();

private:
    void circle(const TPoint3D& point, std::string_view radius);
    void text(std::string_view xText, double y, std::string_view bytes);
    void pointWritten() {
        if (++m_stepsDone % kDxfProgressEvery == 0)
            m_sink.Progress(m_stepsDone, m_steps);
    }

    std::unique_ptr<TDXFSink> m_ownedSink;
    TDXFSink& m_sink;
    TDXFTags m_tags;
    const TNCADProject& m_project;
    TDXFExtents m_extents;
    size_t m_steps = 0; // each point is written in four passes: vertex, circle, texts, marker
    size_t m_stepsDone = 0;
};
