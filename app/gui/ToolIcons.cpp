#include "app/gui/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/CommandIds.h"

namespace {

constexpr int kSize = 24;

void Page(QPainter& p, int x, int y, int w, int h) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(x, y, w, h);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    for (int ly = y + 3; ly < y + h - 1; ly += 3) p.drawLine(x + 2, ly, x + w - 2, ly);
}

void Grid(QPainter& p, int x, int y, int w, int h, const QColor& fill) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawRect(x, y, w, h);
    for (int gx = x + w / 3; gx < x + w; gx += w / 3) p.drawLine(gx, y, gx, y + h);
    for (int gy = y + h / 3; gy < y + h; gy += h / 3) p.drawLine(x, gy, x + w, gy);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    p.setPen(QPen(colour, 2));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const QPointF n(-d.y() * 0.3, d.x() * 0.3);
    const QPointF back = to - d * 0.35;
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({to, back + n, back - n}));
}

void Draw(QPainter& p, int id) {
    switch (id) {
        case cmd::kOpen: {   // an opening folder
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(230, 190, 60));
            p.drawRect(2, 7, 18, 13);
            p.drawRect(2, 5, 7, 3);
            p.setBrush(QColor(250, 220, 110));
            p.drawPolygon(QPolygon({QPoint(5, 11), QPoint(22, 11), QPoint(19, 20), QPoint(2, 20)}));
            break;
        }
        case cmd::kSave: {   // a diskette
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(40, 70, 160));
            p.drawRect(3, 3, 18, 18);
            p.setBrush(Qt::white);
            p.drawRect(6, 3, 12, 7);
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(7, 14, 10, 7);
            break;
        }
        case cmd::kMenu: {   // a list with a pointer
            Page(p, 4, 2, 15, 20);
            p.setBrush(Qt::red);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(7, 8), 2, 2);
            break;
        }
        case cmd::kCopy:
            Page(p, 3, 2, 11, 14);
            Page(p, 9, 8, 11, 14);
            break;
        case cmd::kPaste: {   // a clipboard with a page
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(170, 120, 60));
            p.drawRect(3, 4, 14, 17);
            p.setBrush(QColor(160, 160, 160));
            p.drawRect(7, 2, 6, 4);
            Page(p, 10, 9, 11, 13);
            break;
        }
        case cmd::kUndo: {   // a hooked arrow turning back
            QPainterPath path;
            path.moveTo(19, 19);
            path.cubicTo(21, 8, 12, 5, 7, 10);
            p.setPen(QPen(QColor(20, 90, 20), 2.5));
            p.setBrush(Qt::NoBrush);
            p.drawPath(path);
            p.setBrush(QColor(20, 90, 20));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(3, 6), QPointF(11, 7), QPointF(5, 14)}));
            break;
        }
        case cmd::kMultiMapEdit:   // tables stacked on each other
            Grid(p, 2, 2, 12, 12, QColor(255, 240, 200));
            Grid(p, 6, 6, 12, 12, QColor(220, 240, 255));
            Grid(p, 10, 10, 12, 12, QColor(220, 255, 220));
            break;
        case cmd::kMonitor: {   // a screen with a live curve
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(20, 20, 20));
            p.drawRect(2, 3, 20, 14);
            p.setBrush(QColor(120, 120, 120));
            p.drawRect(8, 18, 8, 3);
            p.setPen(QPen(QColor(60, 230, 60), 1.5));
            p.drawPolyline(QPolygonF({QPointF(4, 12), QPointF(8, 7), QPointF(11, 14), QPointF(15, 6), QPointF(20, 10)}));
            break;
        }
        case cmd::kItemSet: {   // a list with ticks
            Page(p, 3, 2, 18, 20);
            p.setPen(QPen(QColor(200, 30, 30), 2));
            for (int y = 6; y < 20; y += 6) p.drawPolyline(QPolygon({QPoint(5, y), QPoint(7, y + 2), QPoint(10, y - 2)}));
            break;
        }
        case cmd::kDataExchange:   // both ways between tool and ECU
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(1, 6, 6, 12);
            p.setBrush(QColor(60, 60, 60));
            p.drawRect(17, 6, 6, 12);
            Arrow(p, QPointF(8, 9), QPointF(16, 9), QColor(30, 60, 200));
            Arrow(p, QPointF(16, 15), QPointF(8, 15), QColor(200, 60, 30));
            break;
        case cmd::kConstantsList:   // a two-column list of values
            Grid(p, 3, 3, 18, 18, Qt::white);
            p.fillRect(4, 4, 5, 17, QColor(255, 240, 160));
            break;
        case cmd::kOpen3DWindow: {   // a shaded surface in a box, seen from above at a slant
            const QPointF rows[3][3] = {{{3, 16}, {9, 19}, {15, 21}},
                                        {{6, 10}, {12, 12}, {18, 13}},
                                        {{9, 4}, {15, 7}, {21, 6}}};
            const QColor shades[2][2] = {{QColor(40, 70, 150), QColor(40, 140, 140)},
                                         {QColor(60, 160, 90), QColor(230, 220, 120)}};
            p.setPen(QPen(QColor(30, 30, 30), 1));
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c) {
                    p.setBrush(shades[r][c]);
                    p.drawPolygon(QPolygonF({rows[r][c], rows[r][c + 1], rows[r + 1][c + 1], rows[r + 1][c]}));
                }
            break;
        }
        default:
            break;
    }
}

}  // namespace

QIcon ToolIcon(int commandId) {
    switch (commandId) {
        case cmd::kOpen: case cmd::kSave: case cmd::kMenu: case cmd::kCopy: case cmd::kPaste:
        case cmd::kUndo: case cmd::kMultiMapEdit: case cmd::kMonitor: case cmd::kItemSet:
        case cmd::kDataExchange: case cmd::kConstantsList: case cmd::kOpen3DWindow:
            break;
        default:
            return QIcon();
    }
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, commandId);
    painter.end();
    return QIcon(pixmap);
}
