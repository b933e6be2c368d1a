// Draws the client's bitmap resources: the tray icons (res/tray), the small
// pictures the style sheets use (res/style) and the application icon in the
// icon theme's sizes (res/icons/hicolor). The pictures are committed; run
// scripts/render-tray-icons after changing this file.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>

namespace {
const QColor Blue(0x1D, 0x5F, 0xB4);
const QColor BlueLight(0x2F, 0x7D, 0xE1);
const QColor Grey(0x8E, 0x97, 0xA4);
const QColor GreyLight(0xA8, 0xB0, 0xBB);

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

bool save(const QImage &img, const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "render-tray-icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The round badge every tray icon stands on; a soft vertical gradient keeps
// it from looking flat on dark and light panels alike.
void drawBadge(QPainter &p, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(0, 2, 0, 62);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(QColor(255, 255, 255, 200), 2));
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, 58, 58));
}

// Two arcs chasing each other; the figure repeats after half a turn.
void drawSyncArrows(QPainter &p, qreal rotation, const QColor &color, qreal r = 15, qreal width = 5.5,
                    qreal head = 9.5)
{
    p.save();
    p.translate(32, 32);
    p.rotate(rotation);
    const QRectF box(-r, -r, 2 * r, 2 * r);
    for (int half = 0; half < 2; ++half) {
        const qreal start = 30 + half * 180;
        const qreal sweep = 115;
        QPainterPath arc;
        arc.arcMoveTo(box, start);
        arc.arcTo(box, start, sweep);
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);

        // Arrowhead at the end of the arc, pointing along the direction of travel.
        const qreal end = qDegreesToRadians(start + sweep);
        const QPointF at(r * qCos(end), -r * qSin(end));
        const QPointF radial(qCos(end), -qSin(end));
        const QPointF tangent(-qSin(end), -qCos(end));
        QPolygonF tri;
        tri << at + tangent * head << at + radial * (head * 0.75) << at - radial * (head * 0.75);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPolygon(tri);
    }
    p.restore();
}

void drawCheck(QPainter &p, const QPointF &origin, qreal scale, qreal width, const QColor &color)
{
    QPainterPath check;
    check.moveTo(origin + QPointF(-10, 1) * scale);
    check.lineTo(origin + QPointF(-3.5, 7.5) * scale);
    check.lineTo(origin + QPointF(10, -7) * scale);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(check);
}

QImage trayIdle()
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawBadge(p, BlueLight, Blue);
    drawCheck(p, QPointF(32, 32), 1.25, 6.5, Qt::white);
    return img;
}

QImage trayLoggedOut()
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawBadge(p, GreyLight, Grey);
    drawSyncArrows(p, 0, QColor(255, 255, 255, 235));
    return img;
}

QImage traySyncing(int frame, int frames)
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawBadge(p, BlueLight, Blue);
    // Turns the way the arrows point; after the last frame the figure is
    // back where it started.
    drawSyncArrows(p, -frame * 180.0 / frames, Qt::white);
    return img;
}

QImage checkMark()
{
    QImage img = canvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawCheck(p, QPointF(16, 16), 1.0, 4, Qt::white);
    return img;
}

QImage radioDot()
{
    QImage img = canvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 16), 6.5, 6.5);
    return img;
}

QImage chevron(bool down)
{
    QImage img = canvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x6B, 0x72, 0x80), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal dir = down ? 1 : -1;
    QPolygonF line;
    line << QPointF(8, 16 - 4 * dir) << QPointF(16, 16 + 4 * dir) << QPointF(24, 16 - 4 * dir);
    p.drawPolyline(line);
    return img;
}

// The service's shield, filling the box: straight shoulders, a point at the bottom.
void drawShield(QPainter &p, const QRectF &box, const QColor &fill)
{
    auto at = [&box](qreal x, qreal y) { return QPointF(box.x() + x * box.width(), box.y() + y * box.height()); };
    QPainterPath path;
    path.moveTo(at(0.5, 0));
    path.cubicTo(at(0.6875, 16 / 194.0), at(0.8625, 22 / 194.0), at(1, 22 / 194.0));
    path.cubicTo(at(1, 102 / 194.0), at(0.875, 160 / 194.0), at(0.5, 1));
    path.cubicTo(at(0.125, 160 / 194.0), at(0, 102 / 194.0), at(0, 22 / 194.0));
    path.cubicTo(at(0.1375, 22 / 194.0), at(0.3125, 16 / 194.0), at(0.5, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
}

// quarnet's mark, so faint that text over it stays easy to read.
QImage shield()
{
    QImage img = canvas(180, 210);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = Blue;
    fill.setAlpha(14);
    drawShield(p, QRectF(10, 8, 160, 194), fill);
    drawCheck(p, QPointF(90, 100), 3.2, 14, QColor(255, 255, 255, 200));
    return img;
}
// The application icon: the tray's blue badge with the sync arrows, and from
// 48 pixels on a small shield with a check inside them, the service's mark.
// Drawn per size rather than scaled down, so small sizes stay sharp.
QImage appIcon(int size)
{
    QImage img = canvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    drawBadge(p, BlueLight, Blue);
    if (size < 48) {
        drawSyncArrows(p, 0, Qt::white);
        return img;
    }
    // A wider circle of arrows makes room for the shield.
    drawSyncArrows(p, 0, Qt::white, 19, 4.5, 8);
    drawShield(p, QRectF(23, 22, 18, 21), Qt::white);
    drawCheck(p, QPointF(32, 32), 0.4, 2.4, Blue);
    return img;
}
} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: render-tray-icons <res folder>\n");
        return 2;
    }
    const QString res = args.at(1);
    bool ok = save(trayIdle(), res + QStringLiteral("/tray/idle.png"));
    ok = save(trayLoggedOut(), res + QStringLiteral("/tray/logged_out.png")) && ok;
    const int frames = 11;
    for (int i = 0; i < frames; ++i)
        ok = save(traySyncing(i, frames), res + QStringLiteral("/tray/syncing_%1.png").arg(i + 1, 2, 10, QLatin1Char('0')))
             && ok;
    ok = save(checkMark(), res + QStringLiteral("/style/images/check.png")) && ok;
    ok = save(radioDot(), res + QStringLiteral("/style/images/radio-dot.png")) && ok;
    ok = save(chevron(true), res + QStringLiteral("/style/images/chevron-down.png")) && ok;
    ok = save(chevron(false), res + QStringLiteral("/style/images/chevron-up.png")) && ok;
    ok = save(shield(), res + QStringLiteral("/style/quarnet/shield.png")) && ok;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        ok = save(appIcon(size), res + QStringLiteral("/icons/hicolor/%1x%1/apps/korvex-sync.png").arg(size)) && ok;
    return ok ? 0 : 1;
}
