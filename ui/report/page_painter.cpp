#include "ui/report/page_painter.h"

#include "platform/codepage.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QString>

#include <cmath>

namespace zv::ui {
namespace {

// Painting is done in thousandths of an inch.
QRectF toRect(const PageRect& r) {
    return QRectF(double(r.x.mils()), double(r.y.mils()), double(r.width.mils()),
                  double(r.height.mils()));
}

QColor toColor(std::uint32_t rgb) {
    return QColor::fromRgb(rgb & 0xFFFFFFu);
}

QPen pen(Length thickness, std::uint32_t color) {
    QPen p(toColor(color));
    if (thickness.mils() <= 0) {
        p.setWidth(0);
        p.setCosmetic(true); // the device's thinnest line
    } else {
        p.setWidthF(double(thickness.mils()));
    }
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    return p;
}

QFont font(const TextStep& t) {
    QFont f(QString::fromStdString(t.family));
    // A size in thousandths of an inch; text is laid out unhinted so that its
    // width is the same at every scale.
    const double size = t.font.points > 0 && t.font.points < 1000 ? t.font.points : 10.0;
    f.setPixelSize(std::max(1, int(std::lround(size * 1000.0 / 72.0))));
    f.setWeight(QFont::Weight(std::clamp(t.font.weight, 1, 1000)));
    f.setItalic(t.font.italic);
    f.setUnderline(t.font.underline);
    f.setStrikeOut(t.font.strikeOut);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

void paintText(QPainter& painter, const TextStep& t) {
    painter.setFont(font(t));
    painter.setPen(toColor(t.font.color));
    const QString text = QString::fromStdString(cp1250::toUtf8(t.text));
    int flags = Qt::TextSingleLine | Qt::AlignTop;
    flags |= t.align == Align::Right    ? Qt::AlignRight
             : t.align == Align::Center ? Qt::AlignHCenter
                                        : Qt::AlignLeft;
    QRectF box = toRect(t.box);
    if (t.box.width.mils() <= 0) {
        // Unbounded: a box as wide as the text, so right and centre keep their sense
        // around the given point.
        flags |= Qt::TextDontClip;
        box.setWidth(0);
    }
    if (t.box.height.mils() <= 0) {
        flags |= Qt::TextDontClip;
        box.setHeight(0);
    }
    painter.drawText(box, flags, text);
}

} // namespace

void paintPage(QPainter& painter, const Page& page, double dpiX, double dpiY) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.scale(dpiX / 1000.0, dpiY / 1000.0);
    for (const DrawStep& step : page.steps) {
        if (const auto* t = std::get_if<TextStep>(&step)) {
            paintText(painter, *t);
        } else if (const auto* l = std::get_if<LineStep>(&step)) {
            painter.setPen(pen(l->thickness, l->color));
            painter.drawLine(QPointF(double(l->from.x.mils()), double(l->from.y.mils())),
                             QPointF(double(l->to.x.mils()), double(l->to.y.mils())));
        } else if (const auto* b = std::get_if<BoxStep>(&step)) {
            const QRectF r = toRect(b->rect);
            if (b->fill) painter.fillRect(r, toColor(*b->fill));
            if (!b->borderless) {
                painter.setPen(pen(b->thickness, b->borderColor));
                painter.setBrush(Qt::NoBrush);
                // The border lies inside the box.
                const double half = b->thickness.mils() > 0 ? b->thickness.mils() / 2.0 : 0.0;
                painter.drawRect(r.adjusted(half, half, -half, -half));
            }
        }
    }
    painter.restore();
}

} // namespace zv::ui
