#include "model/NCADProject.h"
#include "model/ProjectManager.h"
#include "toolkit/Application.h"
#include "view/NCAD.h"
#include "view/PointPick.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest>

#include <random>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kBlue = 0xFF0000FF;

// A view without scroll bars, so that its client area is its whole size.
struct Fixture {
    TNCAD view;
    TNCADProject* project = nullptr;

    explicit Fixture(QSize size = QSize(400, 300)) {
        view.SetScrollBars(ssNone);
        view.resize(size);
        auto p = std::make_unique<TNCADProject>();
        project = p.get();
        view.ProjectManager()->AddProject(std::move(p));
    }
    void addGroup(const std::string& code, std::initializer_list<std::array<double, 3>> points) {
        auto item = std::make_unique<TNCADItem>();
        item->SetCode(code);
        int n = 0;
        for (auto [x, y, z] : points)
            item->AddPoint(x, y, z, "P" + std::to_string(++n));
        project->AddItem(std::move(item));
    }
    // Scale s, world origin at pixel (200, 150).
    void map(double s) {
        view.Scale = s;
        view.CenterX = 0;
        view.CenterY = 0;
        view.HalfWidth = 200;
        view.HalfHeight = 150;
    }
    void layers(bool l1, bool l2, bool l3, bool l4, bool l5) {
        view.SetLayer1Visible(l1);
        view.SetLayer2Visible(l2);
        view.SetLayer3Visible(l3);
        view.SetLayer4Visible(l4);
        view.SetLayer5Visible(l5);
    }
    const QImage& render() {
        view.RenderOffscreen();
        return view.OffscreenImage();
    }
};

int countPixels(const QImage& img, QRect area, QRgb colour, bool equal = true) {
    int n = 0;
    area &= img.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += ((img.pixel(x, y) == colour) == equal);
    return n;
}

bool onlyBackgroundAndFrame(const QImage& img) {
    const QRect inner = img.rect().adjusted(1, 1, -1, -1);
    return countPixels(img, inner, kBlack, false) == 0 &&
           countPixels(img, img.rect(), kWhite) == 2 * (img.width() + img.height()) - 4;
}

} // namespace

class TestNCAD : public QObject {
    Q_OBJECT
private slots:
    void startState() {
        TNCAD view;
        QCOMPARE(view.Scale, 1.0);
        QCOMPARE(view.MinX, 1e8);
        QCOMPARE(view.MaxY, -1e8);
        QCOMPARE(view.MouseMode, mmPan);
        QVERIFY(!view.MouseDown);
        QCOMPARE(view.ScrollBars(), ssBoth);
        for (int i = 1; i <= 5; ++i)
            QVERIFY(view.LayerVisible(i));
        QVERIFY(view.GetStory(0));
        QVERIFY(!view.GetStory(1));
        QVERIFY(!view.GetStory(-1));
        QVERIFY(!view.DeleteStory(3));
        QCOMPARE(view.GetStory(0)->Canvas, &view.OffscreenImage());
    }

    void zoomExtentsUsesTheOuterSize() {
        Fixture f(QSize(716, 532));
        f.view.SetScrollBars(ssBoth);
        f.addGroup("A", {{0, 0, 0}, {100, 50, 0}});
        f.addGroup("B", {{30, 20, 1}});
        f.view.ZoomExtents();
        QCOMPARE(f.view.MinX, -10.0);
        QCOMPARE(f.view.MaxY, 55.0);
        QCOMPARE(f.view.HalfWidth, 358);
        QCOMPARE(f.view.HalfHeight, 266);
        QCOMPARE(f.view.Scale, 716.0 / 120.0);
        QCOMPARE(f.view.CenterX, 50.0);
        QCOMPARE(f.view.CenterY, 25.0);
    }

    void zoomExtentsWithoutProject() {
        TNCAD view;
        view.resize(716, 532);
        view.ZoomExtents();
        QCOMPARE(view.Scale, 532.0 / 2.4e8);
        view.RenderOffscreen();
        QVERIFY(onlyBackgroundAndFrame(view.OffscreenImage()));
    }

