// The built-in resources: gear frames, arrow glyphs and the "Ruby Graphite" style sheet.

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int frameCount = 30;

QString framePath(int n) { return QStringLiteral(":/rcdata/PNGIMAGE_%1").arg(n); }

QByteArray readResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 bigEndian32(const QByteArray& bytes, int at) { return qFromBigEndian<quint32>(bytes.constData() + at); }
quint32 littleEndian32(const QByteArray& bytes, int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); }
quint16 littleEndian16(const QByteArray& bytes, int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); }

// Mean absolute difference per channel of two equally sized images.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888);
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 4; ++i)
            sum += std::abs(p[i] - q[i]);
    }
    return double(sum) / (x.width() * x.height() * 4);
}

// Average colour of the opaque pixels in rect.
QColor meanOpaqueColour(const QImage& image, const QRect& rect)
{
    qint64 r = 0, g = 0, b = 0, count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 255) {
                r += c.red();
                g += c.green();
                b += c.blue();
                ++count;
            }
        }
    return count ? QColor(int(r / count), int(g / count), int(b / count)) : QColor();
}

QtMessageHandler previousHandler = nullptr;
QStringList capturedWarnings;

void captureWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        capturedWarnings << message;
    previousHandler(type, context, message);
}

QImage grabLabel(QLabel& label)
{
    label.style()->unpolish(&label);
    label.style()->polish(&label);
    return label.grab().toImage();
}

}  // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void framesAreRgbaPngsOfTheRightSize();
    void framesTurnOneEvenStepEachIncludingTheWrap();
    void framesShowGreyGearUpperLeftAndRedGearLowerRight();
    void glyphsAre24BitBitmaps_data();
    void glyphsAre24BitBitmaps();
    void glyphRows_data();
    void glyphRows();
    void styleSheetParsesAndFindsItsImages();
    void styleSheetHighlightsHoveredDigitsAndKeepsWarningsRed();
};

void TestResources::framesAreRgbaPngsOfTheRightSize()
{
    for (int n = 1; n <= frameCount; ++n) {
        const QByteArray png = readResource(framePath(n));
        QVERIFY2(png.startsWith("\x89PNG\r\n\x1a\n"), qPrintable(framePath(n)));
        // IHDR: width, height, bit depth 8, colour type 6 (RGBA).
        QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(bigEndian32(png, 16), 164u);
        QCOMPARE(bigEndian32(png, 20), 181u);
        QCOMPARE(int(png[24]), 8);
        QCOMPARE(int(png[25]), 6);

        const QImage frame = QImage::fromData(png);
        QCOMPARE(frame.size(), QSize(164, 181));
        QVERIFY(frame.hasAlphaChannel());
        QCOMPARE(frame.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(frame.pixelColor(163, 180).alpha(), 0);
    }
    QVERIFY(!QFile::exists(framePath(frameCount + 1)));
}

void TestResources::framesTurnOneEvenStepEachIncludingTheWrap()
{
    QList<QImage> frames;
    for (int n = 1; n <= frameCount; ++n)
        frames << QImage(framePath(n));
    QList<double> steps;
    for (int i = 0; i < frameCount; ++i)
        steps << meanDifference(frames[i], frames[(i + 1) % frameCount]);

    const auto [smallest, largest] = std::minmax_element(steps.cbegin(), steps.cend());
    QVERIFY2(*smallest > 0.5, qPrintable(QString::number(*smallest)));
    // The step from the last frame back to the first is no bigger a jump than any other.
    QVERIFY2(*largest < 1.3 * *smallest, qPrintable(QStringLiteral("%1 .. %2").arg(*smallest).arg(*largest)));
    // A quarter cycle on, the picture has moved well beyond one step.
    QVERIFY(meanDifference(frames[0], frames[frameCount / 4]) > 2 * *largest);
}

void TestResources::framesShowGreyGearUpperLeftAndRedGearLowerRight()
{
    const QImage frame(framePath(1));
    const QColor upperLeft = meanOpaqueColour(frame, QRect(0, 0, 82, 90));
    const QColor lowerRight = meanOpaqueColour(frame, QRect(110, 130, 54, 51));
    QVERIFY(upperLeft.isValid() && lowerRight.isValid());
    QVERIFY2(std::abs(upperLeft.red() - upperLeft.blue()) < 25 && std::abs(upperLeft.red() - upperLeft.green()) < 25,
             qPrintable(upperLeft.name()));
    QVERIFY2(lowerRight.red() > 2 * lowerRight.green() && lowerRight.red() > 2 * lowerRight.blue(),
             qPrintable(lowerRight.name()));
}

void TestResources::glyphsAre24BitBitmaps_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("up") << ":/glyphs/ArrowUp.bmp";
    QTest::newRow("down") << ":/glyphs/ArrowDown.bmp";
}

