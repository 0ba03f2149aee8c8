#include "../DxfTestProjects.h"
#include "io/dxf/DXFLayers.h"
#include "io/dxf/DXFWriter.h"
#include "text/NumText.h"

#include <QtTest>

#include <limits>
#include <map>
#include <sstream>

using namespace DxfTestProjects;

namespace {

const char* const kOnePointFile = R"(0
SECTION
2
HEADER
9
$ACADVER
1
AC1009
9
$DWGCODEPAGE
3
ANSI_949
9
$ANGDIR
70
0
9
$EXTMAX
10
21.1250
20
22.0000
30
0.0000
9
$EXTMIN
10
-1.2500
20
17.5000
30
0.0000
9
$CECOLOR
62
256
9
$CELTYPE
6
BYLAYER
0
ENDSEC
0
SECTION
2
TABLES
0
TABLE
2
LTYPE
70
1
0
LTYPE
2
CONTINUOUS
70
64
3
Solid line
72
65
73
0
40
 0.00000000000000E+0000
0
ENDTAB
0
TABLE
2
LAYER
70
257
0
LAYER
2
0
70
64
62
7
6
CONTINUOUS
0
ENDTAB
0
ENDSEC
0
SECTION
2
BLOCKS
0
ENDSEC
0
SECTION
2
ENTITIES
0
POLYLINE
8
0
66
1
10
0
20
0
30
0
0
VERTEX
8
0
10
 1.00000000000000E+0001
20
 2.00000000000000E+0001
30
0
0
SEQEND
0
CIRCLE
100
AcDbEntity
8
0
100
AcDbCircle
10
 1.00000000000000E+0001
20
 2.00000000000000E+0001
30
0
40
1
0
TEXT
100
AcDbText
8
0
10
 1.10000000000000E+0001
20
 2.00000000000000E+0001
30
0
40
1
39
1
1
A
0
TEXT
100
AcDbText
8
0
10
 1.10000000000000E+0001
20
 1.80000000000000E+0001
30
0
40
1
39
1
1
1
0
TEXT
100
AcDbText
8
0
10
 1.10000000000000E+0001
20
 2.20000000000000E+0001
30
0
40
1
39
1
1
5
0
CIRCLE
100
AcDbEntity
8
0
100
AcDbCircle
10
 1.00000000000000E+0001
20
 2.00000000000000E+0001
30
0
40
 1.00000000000000E-0001
0
ENDSEC
0
EOF
)";

// ENTITIES of the mixed project: a group with negative coordinates, an empty group (its
// polyline only) and a group without code (empty first text).
const char* const kMixedEntities = R"(0
SECTION
2
ENTITIES
0
POLYLINE
8
0
66
1
10
0
20
0
30
0
0
VERTEX
8
0
10
-1.23450000000000E+0003
20
-1.00000000000000E-0001
30
0
0
SEQEND
0
CIRCLE
100
AcDbEntity
8
0
100
AcDbCircle
10
-1.23450000000000E+0003
20
-1.00000000000000E-0001
30
0
40
1
0
TEXT
100
AcDbText
8
0
10
-1.23350000000000E+0003
20
-1.00000000000000E-0001
30
0
40
1
39
1
1
NEG
0
TEXT
100
AcDbText
8
0
10
-1.23350000000000E+0003
20
-2.10000000000000E+0000
30
0
40
1
39
1
1
N1
0
TEXT
100
AcDbText
8
0
10
-1.23350000000000E+0003
20
 1.90000000000000E+0000
30
0
40
1
39
1
1
0
0
CIRCLE
100
AcDbEntity
8
0
100
AcDbCircle
10
-1.23450000000000E+0003
20
-1.00000000000000E-0001
30
0
40
 1.00000000000000E-0001
0
POLYLINE
8
0
66
1
10
0
20
0
30
0
0
SEQEND
0
POLYLINE
8
0
66
1
10
0
20
0
30
0
0
VERTEX
8
0
10
 3.52140125000000E+0005
20
-1.25000000000000E+0001
30
0
0
SEQEND
0
CIRCLE
100
AcDbEntity
8
0
100
AcDbCircle
10
 3.52140125000000E+0005
20
-1.25000000000000E+0001
30
0
40
1
0
TEXT
100
AcDbText
8
0
10
 3.52141125000000E+0005
20
-1.25000000000000E+0001
30
0
40
1
39
1
1

0
TEXT
100
AcDbText
8
0
10
 3.52141125000000E+0005