    void backgroundFrameAndDots() {
        Fixture f;
        f.map(10);
        f.addGroup("", {{0, 0, 0}, {-10, 10, 0}});
        f.layers(true, false, false, false, false);
        const QImage& img = f.render();
        QCOMPARE(img.size(), QSize(400, 300));
        QCOMPARE(img.pixel(0, 0), kWhite);
        QCOMPARE(img.pixel(399, 299), kWhite);
        QCOMPARE(img.pixel(0, 150), kWhite);
        QCOMPARE(img.pixel(1, 1), kBlack);
        // Radius 1 at Scale 10: a 2 x 2 disc ending at the point's pixel.
        QCOMPARE(img.pixel(200, 150), kWhite);
        QCOMPARE(img.pixel(199, 149), kWhite);
        QCOMPARE(img.pixel(201, 150), kBlack);
        QCOMPARE(img.pixel(100, 50), kWhite);
        QCOMPARE(countPixels(img, img.rect().adjusted(1, 1, -1, -1), kWhite), 8);
        // Scale 25: radius 2, the corners of the 4 x 4 box stay black.
        f.map(25);
        const QImage& big = f.render();
        QCOMPARE(countPixels(big, QRect(198, 148, 4, 4), kWhite), 12);
        QCOMPARE(big.pixel(198, 148), kBlack);
    }

    void labelsSitAtTheirOffsets() {
        Fixture f;
        f.map(10); // d = 12, h = 6
        f.addGroup("A", {{0, 0, 12.3}});
        struct Case {
            bool l2, l3, l4;
            int dy;
        } cases[] = {{true, false, false, -12}, {false, true, false, 0}, {false, false, true, 12}};
        for (const Case& c : cases) {
            f.layers(false, c.l2, c.l3, c.l4, false);
            const QImage& img = f.render();
            const QRect inner = img.rect().adjusted(1, 1, -1, -1);
            const int lit = countPixels(img, inner, kBlack, false);
            QVERIFY2(lit > 0, "label drawn");
            // Everything lit lies in a cell at (px + d, py + dy), at most a line tall.
            const QRect cell(212, 150 + c.dy, 80, 12);
            QCOMPARE(countPixels(img, cell, kBlack, false), lit);
        }
        // "12.3000" is wider than "A": the height label reaches further right.
        f.layers(false, false, false, true, false);
        int right4 = 0;
        {
            const QImage& img = f.render();
            for (int x = 212; x < 300; ++x)
                if (countPixels(img, QRect(x, 162, 1, 12), kBlack, false))
                    right4 = x;
        }
        QVERIFY(right4 > 230);
    }

    void codeLinesPerGroup() {
        Fixture f;
        f.map(10);
        f.addGroup("A", {{0, 0, 0}, {5, 0, 0}, {5, 5, 0}});
        f.addGroup("B", {{10, -5, 0}, {15, -5, 0}});
        f.addGroup("", {{-10, 0, 0}, {-15, 0, 0}});
        f.addGroup("C", {{-10, -10, 0}});
        f.layers(true, false, false, false, true);
        const QImage& img = f.render();
        QCOMPARE(img.pixel(225, 150), kBlue);
        QCOMPARE(img.pixel(250, 125), kBlue);
        QCOMPARE(img.pixel(325, 200), kBlue);
        // A's line is drawn over A's own dots.
        QCOMPARE(img.pixel(200, 150), kBlue);
        // No segment from A's last point (250, 100) to B's first (300, 200).
        QCOMPARE(countPixels(img, QRect(260, 110, 30, 80), kBlack, false), 0);
        // The empty code and the one-point group draw no line.
        QCOMPARE(countPixels(img, QRect(40, 140, 120, 120), kBlue), 0);
        QCOMPARE(img.pixel(100, 150), kWhite);
        QCOMPARE(img.pixel(100, 250), kWhite);
    }

