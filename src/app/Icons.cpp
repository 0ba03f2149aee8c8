#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <cmath>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

QIcon paint(const Draw& draw) {
    QPixmap pm(32, 32); // drawn at twice the size for high-density screens
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QIcon(pm);
}

void lamp(QPainter& p, QColor body, bool lit) {
    QRadialGradient g(QPointF(6.5, 6), 7);
    g.setColorAt(0, lit ? body.lighter(180) : body.lighter(130));
    g.setColorAt(1, body);
    p.setPen(QPen(body.darker(160), 1));
    p.setBrush(g);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    if (lit) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QRectF(4.5, 3.5, 4, 3));
    }
}

void sheet(QPainter& p, QRectF r = QRectF(2.5, 1.5, 10, 13)) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.drawPath(path);
}

void magnifier(QPainter& p, bool plus) {
    const QColor orange(235, 130, 20);
    p.setPen(QPen(orange.darker(130), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(QPen(orange, 1.6));
    p.setBrush(QColor(255, 240, 210));
    p.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
    p.setPen(QPen(orange.darker(150), 1.6));
    p.drawLine(QPointF(3.8, 6.25), QPointF(8.7, 6.25));
    if (plus)
        p.drawLine(QPointF(6.25, 3.8), QPointF(6.25, 8.7));
}

void arrow(QPainter& p, QPointF from, QPointF to, QColor color, double width) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const double a = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double len = 4.5;
    QPolygonF head;
    head << to << QPointF(to.x() - len * std::cos(a - 0.5), to.y() - len * std::sin(a - 0.5))
         << QPointF(to.x() - len * std::cos(a + 0.5), to.y() - len * std::sin(a + 0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(head);
}

} // namespace

std::vector<QIcon> MakeImageList1() {
    std::vector<QIcon> list;
    // 0: blue circular lamp, lit
    list.push_back(paint([](QPainter& p) { lamp(p, QColor(30, 90, 220), true); }));
    // 1: grey circular lamp, unlit
    list.push_back(paint([](QPainter& p) { lamp(p, QColor(140, 140, 140), false); }));
    // 2: lined sheet beside a settings panel
    list.push_back(paint([](QPainter& p) {
        sheet(p, QRectF(0.5, 1.5, 8, 13));
        p.setPen(QPen(QColor(80, 110, 200), 0.8));
        for (double y = 5; y < 13; y += 2)
            p.drawLine(QPointF(2, y), QPointF(7, y));
        p.setPen(QPen(QColor(70, 70, 70), 1));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(9.5, 3.5, 6, 11));
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.drawLine(QPointF(11, 6), QPointF(14, 6));
        p.drawLine(QPointF(11, 9), QPointF(14, 9));
        p.drawLine(QPointF(11, 12), QPointF(14, 12));
        p.setBrush(QColor(220, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(12, 5, 1.5, 2));
        p.drawRect(QRectF(11.5, 8, 1.5, 2));
        p.drawRect(QRectF(13, 11, 1.5, 2));
    }));
    // 3: orange magnifier with a minus; 4: with a plus
    list.push_back(paint([](QPainter& p) { magnifier(p, false); }));
    list.push_back(paint([](QPainter& p) { magnifier(p, true); }));
    // 5: green frame with a dotted cross-hair
    list.push_back(paint([](QPainter& p) {
        p.setPen(QPen(QColor(20, 150, 40), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(QColor(20, 90, 30), 1, Qt::DotLine));
        p.drawLine(QPointF(8, 3), QPointF(8, 13));
        p.drawLine(QPointF(3, 8), QPointF(13, 8));
    }));
    // 6: a pointing hand over a sheet (spare image)
    list.push_back(paint([](QPainter& p) {
        sheet(p);
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(250, 215, 170));
        p.drawEllipse(QRectF(5, 6, 6, 6));
    }));
    // 7: red arrow pointing up-right at a dot
    list.push_back(paint([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 20));
        p.drawEllipse(QRectF(11.5, 1.5, 3.5, 3.5));
        arrow(p, QPointF(2, 14), QPointF(11, 5), QColor(215, 30, 30), 2.0);
    }));
    // 8: blue drawing board
    list.push_back(paint([](QPainter& p) {
        p.setPen(QPen(QColor(20, 50, 130), 1));
        p.setBrush(QColor(60, 110, 210));
        p.drawRect(QRectF(1.5, 2.5, 13, 9));
        p.setPen(QPen(Qt::white, 0.9));
        p.drawLine(QPointF(3, 9), QPointF(7, 5));
        p.drawLine(QPointF(7, 5), QPointF(12, 8));
        p.setPen(QPen(QColor(90, 60, 30), 1.4));
        p.drawLine(QPointF(4, 11.5), QPointF(2.5, 15));
        p.drawLine(QPointF(12, 11.5), QPointF(13.5, 15));
    }));
    // 9: green octagonal badge
    list.push_back(paint([](QPainter& p) {
        QPolygonF oct;
        for (int i = 0; i < 8; ++i) {
            const double a = (22.5 + 45.0 * i) * M_PI / 180.0;
            oct << QPointF(8 + 6.8 * std::cos(a), 8 + 6.8 * std::sin(a));
        }
        p.setPen(QPen(QColor(10, 100, 30), 1));
        p.setBrush(QColor(40, 170, 60));
        p.drawPolygon(oct);
        p.setPen(QPen(Qt::white, 1.5));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
        p.drawLine(QPointF(8.5, 5.5), QPointF(11, 8));
        p.drawLine(QPointF(8.5, 10.5), QPointF(11, 8));
    }));
    // 10: green spreadsheet sheet with a cross
    list.push_back(paint([](QPainter& p) {
        p.setPen(QPen(QColor(20, 110, 50), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 1.5, 11, 13));
        p.setPen(QPen(QColor(120, 180, 130), 0.7));
        for (double y = 4.5; y < 14; y += 3)
            p.drawLine(QPointF(3.5, y), QPointF(14.5, y));
        p.drawLine(QPointF(9, 1.5), QPointF(9, 14.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 130, 60));
        p.drawRect(QRectF(0.5, 4, 8, 8));
        p.setPen(QPen(Qt::white, 1.5));
        p.drawLine(QPointF(2.5, 6), QPointF(6.5, 10));
        p.drawLine(QPointF(6.5, 6), QPointF(2.5, 10));
    }));
    // 11: yellow open folder
    list.push_back(paint([](QPainter& p) {
        p.setPen(QPen(QColor(150, 110, 10), 1));
        p.setBrush(QColor(235, 190, 60));
        p.drawRect(QRectF(1.5, 4.5, 11, 9));
        p.drawRect(QRectF(1.5, 3, 5, 2));
        QPolygonF flap;
        flap << QPointF(3.5, 7.5) << QPointF(15, 7.5) << QPointF(12.5, 13.5) << QPointF(1.5, 13.5);
        p.setBrush(QColor(255, 220, 100));
        p.drawPolygon(flap);
    }));
    // 12: floppy disk (spare image)
    list.push_back(paint([](QPainter& p) {
        p.setPen(QPen(QColor(30, 30, 90), 1));
        p.setBrush(QColor(60, 60, 150));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 2, 8, 5));
    }));
    // 13: sheet with a red arrow pointing down
    list.push_back(paint([](QPainter& p) {
        sheet(p, QRectF(1.5, 1.5, 10, 13));
        arrow(p, QPointF(11, 2), QPointF(11, 14.5), QColor(215, 30, 30), 2.0);
    }));
    // 14: blue arrow pointing left with red marks
    list.push_back(paint([](QPainter& p) {
        arrow(p, QPointF(14.5, 8), QPointF(1.5, 8), QColor(30, 80, 210), 2.4);
        p.setPen(QPen(QColor(220, 30, 30), 1.5));
        p.drawLine(QPointF(9, 2), QPointF(13, 5));
        p.drawLine(QPointF(13, 2), QPointF(9, 5));
        p.drawLine(QPointF(9, 11), QPointF(13, 14));
        p.drawLine(QPointF(13, 11), QPointF(9, 14));
    }));
    // 15: blank sheet with a yellow burst
    list.push_back(paint([](QPainter& p) {
        sheet(p, QRectF(1.5, 2.5, 10, 12.5));
        QPolygonF star;
        for (int i = 0; i < 16; ++i) {
            const double a = i * M_PI / 8.0;
            const double r = (i % 2) ? 2.2 : 5.0;
            star << QPointF(11 + r * std::cos(a), 5 + r * std::sin(a));
        }
        p.setPen(QPen(QColor(200, 140, 0), 0.8));
        p.setBrush(QColor(255, 215, 0));
        p.drawPolygon(star);
    }));
    return list;
}