20
-1.45000000000000E+0001
30
0
40
1
39
1
1
7
0
TEXT
100
AcDbText
8
0
10
 3.52141125000000E+0005
20
-1.05000000000000E+0001
30
0
40
1
39
1
1
12.5
0
CIRCLE
100
AcDbEntity
8
0
100
AcDbCircle
10
 3.52140125000000E+0005
20
-1.25000000000000E+0001
30
0
40
 1.00000000000000E-0001
0
ENDSEC
0
EOF
)";

std::string write(const TNCADProject& project, const TDXFExtents& extents) {
    std::ostringstream out;
    DXF_Writer writer(out, project, extents);
    writer.WriteAll();
    return out.str();
}

QByteArray bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

// From the ENTITIES section to the end of the file.
std::string fromEntities(const std::string& file) {
    const size_t at = file.find("0\r\nSECTION\r\n2\r\nENTITIES\r\n");
    return at == std::string::npos ? std::string() : file.substr(at);
}

class FailingSink : public TDXFSink {
public:
    void Write(std::string_view) override {
        ++calls;
        throw EDXFWriteError("Cannot write file \"x.dxf\". Disk full");
    }
    int calls = 0;
};

} // namespace

class TestDxfWriter : public QObject {
    Q_OBJECT
private slots:
    void onePointFileByteForByte() {
        TNCADProject project;
        onePoint(project);
        const std::string file = write(project, {-1.25, 17.5, 21.125, 22.0});
        QCOMPARE(bytes(file), bytes(crlf(kOnePointFile)));
    }

    void mixedProjectByteForByte() {
        TNCADProject project;
        mixed(project);
        const std::string file = write(project, {-1234.5, -12.5, 352140.125, -0.1});
        QCOMPARE(bytes(fromEntities(file)), bytes(crlf(kMixedEntities)));
        // The header takes the extents as given, in fixed form.
        QVERIFY(file.find("$EXTMAX\r\n10\r\n352140.1250\r\n20\r\n-0.1000\r\n30\r\n0.0000\r\n") !=
                std::string::npos);
        QVERIFY(file.find("$EXTMIN\r\n10\r\n-1234.5000\r\n20\r\n-12.5000\r\n30\r\n0.0000\r\n") !=
                std::string::npos);
    }