    // Every slope, ends on and off the image, ties of the rounding: a line puts exactly the
    // pixels of one per step along its longer axis, the other axis rounded half down.
    void linesPutOnePixelPerStepRoundedHalfDown() {
        Fixture f;
        f.map(1); // world (x, y) at pixel (200 + x, 150 - y)
        f.layers(false, false, false, false, true);
        const QImage ground = f.render().copy();
        std::mt19937 rng(5);
        std::uniform_int_distribution<int> far(-700, 700), near(-6, 6);
        std::vector<std::array<QPoint, 2>> segments;
        for (int i = 0; i < 400; ++i) {
            const QPoint a(far(rng), far(rng));
            segments.push_back({a, i % 2 ? QPoint(far(rng), far(rng)) : a + QPoint(near(rng), near(rng))});
        }
        for (const auto& [a, b] : segments)
            f.addGroup("L", {{double(a.x()), double(a.y()), 0}, {double(b.x()), double(b.y()), 0}});
        QImage expected = ground;
        for (const auto& [a, b] : segments) {
            const QPoint p0(200 + a.x(), 150 - a.y()), p1(200 + b.x(), 150 - b.y());
            const int n = std::max(std::abs(p1.x() - p0.x()), std::abs(p1.y() - p0.y()));
            const auto at = [&](int from, int to, int k) {
                return from + (n == 0 ? 0 : int(std::ceil((2.0 * k * (to - from) - n) / (2.0 * n))));
            };
            for (int k = 0; k <= n; ++k) {
                const QPoint p(at(p0.x(), p1.x(), k), at(p0.y(), p1.y(), k));
                if (expected.rect().contains(p))
                    expected.setPixel(p, kBlue);
            }
        }
        QVERIFY(f.render() == expected);
    }

    void allLayersOffLeavesBackgroundAndFrame() {
        Fixture f;
        f.map(25);
        f.addGroup("경계", {{0, 0, 1}, {5, 0, 2}, {5, 5, 3}});
        f.layers(true, true, true, true, true);
        QVERIFY(!onlyBackgroundAndFrame(f.render()));
        f.layers(false, false, false, false, false);
        QVERIFY(onlyBackgroundAndFrame(f.render()));
        QCOMPARE(f.view.Scale, 25.0);
    }

    void koreanCodeLabelIsDrawn() {
        Fixture f;
        f.map(40); // h = 24
        f.addGroup("경계", {{0, 0, 0}});
        f.layers(false, false, true, false, false);
        const QImage& img = f.render();
        // The cell is black, the glyphs light: both present right of the point.
        const QRect cell(248, 150, 60, 24);
        QVERIFY(countPixels(img, cell, kBlack, false) > 40);
    }

    void cullingKeepsThePictureIdentical() {
        Fixture f;
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> coord(-80, 80);
        for (int g = 0; g < 6; ++g) {
            auto item = std::make_unique<TNCADItem>();
            item->SetCode(g == 5 ? "도로" : "C" + std::to_string(g));
            for (int i = 0; i < 60; ++i)
                item->AddPoint(coord(rng), coord(rng), coord(rng), g == 4 ? "측" + std::to_string(i) : std::to_string(i));
            f.project->AddItem(std::move(item));
        }
        for (double scale : {0.5, 1.0, 3.0, 10.0, 25.0, 400.0}) {
            const QString at = QString("Scale %1").arg(scale);
            f.map(scale);
            const QImage culled = f.render().copy();
            f.view.SetCulling(false);
            const QImage full = f.render().copy();
            f.view.SetCulling(true);
            QVERIFY2(culled == full, qPrintable(at));
            QVERIFY(!onlyBackgroundAndFrame(culled));
            // Where no labels are left out, dots and labels are the ones the walk over
            // every point draws (lines may break a tie of the rounding otherwise).
            f.layers(true, true, true, true, false);
            f.view.SetFullScan(true);
            const QImage scanned = f.render().copy();
            f.view.SetFullScan(false);
            // 360 points on 80 x 80 pixels pile up; from Scale 3 on they lie apart.
            if (scale == 0.5 || scale >= 3)
                QCOMPARE(f.view.LabelsOmitted(), scale < 3);
            if (!f.view.LabelsOmitted())
                QVERIFY2(f.render() == scanned, qPrintable(at));
            f.layers(true, true, true, true, true);
            // Pans by whole pixels move the picture and draw the uncovered strips; the
            // result is the whole paint's, pixel for pixel.
            for (const QPoint step : {QPoint(7, -5), QPoint(-40, 0), QPoint(0, 33), QPoint(-3, -120)}) {
                f.view.CenterX -= step.x() / scale;
                f.view.CenterY += step.y() / scale;
                f.view.UpdateOffscreen(false);
                const QImage panned = f.view.OffscreenImage().copy();
                QVERIFY2(panned == f.render(), qPrintable(at));
            }
        }
    }

