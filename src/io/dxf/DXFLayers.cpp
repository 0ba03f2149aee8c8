#include "io/dxf/DXFLayers.h"

#include "io/dxf/DXFFile.h"
#include "io/dxf/DXFLayerNames.h"
#include "model/Measure.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"
#include "text/NumText.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr const char* kLabelStyle = "HANGUL";
// Malgun Gothic ships with every Windows since Vista and covers Hangul.
constexpr const char* kLabelFont = "malgun.ttf";

// ACI colours: the code layers take them in turn; the label layers have their own.
constexpr int kCodeColours[] = {1, 6, 30, 2, 140, 210, 50, 90, 170};
constexpr int kIdColour = 7, kCodeColour = 3, kHeightColour = 4;

// Where the labels stand beside their point and how big its mark is, in text heights:
// the ID above, the code level with the point, the height below, as the plan view shows
// them.
constexpr double kLabelRight = 0.6;
constexpr double kIdBaseline = 0.9, kCodeBaseline = -0.5, kHeightBaseline = -1.9;
constexpr double kPointMarkSize = 0.8;
// Width over height of the window the drawing opens in.
constexpr double kViewAspect = 1.5;

// Handles of the fixed objects. The layers follow them, then the entities.
enum Handle : unsigned {
    hVportTable = 1, hActiveVport, hLtypeTable, hByBlock, hByLayer, hContinuous, hLayerTable,
    hStyleTable, hStandardStyle, hLabelStyle, hViewTable, hUcsTable, hAppidTable, hAcadAppid,
    hDimstyleTable, hStandardDimstyle, hBlockRecordTable, hModelSpace, hPaperSpace,
    hModelBlock, hModelBlockEnd, hPaperBlock, hPaperBlockEnd, hRootDictionary,
    hGroupDictionary, hFirstLayer
};

struct Layer {
    std::string name; // CP949
    int colour;
};

class LayeredDxf {
public:
    LayeredDxf(TDXFSink& sink, const TNCADProject& project, const TDXFLayerOptions& options);
    void Write();

private:
    void Header();
    void Tables();
    void TableStart(const char* name, unsigned handle, int entries);
    void Record(const char* type, unsigned handle, unsigned owner, const char* subclass);
    void Vport();
    void LineTypes();
    void Layers();
    void Styles();
    void Blocks();
    void Entities();
    void Objects();
    void EntityStart(const char* type, unsigned handle, unsigned owner, std::string_view layer);
    // An entity of model space with the next handle.
    void EntityStart(const char* type, std::string_view layer);
    void GroupLine(const TNCADItem& item, std::string_view layer);
    void Label(std::string_view layer, double x, double y, std::string_view text);
    double ViewHeight() const;

    TDXFSink& m_sink;
    TDXFTags m_tags;
    const TNCADProject& m_project;
    TDXFLayerOptions m_options;
    std::vector<Layer> m_layers; // 0, the label layers, then one per group in project order
    unsigned m_next = 0;         // next entity handle
    unsigned m_seed = 0;         // above every handle the file uses
    double m_minZ = 0.0, m_maxZ = 0.0;
};

constexpr size_t kFirstCodeLayer = 4;

LayeredDxf::LayeredDxf(TDXFSink& sink, const TNCADProject& project, const TDXFLayerOptions& options)
    : m_sink(sink), m_tags(sink), m_project(project), m_options(options) {
    m_layers = {{"0", 7}, {DxfLayerNames::kIdLayer, kIdColour},
                {DxfLayerNames::kCodeLayer, kCodeColour}, {DxfLayerNames::kHeightLayer, kHeightColour}};
    std::vector<std::string> codes;
    for (const auto& item : project)
        codes.push_back(item->Code());
    int colour = 0;
    for (const std::string& name : DxfLayerNames::ForCodes(codes))
        m_layers.push_back({Cp949::FromUtf8(name), kCodeColours[colour++ % std::size(kCodeColours)]});

    // A group takes at most one line, a point at most a mark and three labels.
    size_t entities = 0;
    bool anyPoint = false;
    for (const auto& item : project) {
        entities += 1 + 4 * static_cast<size_t>(item->PointCount());
        for (const auto& p : item->Points) {
            m_minZ = anyPoint ? std::min(m_minZ, p->Z) : p->Z;
            m_maxZ = anyPoint ? std::max(m_maxZ, p->Z) : p->Z;
            anyPoint = true;
        }
    }
    m_next = hFirstLayer + static_cast<unsigned>(m_layers.size());
    m_seed = m_next + static_cast<unsigned>(entities);
}

