#include "ui/ProxyStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const QColor Teal(0x00, 0x79, 0x6B);
const QColor Amber(0xF2, 0xA9, 0x00);
const QColor Red(0xC6, 0x28, 0x28);
const QColor Ink(0x26, 0x33, 0x33);

// Glyphs are drawn as shapes, not text, so they look the same whatever
// fonts the desktop has.
void drawBar(QPainter &p, const QColor &color, qreal cx, qreal top, qreal bottom, qreal width)
{
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(cx, top), QPointF(cx, bottom));
}

void drawDot(QPainter &p, const QColor &color, qreal cx, qreal cy, qreal r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(cx, cy), r, r);
}
} // namespace

ProxyStyle::ProxyStyle(QStyle *base)
    : QProxyStyle(base)
{
    setObjectName(QStringLiteral("ProxyStyle"));
}

QIcon ProxyStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    switch (which) {
    case SP_MessageBoxInformation:
    case SP_MessageBoxWarning:
    case SP_MessageBoxCritical:
    case SP_MessageBoxQuestion: {
        auto it = m_icons.find(int(which));
        if (it == m_icons.end()) {
            QIcon icon;
            for (int size : {16, 24, 32, 48, 64, 128})
                icon.addPixmap(drawBadge(which, size));
            it = m_icons.insert(int(which), icon);
        }
        return it.value();
    }
    default:
        return QProxyStyle::standardIcon(which, option, widget);
    }
}

QPixmap ProxyStyle::drawBadge(StandardPixmap which, int size)
{
    if (which != SP_MessageBoxInformation && which != SP_MessageBoxWarning && which != SP_MessageBoxCritical
        && which != SP_MessageBoxQuestion)
        return QPixmap();
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal c = s / 2;
    const qreal stroke = s * 0.11;

    if (which == SP_MessageBoxWarning) {
        // A rounded triangle: warnings read as "look here", not as a stop.
        QPainterPath tri;
        tri.moveTo(c, s * 0.10);
        tri.lineTo(s * 0.94, s * 0.88);
        tri.lineTo(s * 0.06, s * 0.88);
        tri.closeSubpath();
        p.setPen(QPen(Amber, s * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Amber);
        p.drawPath(tri);
        drawBar(p, Ink, c, s * 0.38, s * 0.62, stroke);
        drawDot(p, Ink, c, s * 0.76, stroke * 0.6);
        return pixmap;
    }

    p.setPen(Qt::NoPen);
    p.setBrush(which == SP_MessageBoxCritical ? Red : Teal);
    p.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
    const QColor white(Qt::white);
    switch (which) {
    case SP_MessageBoxInformation:
        drawDot(p, white, c, s * 0.30, stroke * 0.65);
        drawBar(p, white, c, s * 0.46, s * 0.72, stroke);
        break;
    case SP_MessageBoxCritical:
        p.setPen(QPen(white, stroke, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
        p.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
        break;
    case SP_MessageBoxQuestion: {
        QPainterPath hook;
        hook.moveTo(s * 0.37, s * 0.38);
        hook.cubicTo(s * 0.37, s * 0.22, s * 0.63, s * 0.22, s * 0.63, s * 0.38);
        hook.cubicTo(s * 0.63, s * 0.48, c, s * 0.48, c, s * 0.60);
        p.setPen(QPen(white, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hook);
        drawDot(p, white, c, s * 0.74, stroke * 0.6);
        break;
    }
    default:
        break;
    }
    return pixmap;
}
