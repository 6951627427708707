#include "ui/window/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zv::ui {
namespace {

const QColor kBlue(0x1f, 0x5f, 0xa8);
const QColor kDark(0x20, 0x2a, 0x36);
const QColor kPaper(0xfb, 0xf8, 0xef);
const QColor kRed(0xc0, 0x39, 0x2b);
const QColor kGreen(0x2e, 0x8b, 0x57);

// Paints an icon on a 64 x 64 canvas.
void paint(QPainter& p, IconKind kind) {
    p.setRenderHint(QPainter::Antialiasing);
    QPen outline(kDark, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (kind) {
    case IconKind::Program: {
        QLinearGradient g(0, 0, 64, 64);
        g.setColorAt(0, kBlue.lighter(130));
        g.setColorAt(1, kBlue.darker(120));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(3, 3, 58, 58), 12, 12);
        QPainterPath z;
        z.moveTo(18, 18);
        z.lineTo(46, 18);
        z.lineTo(20, 46);
        z.lineTo(46, 46);
        p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(z);
        break;
    }
    case IconKind::Addresses: {
        p.setPen(outline);
        p.setBrush(kPaper.darker(108));
        p.drawRoundedRect(QRectF(12, 8, 46, 34), 5, 5);
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(6, 18, 46, 34), 5, 5);
        p.setBrush(kBlue);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(19, 30), 5, 5);
        QPainterPath body;
        body.addRoundedRect(QRectF(11, 36, 16, 10), 5, 5);
        p.drawPath(body);
        p.setPen(QPen(kDark, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(31, 29), QPointF(46, 29));
        p.drawLine(QPointF(31, 36), QPointF(46, 36));
        p.drawLine(QPointF(31, 43), QPointF(41, 43));
        break;
    }
    case IconKind::Selection: {
        p.setPen(outline);
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(10, 5, 44, 54), 4, 4);
        for (int i = 0; i < 3; ++i) {
            const double y = 18 + i * 14;
            p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QPainterPath tick;
            tick.moveTo(16, y);
            tick.lineTo(20, y + 4);
            tick.lineTo(27, y - 4);
            p.drawPath(tick);
            p.setPen(QPen(kDark, 3, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(32, y), QPointF(47, y));
        }
        break;
    }
    case IconKind::Exit: {
        p.setPen(outline);
        p.setBrush(kPaper.darker(105));
        p.drawRect(QRectF(10, 6, 30, 52));
        QPainterPath door;
        door.moveTo(10, 6);
        door.lineTo(30, 12);
        door.lineTo(30, 62);
        door.lineTo(10, 58);
        door.closeSubpath();
        p.setBrush(QColor(0x9c, 0x6b, 0x3e));
        p.drawPath(door);
        p.setPen(QPen(kRed, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(36, 32), QPointF(58, 32));
        p.drawLine(QPointF(50, 24), QPointF(58, 32));
        p.drawLine(QPointF(50, 40), QPointF(58, 32));
        break;
    }
    case IconKind::Tasks: {
        p.setPen(outline);
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(5, 16, 42, 40), 4, 4);
        p.setPen(QPen(kDark, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 10), QPointF(16, 20));
        p.drawLine(QPointF(36, 10), QPointF(36, 20));
        p.setPen(QPen(kDark, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 32), QPointF(30, 32));
        p.drawLine(QPointF(12, 42), QPointF(26, 42));
        p.setPen(outline);
        p.setBrush(QColor(0xff, 0xd5, 0x4f));
        p.drawEllipse(QPointF(45, 44), 14, 14);
        p.setPen(QPen(kDark, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(45, 44), QPointF(45, 35));
        p.drawLine(QPointF(45, 44), QPointF(52, 47));
        break;
    }
    case IconKind::Print: {
        p.setPen(outline);
        p.setBrush(kPaper);
        p.drawRect(QRectF(18, 6, 28, 18));
        p.setBrush(QColor(0x9a, 0xa4, 0xb0));
        p.drawRoundedRect(QRectF(6, 22, 52, 24), 5, 5);
        p.setBrush(kPaper);
        p.drawRect(QRectF(18, 38, 28, 20));
        p.setPen(QPen(kDark, 2));
        p.drawLine(QPointF(23, 46), QPointF(41, 46));
        p.drawLine(QPointF(23, 52), QPointF(37, 52));
        break;
    }
    }
}

} // namespace

QPixmap iconPixmap(IconKind kind, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.scale(size / 64.0, size / 64.0);
    paint(p, kind);
    p.end();
    return pm;
}

QIcon icon(IconKind kind) {
    QIcon result;
    for (int size : {16, 20, 24, 32, 48, 64, 128})
        result.addPixmap(iconPixmap(kind, size));
    return result;
}

QPixmap productPicture(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, kBlue.lighter(150));
    g.setColorAt(1, kBlue.darker(130));
    p.fillRect(pm.rect(), g);
    const int side = height * 2 / 5;
    p.save();
    p.translate(width / 10.0, (height - side) / 2.0);
    p.scale(side / 64.0, side / 64.0);
    paint(p, IconKind::Program);
    p.restore();
    QFont title = p.font();
    title.setPixelSize(height / 5);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    const QRectF textArea(width / 10.0 + side * 1.25, 0, width, height);
    p.drawText(textArea.adjusted(0, -height / 10.0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("ZEVLON"));
    QFont sub = title;
    sub.setBold(false);
    sub.setPixelSize(height / 14);
    p.setFont(sub);
    p.drawText(textArea.adjusted(0, height / 5.0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("Zevlonský Informační Systém"));
    p.end();
    return pm;
}

} // namespace zv::ui