void LayeredDxf::Write() {
    const TDXFExtents& e = m_options.Extents;
    RequireFiniteDxfValues({e.MinX, e.MinY, e.MaxX, e.MaxY, m_minZ, m_maxZ, ViewHeight()});
    Header();
    m_tags.Section("CLASSES");
    m_tags.Text(0, "ENDSEC");
    Tables();
    Blocks();
    Entities();
    Objects();
    m_tags.Text(0, "EOF");
    m_tags.Flush();
}

void LayeredDxf::Header() {
    const TDXFExtents& e = m_options.Extents;
    const double h = m_options.TextHeight;
    m_tags.Section("HEADER");
    const auto var = [&](const char* name) { m_tags.Text(9, name); };
    var("$ACADVER");
    m_tags.Text(1, "AC1015");
    var("$DWGCODEPAGE");
    m_tags.Text(3, "ANSI_949");
    var("$INSBASE");
    m_tags.Point(10, 0, 0, 0);
    var("$EXTMIN");
    m_tags.Point(10, e.MinX, e.MinY, m_minZ);
    var("$EXTMAX");
    m_tags.Point(10, e.MaxX, e.MaxY, m_maxZ);
    var("$LIMMIN");
    m_tags.Real(10, e.MinX);
    m_tags.Real(20, e.MinY);
    var("$LIMMAX");
    m_tags.Real(10, e.MaxX);
    m_tags.Real(20, e.MaxY);
    var("$TEXTSIZE");
    m_tags.Real(40, h);
    var("$TEXTSTYLE");
    m_tags.Text(7, kLabelStyle);
    var("$CLAYER");
    m_tags.Text(8, "0");
    var("$LUNITS"); // decimal, to the millimetre
    m_tags.Integer(70, 2);
    var("$LUPREC");
    m_tags.Integer(70, 3);
    var("$PDMODE"); // points drawn as a circle with a cross, PDSIZE drawing units wide
    m_tags.Integer(70, 34);
    var("$PDSIZE");
    m_tags.Real(40, kPointMarkSize * h);
    var("$HANDSEED");
    m_tags.Handle(5, m_seed);
    var("$MEASUREMENT"); // metric
    m_tags.Integer(70, 1);
    var("$INSUNITS"); // metres
    m_tags.Integer(70, 6);
    var("$EXTNAMES"); // layer names beyond A-Z, 0-9, $ - _ (Korean codes)
    m_tags.Integer(290, 1);
    m_tags.Text(0, "ENDSEC");
}

void LayeredDxf::TableStart(const char* name, unsigned handle, int entries) {
    m_tags.Text(0, "TABLE");
    m_tags.Text(2, name);
    m_tags.Handle(5, handle);
    m_tags.Handle(330, 0);
    m_tags.Text(100, "AcDbSymbolTable");
    m_tags.Integer(70, entries);
}

void LayeredDxf::Record(const char* type, unsigned handle, unsigned owner, const char* subclass) {
    m_tags.Text(0, type);
    m_tags.Handle(std::string_view(type) == "DIMSTYLE" ? 105 : 5, handle);
    m_tags.Handle(330, owner);
    m_tags.Text(100, "AcDbSymbolTableRecord");
    m_tags.Text(100, subclass);
}

void LayeredDxf::Tables() {
    m_tags.Section("TABLES");
    Vport();
    LineTypes();
    Layers();
    Styles();
    for (const auto& [name, handle] : {std::pair{"VIEW", hViewTable}, std::pair{"UCS", hUcsTable}}) {
        TableStart(name, handle, 0);
        m_tags.Text(0, "ENDTAB");
    }
    TableStart("APPID", hAppidTable, 1);
    Record("APPID", hAcadAppid, hAppidTable, "AcDbRegAppTableRecord");
    m_tags.Text(2, "ACAD");
    m_tags.Integer(70, 0);
    m_tags.Text(0, "ENDTAB");
    TableStart("DIMSTYLE", hDimstyleTable, 1);
    Record("DIMSTYLE", hStandardDimstyle, hDimstyleTable, "AcDbDimStyleTableRecord");
    m_tags.Text(2, "Standard");
    m_tags.Integer(70, 0);
    m_tags.Text(0, "ENDTAB");
    TableStart("BLOCK_RECORD", hBlockRecordTable, 2);
    for (const auto& [name, handle] : {std::pair{"*Model_Space", hModelSpace}, std::pair{"*Paper_Space", hPaperSpace}}) {
        Record("BLOCK_RECORD", handle, hBlockRecordTable, "AcDbBlockTableRecord");
        m_tags.Text(2, name);
        m_tags.Integer(70, 6); // inserted in metres
        m_tags.Integer(280, 1);
        m_tags.Integer(281, 0);
    }
    m_tags.Text(0, "ENDTAB");
    m_tags.Text(0, "ENDSEC");
}