    // A paint after a possible change of the job shows every change, wherever it lies in a
    // long group: a point moved, replaced by another object, deleted.
    void paintAfterAJobChangeShowsIt() {
        Fixture f;
        f.map(10);
        f.layers(true, true, true, true, false);
        auto item = std::make_unique<TNCADItem>();
        TNCADItem* group = item.get();
        for (int i = 0; i < 600; ++i)
            item->AddPoint(i % 30 - 15, i / 30 - 10, i, std::to_string(i));
        f.project->AddItem(std::move(item));
        f.addGroup("B", {{-18, 12, 0}, {-17, 12, 0}});
        const std::function<void()> changes[] = {
            [&] { group->GetPoint(300)->X += 0.5; },
            [&] { group->GetPoint(599)->Y -= 0.5; },
            [&] { group->GetPoint(0)->X += 0.5; },
            [&] {
                auto old = group->Points.Take(300);
                group->Points.Insert(300, std::make_unique<TPoint3D>(old->X, old->Y, old->Z, "new"));
            },
            [&] { group->DeletePoint(450); },
            [&] { f.project->GetItem(1)->GetPoint(1)->X = -16; },
        };
        f.render();
        for (size_t c = 0; c < std::size(changes); ++c) {
            changes[c]();
            f.view.UpdateOffscreen(true);
            const QImage painted = f.view.OffscreenImage().copy();
            f.view.SetFullScan(true);
            const QImage scanned = f.render().copy();
            f.view.SetFullScan(false);
            QVERIFY2(painted == scanned, qPrintable(QString("change %1").arg(c)));
        }
    }

    void labelsLeftOutOnlyWherePiledUp() {
        Fixture f;
        QList<bool> told;
        f.view.OnLabelsOmittedChanged = [&](bool omitted) { told << omitted; };
        f.map(10); // text cells 12 pixels high
        // Five points in one label cell, a sixth far from them.
        f.addGroup("", {{-10, 10, 1}, {-10.1, 10, 1}, {-10.2, 10, 1}, {-10, 10.1, 1}, {-10.1, 10.1, 1}});
        f.addGroup("", {{8, -8, 1}});
        f.layers(false, true, false, false, false);
        const QImage& img = f.render();
        QVERIFY(f.view.LabelsOmitted());
        QCOMPARE(countPixels(img, QRect(100, 30, 120, 60), kBlack, false), 0);
        QVERIFY(countPixels(img, QRect(290, 210, 60, 30), kBlack, false) > 0);
        // Four in a cell are still drawn.
        f.project->GetItem(0)->DeletePoint(4);
        f.render();
        QVERIFY(!f.view.LabelsOmitted());
        QCOMPARE(told, QList<bool>({true, false}));
    }

