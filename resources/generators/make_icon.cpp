// Build-time tool: makes the program's icons from one gear frame of the
// waiting animation, so the icon and the animation never drift apart.
//   make_icon FRAME.png OUTDIR SIZE...
// writes OUTDIR/<SIZE>.png, square, and OUTDIR/icon.ico holding every size
// (PNG-compressed entries, which Windows reads from Vista on).
// Drawing into a QImage needs no QGuiApplication.

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct TIconImage {
    int Size;
    QByteArray Png;
};

void AppendLE16(QByteArray &out, int value)
{
    const quint16 le = qToLittleEndian(quint16(value));
    out.append(reinterpret_cast<const char *>(&le), sizeof le);
}

void AppendLE32(QByteArray &out, qint64 value)
{
    const quint32 le = qToLittleEndian(quint32(value));
    out.append(reinterpret_cast<const char *>(&le), sizeof le);
}

// ICONDIR, one ICONDIRENTRY per image, then the PNG data of each.
QByteArray IcoFile(const std::vector<TIconImage> &images)
{
    QByteArray out;
    AppendLE16(out, 0);
    AppendLE16(out, 1); // icon
    AppendLE16(out, int(images.size()));
    qint64 offset = 6 + 16 * qint64(images.size());
    for (const TIconImage &image : images) {
        const int side = image.Size >= 256 ? 0 : image.Size; // 0 stands for 256
        out.append(char(side)).append(char(side)).append(char(0)).append(char(0));
        AppendLE16(out, 1);  // colour planes
        AppendLE16(out, 32); // bits per pixel
        AppendLE32(out, image.Png.size());
        AppendLE32(out, offset);
        offset += image.Png.size();
    }
    for (const TIconImage &image : images)
        out.append(image.Png);
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_icon FRAME.png OUTDIR SIZE...\n");
        return 2;
    }
    const QImage frame(QString::fromLocal8Bit(argv[1]));
    if (frame.isNull()) {
        std::fprintf(stderr, "make_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    // The frame is taller than wide: centre it on a transparent square first.
    const int side = qMax(frame.width(), frame.height());
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        painter.drawImage((side - frame.width()) / 2, (side - frame.height()) / 2, frame);
    }
    std::vector<TIconImage> images;
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString path = QStringLiteral("%1/%2.png").arg(outDir).arg(size);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QFile file(path);
        if (size <= 0 || size > 256
            || !square.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32)
                    .save(&buffer, "PNG")
            || !file.open(QIODevice::WriteOnly) || file.write(png) != png.size()) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
        images.push_back({size, png});
    }
    QFile ico(outDir + QStringLiteral("/icon.ico"));
    const QByteArray icoBytes = IcoFile(images);
    if (!ico.open(QIODevice::WriteOnly) || ico.write(icoBytes) != icoBytes.size()) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(ico.fileName()));
        return 1;
    }
    return 0;
}
