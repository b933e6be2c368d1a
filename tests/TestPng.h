#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>

// A square PNG of one colour as Base64 text, the form a photoTAN challenge
// takes on the wire.
inline QString pngBase64(int side, Qt::GlobalColor colour = Qt::black)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(bytes.toBase64());
}