    void pickFindsWhatAWalkOverAllPointsFinds() {
        Fixture f;
        f.map(4);
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> coord(-60, 60);
        for (int g = 0; g < 3; ++g) {
            auto item = std::make_unique<TNCADItem>();
            item->SetCode("C" + std::to_string(g));
            for (int i = 0; i < 400; ++i)
                item->AddPoint(coord(rng), coord(rng) / 2, 0, std::to_string(i));
            f.project->AddItem(std::move(item));
        }
        f.project->GetItem(2)->AddPoint(1e9, 0, 0, "far"); // stretches the index's bounds
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        const TPoint3D* picked = nullptr;
        f.view.OnPointPicked = [&](const TPoint3D* p) { picked = p; };
        f.view.MouseMode = mmNone;
        int found = 0;
        std::uniform_int_distribution<int> px(0, 399), py(0, 299);
        for (int i = 0; i < 300; ++i) {
            const QPoint at(px(rng), py(rng));
            picked = nullptr;
            QTest::mousePress(f.view.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(f.view.viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(picked, PickPoint(f.view, *f.project, at.x(), at.y()));
            found += picked != nullptr;
        }
        QVERIFY(found > 30);
    }

    void farPointsNeitherCrashNorWrap() {
        Fixture f;
        f.map(90000);
        // 2^32 + 100 pixels right of the centre: a 32-bit wrap would put it at x = 300.
        const double far = (4294967296.0 + 100) / 90000;
        f.addGroup("A", {{0, 0, 0}, {far, 0, 0}});
        f.addGroup("B", {{far, 1.0 / 900, 0}});
        f.layers(false, false, false, false, true);
        const QImage& img = f.render();
        QCOMPARE(img.pixel(200, 150), kBlue);
        QCOMPARE(img.pixel(398, 150), kBlue); // the line heads right to the edge
        QCOMPARE(countPixels(img, QRect(1, 1, 398, 140), kBlack, false), 0);
        // Dots only: A's own dot (radius 9000) covers the picture, B's far one must not
        // show up anywhere, so move A away too.
        f.project->GetItem(0)->GetPoint(0)->X = -far;
        f.layers(true, false, false, false, false);
        QVERIFY(onlyBackgroundAndFrame(f.render()));
        // Huge labels at this zoom are still drawn, and quickly.
        f.layers(true, true, true, true, true);
        QElapsedTimer t;
        t.start();
        f.render();
        QVERIFY(t.elapsed() < 5000);
    }

    void partialRepaintCopiesTheMatchingPart() {
        Fixture f;
        f.map(10);
        f.addGroup("A", {{-15, 10, 1}, {5, 0, 2}, {12, -8, 3}});
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        const QRect part(180, 120, 60, 50);
        QImage target(part.size(), QImage::Format_RGB32);
        target.fill(Qt::red);
        f.view.viewport()->render(&target, QPoint(), QRegion(part));
        QCOMPARE(target, f.view.OffscreenImage().copy(part));
        QVERIFY(countPixels(target, target.rect(), kBlack, false) > 0);
    }

    void layerFlagsInvalidateWithoutChangingTheMapping() {
        Fixture f;
        f.map(10);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        f.view.SetLayer3Visible(false);
        QVERIFY(!f.view.Layer3Visible());
        QVERIFY(f.view.Layer2Visible());
        QCOMPARE(f.view.Scale, 10.0);
        f.view.SetLayerVisible(0, false); // not a layer
        f.view.SetLayerVisible(6, false);
        QVERIFY(f.view.Layer1Visible());
    }

    void pressInAddModeReportsTheWorldPoint() {
        Fixture f;
        f.view.Scale = 3.5;
        f.view.CenterX = 201387.5;
        f.view.CenterY = 448755.25;
        f.view.HalfWidth = 200;
        f.view.HalfHeight = 150;
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QList<QPointF> added, sent;
        f.view.OnAddedPoint = [&](double x, double y) {
            QVERIFY(f.view.MouseMode == mmAddPoint); // raised during the press
            added << QPointF(x, y);
        };
        f.view.OnSendAddedPoint = [&](double x, double y) { sent << QPointF(x, y); };
        f.view.MouseMode = mmAddPoint;
        QTest::mousePress(f.view.viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(added, QList<QPointF>({QPointF(201387.5, 448755.25)}));
        QCOMPARE(f.view.MouseMode, mmNone);
        QVERIFY(f.view.MouseDown);
        QCOMPARE(f.view.cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseRelease(f.view.viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(added.size(), 1);
        QVERIFY(f.view.MouseDown); // only the owner clears it

        f.view.MouseMode = mmSendPoint;
        QTest::mousePress(f.view.viewport(), Qt::LeftButton, {}, QPoint(207, 143));
        QCOMPARE(sent, QList<QPointF>({QPointF(201389.5, 448757.25)}));
        QCOMPARE(f.view.MouseMode, mmNone);
        QTest::mouseRelease(f.view.viewport(), Qt::LeftButton, {}, QPoint(207, 143));

        // No handler: nothing raised, the mode is still consumed.
        f.view.OnSendAddedPoint = nullptr;
        f.view.MouseMode = mmSendPoint;
        QTest::mousePress(f.view.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(f.view.MouseMode, mmNone);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(added.size(), 1);
    }

    void pressUnderAnotherControlKeepsTheMode() {
        QWidget window;
        auto* view = new TNCAD(&window);
        view->resize(300, 200);
        auto* cover = new QLineEdit(&window);
        cover->setGeometry(50, 50, 80, 30);
        cover->setEnabled(false);
        cover->raise();
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int raised = 0;
        view->OnAddedPoint = [&](double, double) { ++raised; };
        view->MouseMode = mmAddPoint;
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(60, 60));
        QCOMPARE(raised, 0);
        QCOMPARE(view->MouseMode, mmAddPoint);
        QVERIFY(view->MouseDown);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(60, 60));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(raised, 1);
        QCOMPARE(view->MouseMode, mmNone);
    }

    void dragPansOnlyInPanMode() {
        Fixture f;
        f.map(2);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        f.view.OnMouseUp = [&](Qt::MouseButton) { f.view.MouseDown = false; };
        f.view.MouseMode = mmNone;
        QTest::mousePress(f.view.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(f.view.viewport(), QPoint(150, 100));
        QCOMPARE(f.view.CenterX, 0.0);
        QTest::mouseRelease(f.view.viewport(), Qt::LeftButton, {}, QPoint(150, 100));
        QVERIFY(!f.view.MouseDown);

        f.view.MouseMode = mmPan;
        QTest::mousePress(f.view.viewport(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(f.view.viewport(), QPoint(150, 100));
        QCOMPARE(f.view.CenterX, -25.0);
        QCOMPARE(f.view.CenterY, 0.0);
        QTest::mouseMove(f.view.viewport(), QPoint(150, 150));
        QCOMPARE(f.view.CenterX, -25.0);
        QCOMPARE(f.view.CenterY, 25.0);
        // The world point grabbed first is under the pointer again.
        double x = 0, y = 0;
        f.view.ScreenToWorld(150, 150, x, y);
        QCOMPARE(x, -50.0);
        QCOMPARE(y, 25.0);
        QTest::mouseRelease(f.view.viewport(), Qt::LeftButton, {}, QPoint(150, 150));
        QTest::mouseMove(f.view.viewport(), QPoint(10, 10));
        QCOMPARE(f.view.CenterX, -25.0);
    }

    void pointerMoveTakesTheFocus() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new QLineEdit(&window);
        auto* view = new TNCAD(&window);
        layout->addWidget(edit);
        layout->addWidget(view);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->setFocus();
        QCOMPARE(window.focusWidget(), edit);
        QTest::mouseMove(view->viewport(), QPoint(20, 20));
        QCOMPARE(window.focusWidget(), view);
    }

    void wheelAndReleaseGoToTheOwner() {
        Fixture f;
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QList<int> deltas;
        QList<Qt::MouseButton> ups;
        f.view.OnMouseWheel = [&](int d) { deltas << d; };
        f.view.OnMouseUp = [&](Qt::MouseButton b) { ups << b; };
        const QPointF at(50, 50);
        QWheelEvent down(at, f.view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.view.viewport(), &down);
        QWheelEvent tilt(at, f.view.viewport()->mapToGlobal(at), QPoint(), QPoint(120, 0),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.view.viewport(), &tilt);
        QCOMPARE(deltas, QList<int>({-120}));
        QTest::mouseClick(f.view.viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(ups, QList<Qt::MouseButton>({Qt::RightButton}));
        QVERIFY(!f.view.MouseDown); // a right press is not a left press
        QCOMPARE(f.view.Scale, 1.0); // the view itself does not zoom
    }

    void scrollArrowsPan() {
        TNCAD view;
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Scale = 40;
        QScrollBar* h = view.horizontalScrollBar();
        QScrollBar* v = view.verticalScrollBar();
        h->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(view.CenterX, -2.0);
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view.CenterX, 2.0);
        QCOMPARE(h->value(), 4096);
        v->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(view.CenterY, -2.0);
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view.CenterY, 2.0);
        const int thumb = v->value();
        v->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(v->value(), thumb);
        QCOMPARE(view.CenterY, 2.0);
        // A thumb move does not pan; the thumb is back in the middle after the next paint.
        h->setSliderPosition(1000);
        QCOMPARE(view.CenterX, 2.0);
        view.Repaint();
        QCOMPARE(h->value(), 4096);
        // At Scale 400 the arrows still move, by 100 pixels.
        view.Scale = 400;
        h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view.CenterX, 2.25);
    }

    // A window paint too long for one turn of the event loop goes in bands (thresholds
    // lowered here so that a small job reaches them): what the bands end with is the whole
    // paint's picture, also after a zoom in the middle of them; a cancel keeps the part drawn.
    void longPictureGoesInBands() {
        Fixture f;
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> coord(-90, 90);
        for (int g = 0; g < 6; ++g) {
            auto item = std::make_unique<TNCADItem>();
            item->SetCode(g == 5 ? "" : "C" + std::to_string(g));
            for (int i = 0; i < 300; ++i)
                item->AddPoint(coord(rng), coord(rng), coord(rng), std::to_string(i));
            f.project->AddItem(std::move(item));
        }
        f.map(1.5);
        f.render();
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QList<int> drawing;
        std::function<bool()> until;
        QEventLoop loop;
        f.view.OnPictureProgress = [&](TPictureState state, int percent) {
            if (state == TPictureState::Drawing)
                drawing << percent;
            if (until && until())
                loop.quit();
        };
        QTimer timeout; // against a hang only
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { loop.exit(1); });
        const auto wait = [&](std::function<bool()> done) {
            until = std::move(done);
            timeout.start(20000);
            const bool met = loop.exec() == 0;
            timeout.stop();
            until = nullptr;
            return met;
        };
        f.view.SetPieceCosts(100, 300);
        const auto halfDrawn = [&] {
            return f.view.PictureState() == TPictureState::Drawing && f.view.PictureProgress() >= 50;
        };

        // A changed job: its grid is built in steps, then the picture in bands.
        f.addGroup("X", {{0, 0, 5}, {40, 40, 6}});
        f.view.Repaint();
        QCOMPARE(f.view.PictureState(), TPictureState::Drawing);
        QVERIFY(wait([&] { return f.view.PictureState() == TPictureState::Complete; }));
        QVERIFY2(drawing.size() > 8, qPrintable(QString::number(drawing.size())));
        QVERIFY(std::is_sorted(drawing.begin(), drawing.end()));
        QImage banded = f.view.OffscreenImage().copy();
        QVERIFY(!onlyBackgroundAndFrame(banded));
        QVERIFY(banded == f.render());

        // A zoom while half the bands are drawn starts them again at the new scale.
        f.view.Repaint(); // unchanged: nothing to draw
        QCOMPARE(f.view.PictureState(), TPictureState::Complete);
        f.view.ZoomOut();
        QVERIFY(wait(halfDrawn));
        drawing.clear();
        f.view.ZoomIn();
        QCOMPARE(f.view.PictureState(), TPictureState::Drawing);
        QCOMPARE(drawing.value(0, -1), 0);
        QVERIFY(wait([&] { return f.view.PictureState() == TPictureState::Complete; }));
        QCOMPARE(f.view.Scale, 1.5);
        banded = f.view.OffscreenImage().copy();
        QVERIFY(banded == f.render());

        // Escape stops them; the part drawn stays while the view stays put, and a move of
        // the view draws again.
        f.view.ZoomOut();
        QVERIFY(wait(halfDrawn));
        QTest::keyClick(&f.view, Qt::Key_Escape);
        QCOMPARE(f.view.PictureState(), TPictureState::Cancelled);
        const QImage part = f.view.OffscreenImage().copy();
        f.view.viewport()->repaint();
        QCoreApplication::processEvents();
        QCOMPARE(f.view.PictureState(), TPictureState::Cancelled);
        QVERIFY(f.view.OffscreenImage() == part);
        const QImage whole = f.render().copy();
        const int drawnRows = part.height() / 2;
        QVERIFY(part.copy(0, 0, part.width(), drawnRows) == whole.copy(0, 0, part.width(), drawnRows));
        QVERIFY(part != whole);
        f.view.ZoomIn();
        QCOMPARE(f.view.PictureState(), TPictureState::Drawing);
    }

    void zoomAndPanOperations() {
        TNCAD view;
        view.Scale = 60000;
        view.ZoomIn();
        QCOMPARE(view.Scale, 90000.0);
        view.ZoomIn();
        QCOMPARE(view.Scale, 90000.0);
        view.ZoomOut();
        QCOMPARE(view.Scale, 60000.0);
        view.Pan(0, 3);
        view.Pan(2, 4);
        QCOMPARE(view.CenterX, -3.0);
        QCOMPARE(view.CenterY, 4.0);
        view.SetCenter(10, 20);
        QCOMPARE(view.CenterX, 10.0);
        QCOMPARE(view.CenterY, 20.0);
        QCOMPARE(view.Scale, 60000.0);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestNCAD t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_ncad.moc"
