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

// A PNG of absurd dimensions that is small on the wire (one bit a pixel,
// all black), as Base64 text.
inline QString hugePngBase64(int side)
{
    QImage image(side, side, QImage::Format_Mono);
    image.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QString::fromLatin1(bytes.toBase64());
}