    // Extents beyond the range of numbers (a fit of points near the limit) are refused before
    // a byte is written, never clamped; the layered drawing, which opens on them, needs their
    // span as well.
    void extentsBeyondNumbersAreRefused_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<bool>("plain"); // written
        QTest::addColumn<bool>("layered");
        const double inf = std::numeric_limits<double>::infinity(), max = std::numeric_limits<double>::max();
        QTest::newRow("finite") << -12.5 << 12.5 << true << true;
        QTest::newRow("+inf") << 0.0 << inf << false << false;
        QTest::newRow("-inf") << -inf << 0.0 << false << false;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0.0 << false << false;
        QTest::newRow("span beyond numbers") << -max << max << true << false;
    }
    void extentsBeyondNumbersAreRefused() {
        QFETCH(double, low);
        QFETCH(double, high);
        struct Sink : TDXFSink {
            std::string bytes;
            void Write(std::string_view b) override { bytes += b; }
        };
        TNCADProject project;
        onePoint(project);
        const TDXFExtents extents{low, low, high, high};
        Sink plain, layered;
        bool refused[2] = {};
        try {
            DXF_Writer(plain, project, extents).WriteAll();
        } catch (const EDXFRangeError&) {
            refused[0] = true;
        }
        try {
            WriteLayeredDxf(layered, project, TDXFLayerOptions{DxfLabelHeight(500), extents});
        } catch (const EDXFRangeError&) {
            refused[1] = true;
        }
        QTEST(!refused[0], "plain");
        QTEST(!refused[1], "layered");
        for (int i = 0; i < 2; ++i) {
            const std::string& file = i ? layered.bytes : plain.bytes;
            QCOMPARE(file.empty(), refused[i]);
            QVERIFY(file.find("INF") == std::string::npos && file.find("NAN") == std::string::npos);
        }
    }

    void emptyProjectHasBareEntities() {
        TNCADProject project;
        const std::string file = write(project, {});
        QVERIFY(file.ends_with("0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n"));
        QVERIFY(file.find("$EXTMIN\r\n10\r\n0.0000\r\n20\r\n0.0000\r\n") != std::string::npos);
    }

    // Codes and IDs leave as CP949 bytes.
    void koreanTextsAsCp949() {
        TNCADProject project;
        addGroup(project, "경계")->AddPoint(1, 2, 3, "측점1");
        const std::string file = write(project, {});
        // 경계 = B0 E6 B0 E8, 측점 = C3 F8 C1 A1 in CP949.
        QVERIFY(file.find("\r\n1\r\n\xB0\xE6\xB0\xE8\r\n") != std::string::npos);
        QVERIFY(file.find("\r\n1\r\n\xC3\xF8\xC1\xA1"
                          "1\r\n") != std::string::npos);
        QVERIFY(file.find("경계") == std::string::npos);
    }

    // Structure over a bigger project (several buffer flushes): CR LF everywhere, group
    // codes as plain integers, every coordinate in exponent form 23 characters long, the
    // counts of each entity kind.
    void structureOfABigProject() {
        TNCADProject project;
        for (int g = 0; g < 7; ++g) {
            TNCADItem* item = addGroup(project, "G" + std::to_string(g));
            for (int i = 0; i < 1500 * (g % 3); ++i)
                item->AddPoint(200000.0 + i * 0.125 - g, -500.0 + i * 1.5, i * 0.01,
                               std::to_string(g * 10000 + i));
        }
        const int points = project.TotalPointCount();
        const std::string file = write(project, {1, 2, 3, 4});
        QVERIFY(file.size() > (3u << 20));

        std::vector<std::string> lines;
        size_t start = 0;
        while (start < file.size()) {
            const size_t lf = file.find('\n', start);
            QVERIFY(lf != std::string::npos && lf > start && file[lf - 1] == '\r');
            lines.push_back(file.substr(start, lf - 1 - start));
            start = lf + 1;
        }
        QCOMPARE(lines.size() % 2, size_t(0));
        std::map<std::string, int> count;
        for (size_t i = 0; i + 1 < lines.size(); i += 2) {
            const std::string& code = lines[i];
            QVERIFY2(!code.empty() && code.find_first_not_of("0123456789") == std::string::npos &&
                         (code == "0" || code[0] != '0'),
                     code.c_str());
            if (code == "0")
                ++count[lines[i + 1]];
            if ((code == "10" || code == "20") && lines[i + 1].find('E') != std::string::npos)
                QCOMPARE(lines[i + 1].size(), size_t(23));
        }
        QCOMPARE(count["POLYLINE"], 7);
        QCOMPARE(count["SEQEND"], 7);
        QCOMPARE(count["VERTEX"], points);
        QCOMPARE(count["CIRCLE"], 2 * points);
        QCOMPARE(count["TEXT"], 3 * points);
        QCOMPARE(count["EOF"], 1);
        QCOMPARE(lines.back(), std::string("EOF"));
    }

    void projectUnchanged() {
        TNCADProject project;
        mixed(project);
        write(project, {});
        QCOMPARE(project.Count(), 3);
        QCOMPARE(project.GetItem(0)->Code(), std::string("NEG"));
        QCOMPARE(project.GetItem(1)->PointCount(), 0);
        const TPoint3D* p = project.GetItem(2)->GetPoint(0);
        QCOMPARE(p->X, 352140.125);
        QCOMPARE(p->Z, 12.5);
        QCOMPARE(p->ID, std::string("7"));
    }

    // The single operations write their own parts, and the destructor hands over what is
    // still buffered.
    void operationsWriteTheirParts() {
        TNCADProject project;
        onePoint(project);
        std::ostringstream out;
        {
            DXF_Writer writer(out, project, {});
            writer.WriteBlocks();
            writer.WritePointMarker(*project.GetItem(0)->GetPoint(0));
        }
        QVERIFY(out.str().starts_with("0\r\nSECTION\r\n2\r\nBLOCKS\r\n0\r\nENDSEC\r\n0\r\nCIRCLE\r\n"));
        QVERIFY(out.str().ends_with("40\r\n 1.00000000000000E-0001\r\n"));
    }

    void failedWriteRaisesOnce() {
        TNCADProject project;
        onePoint(project);
        FailingSink sink;
        {
            DXF_Writer writer(sink, project, {});
            QVERIFY_THROWS_EXCEPTION(EDXFWriteError, writer.WriteAll());
        }
        QCOMPARE(sink.calls, 1); // the destructor does not try the failed bytes again

        std::ostringstream bad;
        bad.setstate(std::ios::badbit);
        DXF_Writer streamWriter(bad, project, {});
        QVERIFY_THROWS_EXCEPTION(EDXFWriteError, streamWriter.WriteAll());
    }
};

QTEST_APPLESS_MAIN(TestDxfWriter)
#include "tst_dxfwriter.moc"
