#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

const QColor kInk(0x33, 0x3d, 0x4d);
const QColor kPaper(0xfb, 0xfb, 0xf6);
const QColor kBlue(0x2a, 0x6f, 0xc9);
const QColor kGreen(0x2e, 0x9e, 0x44);
const QColor kRed(0xcc, 0x33, 0x33);
const QColor kYellow(0xe8, 0xb9, 0x3c);

void page(QPainter& p, const QRectF& r) {
    QPainterPath path;
    const qreal fold = r.width() * 0.3;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

// An arrow along the line from -> to, in colour.
void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width = 3.2) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    const qreal head = 6;
    p.drawLine(from, to - u * 1.5);
    QPolygonF tip;
    tip << to << to - u * head + n * head * 0.8 << to - u * head - n * head * 0.8;
    p.setBrush(colour);
    p.setPen(QPen(colour, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(tip);
}

void badge(QPainter& p, QPointF centre, const QColor& colour, bool plus) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, 5.5, 5.5);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    if (plus) {
        p.drawLine(centre + QPointF(-3, 0), centre + QPointF(3, 0));
        p.drawLine(centre + QPointF(0, -3), centre + QPointF(0, 3));
    } else {
        p.drawLine(centre + QPointF(-2.5, -2.5), centre + QPointF(2.5, 2.5));
        p.drawLine(centre + QPointF(-2.5, 2.5), centre + QPointF(2.5, -2.5));
    }
}

void gear(QPainter& p, QPointF c, qreal r, const QColor& colour) {
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal a0 = (i - 0.5) * M_PI / teeth;
        const qreal a1 = (i + 0.5) * M_PI / teeth;
        const qreal rr = i % 2 ? r * 0.72 : r;
        const QPointF p0 = c + QPointF(std::cos(a0), std::sin(a0)) * rr;
        const QPointF p1 = c + QPointF(std::cos(a1), std::sin(a1)) * rr;
        if (i == 0)
            path.moveTo(p0);
        else
            path.lineTo(p0);
        path.lineTo(p1);
    }
    path.closeSubpath();
    path.addEllipse(c, r * 0.3, r * 0.3);
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    p.drawPath(path);
}

void tray(QPainter& p) {
    p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPolygonF t;
    t << QPointF(3, 14) << QPointF(3, 20) << QPointF(21, 20) << QPointF(21, 14);
    p.drawPolyline(t);
}

void draw(QPainter& p, TToolIcon icon) {
    switch (icon) {
    case TToolIcon::Back:
        arrow(p, {20, 12}, {4, 12}, kBlue);
        break;
    case TToolIcon::New:
        page(p, {5, 2, 14, 20});
        break;
    case TToolIcon::Open: {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kYellow);
        QPolygonF folder;
        folder << QPointF(2, 6) << QPointF(9, 6) << QPointF(11, 8) << QPointF(22, 8)
               << QPointF(22, 20) << QPointF(2, 20);
        p.drawPolygon(folder);
        break;
    }
    case TToolIcon::Save:
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(6.5, 3, 11, 7));
        p.drawRect(QRectF(6, 13.5, 12, 7.5));
        break;
    case TToolIcon::Remove:
    case TToolIcon::Delete:
        page(p, {4, 2, 13, 18});
        badge(p, {16.5, 16.5}, kRed, false);
        break;
    case TToolIcon::Create:
        page(p, {4, 2, 13, 18});
        badge(p, {16.5, 16.5}, kGreen, true);
        break;
    case TToolIcon::Modify: {
        page(p, {4, 2, 13, 18});
        p.setPen(QPen(kInk, 1));
        p.setBrush(kYellow);
        QPolygonF pencil;
        pencil << QPointF(20, 8) << QPointF(23, 11) << QPointF(13, 21) << QPointF(9.5, 22)
               << QPointF(10, 18);
        p.drawPolygon(pencil);
        break;
    }
    case TToolIcon::Up:
        arrow(p, {12, 21}, {12, 3}, kBlue);
        break;
    case TToolIcon::Down:
        arrow(p, {12, 3}, {12, 21}, kBlue);
        break;
    case TToolIcon::Settings:
        gear(p, {12, 12}, 10, QColor(0x8a, 0x94, 0xa6));
        break;
    case TToolIcon::Generate:
        page(p, {3, 2, 13, 18});
        gear(p, {16, 16}, 7, kYellow);
        break;
    case TToolIcon::Upload: {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(0xdd, 0xe8, 0xf6));
        QPainterPath cloud;
        cloud.addEllipse(QRectF(2, 8, 10, 9));
        cloud.addEllipse(QRectF(7, 4, 11, 11));
        cloud.addEllipse(QRectF(12, 8, 10, 9));
        p.drawPath(cloud.simplified());
        arrow(p, {12, 22}, {12, 9}, kGreen, 2.8);
        break;
    }
    case TToolIcon::Download:
        tray(p);
        arrow(p, {12, 2}, {12, 17}, kBlue, 2.8);
        break;
    case TToolIcon::SendData:
        tray(p);
        arrow(p, {12, 17}, {12, 2}, kGreen, 2.8);
        break;
    case TToolIcon::Help: {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        QFont font;
        font.setBold(true);
        font.setPixelSize(15);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case TToolIcon::Steps:
        for (int i = 0; i < 4; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawEllipse(QRectF(2, 3 + i * 5, 3.5, 3.5));
            p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(8, 4.75 + i * 5), QPointF(21 - i * 2, 4.75 + i * 5));
        }
        break;
    }
}

} // namespace

QIcon ToolIcon(TToolIcon icon) {
    QIcon result;
    for (const qreal scale : {1.0, 2.0}) {
        QPixmap pixmap(QSize(24, 24) * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, icon);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}
