// Build-time tool: makes the program's desktop icons from one gear frame of
// the waiting animation, so the icon and the animation never drift apart.
//   make_icon FRAME.png OUTDIR SIZE...   writes OUTDIR/<SIZE>.png, square
// Drawing into a QImage needs no QGuiApplication.

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

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
    // The frame is taller than wide: centre it on a transparent square first.
    const int side = qMax(frame.width(), frame.height());
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        painter.drawImage((side - frame.width()) / 2, (side - frame.height()) / 2, frame);
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString path = QStringLiteral("%1/%2.png").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (size <= 0 || !square.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32)
                              .save(path, "PNG")) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
