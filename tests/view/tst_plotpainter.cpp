#include "model/NCADProject.h"
#include "view/PlotPainter.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(PlotSheet)

namespace {

constexpr int kDotsPerMm = 10;

QImage paintSheet(const PlotPainter& plot, const PlotSheet& sheet) {
    QImage image(static_cast<int>(sheet.Width()) * kDotsPerMm,
                 static_cast<int>(sheet.Height()) * kDotsPerMm, QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMm * 1000);
    image.setDotsPerMeterY(kDotsPerMm * 1000);
    image.fill(Qt::gray); // the plot paints its own white sheet
    QPainter painter(&image);
    plot.Paint(painter);
    return image;
}

bool dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// Bounding box, in dots, of the dark pixels within `area` (mm).
QRect inkWithin(const QImage& image, const PaperRect& area) {
    QRect box;
    for (int y = static_cast<int>(area.Top * kDotsPerMm); y < area.Bottom() * kDotsPerMm; ++y)
        for (int x = static_cast<int>(area.Left * kDotsPerMm); x < area.Right() * kDotsPerMm; ++x)
            if (dark(image, x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

// Any dark pixel in the 1.5 mm square inside one corner of `box`.
bool inkNear(const QImage& image, const QRect& box, bool right, bool bottom) {
    const int n = 15;
    const int x0 = right ? box.right() - n + 1 : box.left();
    const int y0 = bottom ? box.bottom() - n + 1 : box.top();
    for (int y = y0; y < y0 + n; ++y)
        for (int x = x0; x < x0 + n; ++x)
            if (dark(image, x, y))
                return true;
    return false;
}

// A sheet that keeps where each text goes, in dots (10 a millimetre), and draws nothing.
class TextRecorder : public QPaintDevice {
public:
    QList<QRectF> Boxes;

    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return 4200;
        case PdmHeight: return 2970;
        case PdmWidthMM: return 420;
        case PdmHeightMM: return 297;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 254;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(TextRecorder& owner) : m_owner(owner) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF& p, const QTextItem& text) override {
            m_owner.Boxes << QRectF(p.x(), p.y() - text.ascent(), text.width(), text.ascent() + text.descent());
        }
        Type type() const override { return User; }

    private:
        TextRecorder& m_owner;
    };
    mutable Engine m_engine{*this};
};

} // namespace

class TestPlotPainter : public QObject {
    Q_OBJECT
private slots:
    // A boundary that runs `east` metres east and then `north` metres north, lines only.
    void sidesMeasureToScale_data() {
        QTest::addColumn<PlotSheet>("sheet");
        QTest::addColumn<int>("scale");
        QTest::addColumn<double>("east");
        QTest::addColumn<double>("north");
        QTest::newRow("A4 portrait 1:500")
            << PlotSheet{PaperSize::A4, false} << 500 << 30.0 << 20.0;
        QTest::newRow("A3 landscape 1:200")
            << PlotSheet{PaperSize::A3, true} << 200 << 60.0 << 40.0;
        QTest::newRow("A4 landscape 1:2500")
            << PlotSheet{PaperSize::A4, true} << 2500 << 512.5 << 120.0;
    }
    void sidesMeasureToScale() {
        QFETCH(PlotSheet, sheet);
        QFETCH(int, scale);
        QFETCH(double, east);
        QFETCH(double, north);
        TNCADProject project;
        auto item = std::make_unique<TNCADItem>();
        item->AddPoint(201000, 448000, 30, "1");
        item->AddPoint(201000 + east, 448000, 30, "2");
        item->AddPoint(201000 + east, 448000 + north, 30, "3");
        project.AddItem(std::move(item));
        project.GetItem(0)->SetCode("경계");
        const PlotLayout layout(sheet, scale, BoundsOf(project));
        QVERIFY(layout.Fits());
        const QImage image =
            paintSheet(PlotPainter(project, layout, {false, false, false, false, true}, {}), sheet);

        PaperRect inside = layout.MapArea(); // clear of the frame's lines
        inside.Left += 1;
        inside.Top += 1;
        inside.Width -= 2;
        inside.Height -= 2;
        const QRect ink = inkWithin(image, inside);
        const double mmPerMetre = 1000.0 / scale;
        // The line's round caps add half its width (0.25 mm) at either end.
        const double drawnEast = ink.width() / double(kDotsPerMm);
        const double drawnNorth = ink.height() / double(kDotsPerMm);
        QVERIFY2(std::abs(drawnEast - east * mmPerMetre) <= 0.5,
                 qPrintable(QString::number(drawnEast)));
        QVERIFY2(std::abs(drawnNorth - north * mmPerMetre) <= 0.5,
                 qPrintable(QString::number(drawnNorth)));
        // East is right and north is up: the corner is at the bottom right, nothing at the
        // top left.
        QVERIFY(inkNear(image, ink, false, true));
        QVERIFY(inkNear(image, ink, true, true));
        QVERIFY(inkNear(image, ink, true, false));
        QVERIFY(!inkNear(image, ink, false, false));
    }

    // Points `apart` metres from each other in a row at 1:500 (2 mm a metre), every label on.
    void labelsNeverCoverEachOther_data() {
        QTest::addColumn<double>("apart");
        QTest::addColumn<bool>("all");
        QTest::newRow("far apart: every label") << 10.0 << true;
        QTest::newRow("closer than a label: some left out") << 0.5 << false;
    }
    void labelsNeverCoverEachOther() {
        QFETCH(double, apart);
        QFETCH(bool, all);
        TNCADProject project;
        auto item = std::make_unique<TNCADItem>();
        constexpr int kPoints = 12;
        for (int i = 0; i < kPoints; ++i)
            item->AddPoint(201000 + i * apart, 448000 + (i % 3) * apart, 30 + i, "P" + std::to_string(i));
        project.AddItem(std::move(item));
        project.GetItem(0)->SetCode("경계");
        const PlotSheet sheet{PaperSize::A3, true};
        const PlotLayout layout(sheet, 500, BoundsOf(project));
        TextRecorder recorder;
        {
            QPainter painter(&recorder);
            PlotPainter(project, layout, {true, true, true, true, true}, {}).Paint(painter);
        }
        const PaperRect map = layout.MapArea();
        const QRectF mapDots(map.Left * kDotsPerMm, map.Top * kDotsPerMm, map.Width * kDotsPerMm,
                             map.Height * kDotsPerMm);
        QList<QRectF> labels;
        for (const QRectF& box : recorder.Boxes)
            if (mapDots.contains(box.center()))
                labels << box.adjusted(0.01, 0.01, -0.01, -0.01);
        QVERIFY(labels.size() >= 3);
        QCOMPARE(labels.size() == 3 * kPoints, all);
        for (int i = 0; i < labels.size(); ++i)
            for (int j = i + 1; j < labels.size(); ++j)
                QVERIFY2(!labels[i].intersects(labels[j]), qPrintable(QString("labels %1 and %2").arg(i).arg(j)));
    }
};

QTEST_MAIN(TestPlotPainter)
#include "tst_plotpainter.moc"
