#include "../DxfTestProjects.h"
#include "io/dxf/DXFFile.h"
#include "io/dxf/DXFLayerNames.h"
#include "io/dxf/DXFLayers.h"

#include <QtTest>

#include <map>
#include <set>

using namespace DxfTestProjects;

namespace {

std::vector<std::string> utf8(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

std::string inMemory(const TNCADProject& project, const TDXFLayerOptions& options) {
    struct Sink : TDXFSink {
        std::string bytes;
        void Write(std::string_view b) override { bytes += b; }
    } sink;
    WriteLayeredDxf(sink, project, options);
    return sink.bytes;
}

// A boundary whose first point is shot again, a code that is no layer name, points
// without code, a group of one point, a group left without points.
void cadProject(TNCADProject& project) {
    TNCADItem* b = addGroup(project, "경계");
    const double corners[][2] = {{0, 0}, {40, 0}, {40, 30}, {0, 30}, {0, 0}};
    int id = 0;
    for (const auto& c : corners) {
        ++id;
        b->AddPoint(201300 + c[0], 448700 + c[1], 34.5 + id * 0.25, std::to_string(id));
    }
    TNCADItem* road = addGroup(project, "A/B");
    road->AddPoint(201290, 448690, 33, "R1");
    road->AddPoint(201350, 448691.5, 33.5, "R2");
    addGroup(project, "")->AddPoint(201320, 448710, 35.125, "");
    addGroup(project, "nb")->AddPoint(201310, 448720, 36, "측점1");
    addGroup(project, "EMPTY");
}

} // namespace

class TestDxfLayers : public QObject {
    Q_OBJECT
private slots:
    void layerNames_data() {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("Korean and plain codes kept") << QStringList{"경계", "BLD", "도로 1"}
                                                     << QStringList{"경계", "BLD", "도로 1"};
        QTest::newRow("refused characters")
            << QStringList{"A/B", "C:D*E", "F<G>H|I", "x\"y", "a=b,c;d?e`f\\g"}
            << QStringList{"A_B", "C_D_E", "F_G_H_I", "x_y", "a_b_c_d_e_f_g"};
        QTest::newRow("empty code") << QStringList{""} << QStringList{"코드없음"};
        QTest::newRow("names differing only in case")
            << QStringList{"abc", "ABC", "Abc"} << QStringList{"abc", "ABC_2", "Abc_3"};
        QTest::newRow("the same name after replacing")
            << QStringList{"A/B", "A_B", "A:B"} << QStringList{"A_B", "A_B_2", "A_B_3"};
        QTest::newRow("layer 0, DEFPOINTS and the label layers")
            << QStringList{"0", "defpoints", "PT_ID", "pt_code", "PT_Z"}
            << QStringList{"0_2", "defpoints_2", "PT_ID_2", "pt_code_2", "PT_Z_2"};
        QTest::newRow("blanks at the ends") << QStringList{" X ", " "} << QStringList{"_X_", "_"};
        QTest::newRow("no place in the code page")
            << QStringList{"A😀B", QString("C") + QChar(0xF7B0) + "D"} // the second: a stray byte
            << QStringList{"A_B", "C_D"};
        QTest::newRow("long codes alike in their first 240 bytes")
            << QStringList{QString(250, 'a') + "1", QString(250, 'a') + "2", QString(250, 'A') + "3"}
            << QStringList{QString(240, 'a'), QString(240, 'a') + "_2", QString(240, 'A') + "_3"};
        QTest::newRow("a code like a made-up name") << QStringList{"A", "A", "A_2", "a"}
                                                    << QStringList{"A", "A_2", "A_2_2", "a_3"};
        QTest::newRow("long codes are cut on a character")
            << QStringList{QString(200, QChar(0xAC00))} << QStringList{QString(120, QChar(0xAC00))};
    }
    void layerNames() {
        QFETCH(QStringList, codes);
        QFETCH(QStringList, names);
        const std::vector<std::string> got = DxfLayerNames::ForCodes(utf8(codes));
        QCOMPARE(got, utf8(names));
    }