// World units: the drawing opens on the extents, with room for a few labels at least.
double LayeredDxf::ViewHeight() const {
    const TDXFExtents& e = m_options.Extents;
    return std::max({e.MaxY - e.MinY, (e.MaxX - e.MinX) / kViewAspect, 20 * m_options.TextHeight});
}

// The drawing opens on the extents, seen from above.
void LayeredDxf::Vport() {
    const TDXFExtents& e = m_options.Extents;
    TableStart("VPORT", hVportTable, 1);
    Record("VPORT", hActiveVport, hVportTable, "AcDbViewportTableRecord");
    m_tags.Text(2, "*ACTIVE");
    m_tags.Integer(70, 0);
    m_tags.Real(10, 0);
    m_tags.Real(20, 0);
    m_tags.Real(11, 1);
    m_tags.Real(21, 1);
    // Halves first: the sum of two large coordinates of one sign overflows, their mean does not.
    m_tags.Real(12, e.MinX / 2 + e.MaxX / 2);
    m_tags.Real(22, e.MinY / 2 + e.MaxY / 2);
    m_tags.Real(13, 0);
    m_tags.Real(23, 0);
    m_tags.Real(14, 1);
    m_tags.Real(24, 1);
    m_tags.Real(15, 10);
    m_tags.Real(25, 10);
    m_tags.Point(16, 0, 0, 1);
    m_tags.Point(17, 0, 0, 0);
    m_tags.Real(40, ViewHeight());
    m_tags.Real(41, kViewAspect);
    m_tags.Real(42, 50);
    m_tags.Real(43, 0);
    m_tags.Real(44, 0);
    m_tags.Real(50, 0);
    m_tags.Real(51, 0);
    m_tags.Integer(71, 0);
    m_tags.Integer(72, 1000);
    m_tags.Integer(73, 1);
    m_tags.Integer(74, 3);
    m_tags.Integer(75, 0);
    m_tags.Integer(76, 0);
    m_tags.Integer(77, 0);
    m_tags.Integer(78, 0);
    m_tags.Text(0, "ENDTAB");
}

void LayeredDxf::LineTypes() {
    TableStart("LTYPE", hLtypeTable, 3);
    for (const auto& [name, handle, description] :
         {std::tuple{"ByBlock", hByBlock, ""}, std::tuple{"ByLayer", hByLayer, ""},
          std::tuple{"Continuous", hContinuous, "Solid line"}}) {
        Record("LTYPE", handle, hLtypeTable, "AcDbLinetypeTableRecord");
        m_tags.Text(2, name);
        m_tags.Integer(70, 0);
        m_tags.Text(3, description);
        m_tags.Integer(72, 65);
        m_tags.Integer(73, 0);
        m_tags.Real(40, 0);
    }
    m_tags.Text(0, "ENDTAB");
}

void LayeredDxf::Layers() {
    TableStart("LAYER", hLayerTable, static_cast<int>(m_layers.size()));
    unsigned handle = hFirstLayer;
    for (const Layer& layer : m_layers) {
        Record("LAYER", handle++, hLayerTable, "AcDbLayerTableRecord");
        m_tags.Text(2, layer.name);
        m_tags.Integer(70, 0);
        m_tags.Integer(62, layer.colour);
        m_tags.Text(6, "Continuous");
    }
    m_tags.Text(0, "ENDTAB");
}

void LayeredDxf::Styles() {
    TableStart("STYLE", hStyleTable, 2);
    for (const auto& [name, handle, font] : {std::tuple{"Standard", hStandardStyle, "txt"},
                                             std::tuple{kLabelStyle, hLabelStyle, kLabelFont}}) {
        Record("STYLE", handle, hStyleTable, "AcDbTextStyleTableRecord");
        m_tags.Text(2, name);
        m_tags.Integer(70, 0);
        m_tags.Real(40, 0); // height not fixed
        m_tags.Real(41, 1);
        m_tags.Real(50, 0);
        m_tags.Integer(71, 0);
        m_tags.Real(42, m_options.TextHeight);
        m_tags.Text(3, font);
        m_tags.Text(4, "");
    }
    m_tags.Text(0, "ENDTAB");
}

// The two spaces' block definitions; their contents are the ENTITIES section.
void LayeredDxf::Blocks() {
    m_tags.Section("BLOCKS");
    for (const auto& [name, owner, begin, end] :
         {std::tuple{"*Model_Space", hModelSpace, hModelBlock, hModelBlockEnd},
          std::tuple{"*Paper_Space", hPaperSpace, hPaperBlock, hPaperBlockEnd}}) {
        EntityStart("BLOCK", begin, owner, "0");
        m_tags.Text(100, "AcDbBlockBegin");
        m_tags.Text(2, name);
        m_tags.Integer(70, 0);
        m_tags.Point(10, 0, 0, 0);
        m_tags.Text(3, name);
        m_tags.Text(1, "");
        EntityStart("ENDBLK", end, owner, "0");
        m_tags.Text(100, "AcDbBlockEnd");
    }
    m_tags.Text(0, "ENDSEC");
}