void TestResources::glyphsAre24BitBitmaps()
{
    QFETCH(QString, path);
    const QByteArray bmp = readResource(path);
    QVERIFY(bmp.startsWith("BM"));
    QCOMPARE(littleEndian32(bmp, 18), 13u);  // width
    QCOMPARE(littleEndian32(bmp, 22), 8u);   // height, bottom-up
    QCOMPARE(littleEndian16(bmp, 28), quint16(24));
    QCOMPARE(littleEndian32(bmp, 30), 0u);  // uncompressed

    const QImage glyph = QImage::fromData(bmp);
    QCOMPARE(glyph.size(), QSize(13, 8));
    // The buttons take the bottom-left pixel as the transparent colour.
    QCOMPARE(glyph.pixelColor(0, 7), QColor(255, 0, 0));
}

void TestResources::glyphRows_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("width");  // black pixels, centred on column 6 (the seventh)

    const QString up = QStringLiteral(":/glyphs/ArrowUp.bmp");
    const QString down = QStringLiteral(":/glyphs/ArrowDown.bmp");
    QTest::newRow("up, first row all red") << up << 0 << 0;
    QTest::newRow("up, tip") << up << 1 << 1;
    QTest::newRow("up, row 4") << up << 4 << 7;
    QTest::newRow("up, base") << up << 6 << 11;
    QTest::newRow("up, last row all red") << up << 7 << 0;
    QTest::newRow("down, first row all red") << down << 0 << 0;
    QTest::newRow("down, base") << down << 1 << 11;
    QTest::newRow("down, row 3") << down << 3 << 7;
    QTest::newRow("down, tip") << down << 6 << 1;
    QTest::newRow("down, last row all red") << down << 7 << 0;
}

void TestResources::glyphRows()
{
    QFETCH(QString, path);
    QFETCH(int, row);
    QFETCH(int, width);
    const QImage glyph(path);
    QVERIFY(!glyph.isNull());
    for (int column = 0; column < 13; ++column) {
        const bool black = std::abs(column - 6) * 2 < width;
        QCOMPARE(glyph.pixelColor(column, row), black ? QColor(0, 0, 0) : QColor(255, 0, 0));
    }
}

void TestResources::styleSheetParsesAndFindsItsImages()
{
    const QString sheet = QString::fromUtf8(readResource(QStringLiteral(":/styles/RubyGraphite.qss")));
    QVERIFY(!sheet.isEmpty());

    // Qt ignores missing images silently, so check every url() the sheet names.
    const QRegularExpression url(QStringLiteral(R"(url\(([^)]+)\))"));
    for (const QRegularExpressionMatch& match : url.globalMatch(sheet))
        QVERIFY2(QFile::exists(match.captured(1)), qPrintable(match.captured(1)));

    // The sheet is parsed when a widget is polished; a parse error is a warning.
    capturedWarnings.clear();
    previousHandler = qInstallMessageHandler(captureWarnings);
    qApp->setStyleSheet(sheet);
    QLabel probe;
    probe.ensurePolished();
    qInstallMessageHandler(previousHandler);
    qApp->setStyleSheet(QString());
    QVERIFY2(capturedWarnings.isEmpty(), qPrintable(capturedWarnings.join('\n')));
}

void TestResources::styleSheetHighlightsHoveredDigitsAndKeepsWarningsRed()
{
    qApp->setStyleSheet(QString::fromUtf8(readResource(QStringLiteral(":/styles/RubyGraphite.qss"))));

    QLabel digit(QStringLiteral("0"));
    digit.setObjectName(QStringLiteral("pnlDEMAND1"));
    digit.resize(28, 49);
    const QColor normal = grabLabel(digit).pixelColor(3, 3);
    digit.setProperty("hovered", true);
    const QColor hovered = grabLabel(digit).pixelColor(3, 3);
    digit.setProperty("hovered", false);
    QCOMPARE(grabLabel(digit).pixelColor(3, 3), normal);
    const int distance = std::abs(normal.red() - hovered.red()) + std::abs(normal.green() - hovered.green())
                       + std::abs(normal.blue() - hovered.blue());
    QVERIFY2(distance > 120, qPrintable(normal.name() + " vs " + hovered.name()));

    QLabel flag(QStringLiteral("OOC"));
    flag.setObjectName(QStringLiteral("pnlWARN_OOC"));
    flag.resize(50, 25);
    QCOMPARE(grabLabel(flag).pixelColor(3, 3), QColor(255, 0, 0));
    QCOMPARE(flag.palette().color(flag.foregroundRole()), QColor(255, 255, 255));

    qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestResources)
#include "tst_Resources.moc"