    // The file is whole: it starts as an AutoCAD 2000 drawing in code page 949, every object
    // has its own handle below the seed, and every owner named exists.
    void handlesAndOwners() {
        TNCADProject project;
        cadProject(project);
        const std::string file = inMemory(project, {});
        QVERIFY(file.starts_with(crlf("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n"
                                      "9\n$DWGCODEPAGE\n3\nANSI_949\n")));
        QVERIFY(file.ends_with(crlf("0\nEOF\n")));
        std::map<int, std::vector<std::string>> values;
        size_t at = 0;
        while (at < file.size()) {
            const size_t codeEnd = file.find("\r\n", at);
            const size_t valueEnd = file.find("\r\n", codeEnd + 2);
            QVERIFY(valueEnd != std::string::npos);
            values[std::stoi(file.substr(at, codeEnd - at))].push_back(
                file.substr(codeEnd + 2, valueEnd - codeEnd - 2));
            at = valueEnd + 2;
        }
        std::set<unsigned long> handles;
        const unsigned long seed = std::stoul(values[5][0], nullptr, 16); // $HANDSEED
        for (int code : {5, 105})
            for (size_t i = code == 5 ? 1 : 0; i < values[code].size(); ++i) {
                const unsigned long h = std::stoul(values[code][i], nullptr, 16);
                QVERIFY(handles.insert(h).second);
                QVERIFY(h > 0 && h < seed);
            }
        for (int code : {330, 350})
            for (const std::string& owner : values[code])
                QVERIFY2(owner == "0" || handles.count(std::stoul(owner, nullptr, 16)), owner.c_str());
    }

    // An independent reader (ezdxf) takes the file without a single repair and finds a layer
    // per code, the points with their heights, the lines and the labels.
    void independentReaderFindsTheLayers() {
        const QString python = "/usr/bin/python3";
        if (!QFileInfo::exists(python))
            QSKIP("/usr/bin/python3 is not installed; install python3-ezdxf to run this check");
        QTemporaryDir dir;
        const std::string path = dir.filePath("cad.dxf").toStdString();
        TNCADProject project;
        cadProject(project);
        TDXFLayerOptions options;
        options.TextHeight = DxfLabelHeight(1000);
        options.Extents = FitExtents(project);
        WriteLayeredDxfFile(path, project, options);

        QProcess reader;
        reader.start(python, {PB_DXF_READ_SCRIPT, QString::fromStdString(path)});
        QVERIFY(reader.waitForFinished(60000));
        const QByteArray out = reader.readAllStandardOutput();
        if (reader.exitCode() == 77)
            QSKIP(qPrintable("independent DXF reader missing: " + out.trimmed()));
        QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
        const QJsonObject r = QJsonDocument::fromJson(out).object();

        QCOMPARE(r["version"].toString(), QString("AC1015"));
        QCOMPARE(r["encoding"].toString(), QString("cp949"));
        QCOMPARE(r["units"].toInt(), 6); // metres
        QCOMPARE(r["audit_errors"].toInt(), 0);
        QCOMPARE(r["recover_errors"].toInt(), 0);
        QCOMPARE(r["recover_fixes"].toInt(), 0);
        QCOMPARE(r["recover_entities"].toInt(), r["entities"].toInt());
        QStringList layers;
        for (const QJsonValue& l : r["layer_table"].toArray())
            layers << l.toArray()[0].toString();
        QCOMPARE(layers, (QStringList{"0", "PT_ID", "PT_CODE", "PT_Z", "경계", "A_B", "코드없음", "nb", "EMPTY"}));
        QCOMPARE(r["styles"].toObject()["HANGUL"].toString(), QString("malgun.ttf"));

        const std::map<std::string, QString> layerOf{{"경계", "경계"}, {"A/B", "A_B"}, {"", "코드없음"}, {"nb", "nb"}};
        QJsonArray points;
        for (const auto& item : project)
            for (const auto& p : item->Points)
                points.append(QJsonArray{layerOf.at(item->Code()), p->X, p->Y, p->Z});
        QCOMPARE(r["points"].toArray(), points);
        // The boundary closes on its first point, which is not repeated; one point is no line.
        QCOMPARE(r["lwpolylines"].toArray(),
                 (QJsonArray{QJsonArray{"경계", true,
                                        QJsonArray{QJsonArray{201300, 448700}, QJsonArray{201340, 448700},
                                                   QJsonArray{201340, 448730}, QJsonArray{201300, 448730}}},
                             QJsonArray{"A_B", false,
                                        QJsonArray{QJsonArray{201290, 448690}, QJsonArray{201350, 448691.5}}}}));

        // Every point has its height label; IDs and codes only where there is one.
        QMap<QString, QStringList> labels;
        for (const QJsonValue& v : r["labels"].toArray()) {
            const QJsonArray t = v.toArray();
            QCOMPARE(t[2].toDouble(), 2.5); // 2.5 mm at 1:1000
            QCOMPARE(t[3].toString(), QString("HANGUL"));
            labels[t[0].toString()] << t[1].toString();
        }
        QCOMPARE(labels["PT_ID"], (QStringList{"1", "2", "3", "4", "5", "R1", "R2", "측점1"}));
        QCOMPARE(labels["PT_CODE"], (QStringList{"경계", "경계", "경계", "경계", "경계", "A/B", "A/B", "nb"}));
        QCOMPARE(labels["PT_Z"].size(), 9);
        QCOMPARE(labels["PT_Z"][7], QString("35.1250"));
    }
};

QTEST_GUILESS_MAIN(TestDxfLayers)
#include "tst_dxflayers.moc"