void LayeredDxf::EntityStart(const char* type, unsigned handle, unsigned owner, std::string_view layer) {
    m_tags.Text(0, type);
    m_tags.Handle(5, handle);
    m_tags.Handle(330, owner);
    m_tags.Text(100, "AcDbEntity");
    m_tags.Text(8, layer);
}

void LayeredDxf::EntityStart(const char* type, std::string_view layer) {
    EntityStart(type, m_next++, hModelSpace, layer);
}

void LayeredDxf::Entities() {
    m_tags.Section("ENTITIES");
    const double h = m_options.TextHeight;
    size_t index = kFirstCodeLayer;
    const auto points = static_cast<size_t>(m_project.TotalPointCount());
    size_t done = 0;
    for (const auto& item : m_project) {
        const std::string_view layer = m_layers[index++].name;
        const std::string code =
            item->PointCount() > 0 ? DxfTextBytes(item->Code(), item->GetPoint(0)->ID) : std::string();
        // Points without a code are single points, not a line, as in the plan view.
        if (!code.empty() && item->PointCount() >= 2)
            GroupLine(*item, layer);
        for (const auto& p : item->Points) {
            EntityStart("POINT", layer);
            m_tags.Text(100, "AcDbPoint");
            m_tags.Point(10, p->X, p->Y, p->Z);
            const double x = p->X + kLabelRight * h;
            if (!p->ID.empty())
                Label(DxfLayerNames::kIdLayer, x, p->Y + kIdBaseline * h, DxfTextBytes(p->ID, p->ID));
            if (!code.empty())
                Label(DxfLayerNames::kCodeLayer, x, p->Y + kCodeBaseline * h, code);
            Label(DxfLayerNames::kHeightLayer, x, p->Y + kHeightBaseline * h, FormatFixed4(p->Z));
            if (++done % kDxfProgressEvery == 0)
                m_sink.Progress(done, points);
        }
    }
    m_tags.Text(0, "ENDSEC");
}

// The line through the group's points; a last point back on the first closes it instead.
void LayeredDxf::GroupLine(const TNCADItem& item, std::string_view layer) {
    const bool closed = ClosesItself(item);
    const int vertices = item.PointCount() - (closed ? 1 : 0);
    EntityStart("LWPOLYLINE", layer);
    m_tags.Text(100, "AcDbPolyline");
    m_tags.Integer(90, vertices);
    m_tags.Integer(70, closed ? 1 : 0);
    for (int i = 0; i < vertices; ++i) {
        const TPoint3D* p = item.GetPoint(i);
        m_tags.Real(10, p->X);
        m_tags.Real(20, p->Y);
    }
}

// Left-aligned on its baseline at (x, y); `text` is already CP949.
void LayeredDxf::Label(std::string_view layer, double x, double y, std::string_view text) {
    EntityStart("TEXT", layer);
    m_tags.Text(100, "AcDbText");
    m_tags.Point(10, x, y, 0);
    m_tags.Real(40, m_options.TextHeight);
    m_tags.Text(1, text);
    m_tags.Text(7, kLabelStyle);
    m_tags.Text(100, "AcDbText");
}

void LayeredDxf::Objects() {
    m_tags.Section("OBJECTS");
    m_tags.Text(0, "DICTIONARY");
    m_tags.Handle(5, hRootDictionary);
    m_tags.Handle(330, 0);
    m_tags.Text(100, "AcDbDictionary");
    m_tags.Integer(281, 1);
    m_tags.Text(3, "ACAD_GROUP");
    m_tags.Handle(350, hGroupDictionary);
    m_tags.Text(0, "DICTIONARY");
    m_tags.Handle(5, hGroupDictionary);
    m_tags.Handle(330, hRootDictionary);
    m_tags.Text(100, "AcDbDictionary");
    m_tags.Integer(281, 1);
    m_tags.Text(0, "ENDSEC");
}

} // namespace

void WriteLayeredDxf(TDXFSink& sink, const TNCADProject& project, const TDXFLayerOptions& options) {
    LayeredDxf(sink, project, options).Write();
}

void WriteLayeredDxfFile(const std::string& path, const TNCADProject& project,
                         const TDXFLayerOptions& options, const TDXFProgress& progress) {
    ReplaceDxfFile(path, [&](TDXFSink& sink) { WriteLayeredDxf(sink, project, options); }, progress);
}
