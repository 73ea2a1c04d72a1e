#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTest>

// The pictures that tools/make-banner and tools/make-icons make and the checkout carries.
class AssetTest : public QObject
{
    Q_OBJECT

    static QByteArray read(const char *relative)
    {
        QFile file(QStringLiteral(LUMARIL_SOURCE_DIR "/") + QLatin1String(relative));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", relative);
        return file.readAll();
    }
    static int u8(const QByteArray &b, qsizetype at) { return static_cast<unsigned char>(b.at(at)); }
    static int le16(const QByteArray &b, qsizetype at) { return u8(b, at) | u8(b, at + 1) << 8; }
    static qint64 le32(const QByteArray &b, qsizetype at)
    {
        return le16(b, at) | static_cast<qint64>(le16(b, at + 2)) << 16;
    }

private slots:
    void bannerFileLayout()
    {
        const QByteArray gif = read("assets/banner.gif");
        QVERIFY(gif.size() > 13 + 768);
        QCOMPARE(gif.left(6), QByteArray("GIF89a"));
        QCOMPARE(le16(gif, 6), 213);
        QCOMPARE(le16(gif, 8), 41);
        const int packed = u8(gif, 10);
        QVERIFY2(packed & 0x80, "no global colour table");
        QCOMPARE(2 << (packed & 7), 256);

        // Walk the extensions ahead of the picture to the graphic control extension.
        qsizetype at = 13 + 256 * 3;
        int transparent = -1;
        while (at + 1 < gif.size() && u8(gif, at) == 0x21) {
            const bool control = u8(gif, at + 1) == 0xF9;
            if (control) {
                QCOMPARE(u8(gif, at + 2), 4);
                QVERIFY2(u8(gif, at + 3) & 1, "transparency flag not set");
                transparent = u8(gif, at + 6);
            }
            at += 2;
            while (at < gif.size() && u8(gif, at) != 0)
                at += u8(gif, at) + 1;
            ++at;
        }
        QVERIFY2(transparent >= 0, "no graphic control extension before the picture");
        QCOMPARE(u8(gif, at), 0x2C);
        const qsizetype entry = 13 + transparent * 3;
        QCOMPARE(gif.mid(entry, 3), QByteArray("\xFF\xFF\xFF", 3));
    }

    void bannerPicture()
    {
        QImageReader reader(QStringLiteral(LUMARIL_SOURCE_DIR "/assets/banner.gif"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(213, 41));
        for (const QPoint corner : {QPoint(0, 0), QPoint(212, 0), QPoint(0, 40), QPoint(212, 40)})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);

        // The calligraphy is green on a grey shadow; any other colour means the palette reduction broke.
        int green = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                if (p == qRgb(0, 132, 0))
                    ++green;
                else
                    QVERIFY2(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p),
                             qPrintable(QStringLiteral("colour %1 at %2,%3").arg(p, 8, 16).arg(x).arg(y)));
            }
        }
        // A missing font draws nothing or boxes; the letters cover a fair share of the picture.
        QVERIFY2(green > 213 * 41 / 20, qPrintable(QString::number(green)));
    }

    void iconFileHoldsTheThreeOldStyleImages()
    {
        const QByteArray ico = read("assets/icons/lumaril.ico");
        QVERIFY(ico.size() >= 6);
        QCOMPARE(le16(ico, 0), 0);
        QCOMPARE(le16(ico, 2), 1); // icon, not cursor
        QCOMPARE(le16(ico, 4), 3);
        QVERIFY(ico.size() >= 6 + 3 * 16);

        const struct { int size, bits; } expected[] = {{32, 1}, {32, 4}, {16, 4}};
        for (int i = 0; i < 3; ++i) {
            const qsizetype dir = 6 + i * 16;
            const int size = expected[i].size, bits = expected[i].bits;
            QCOMPARE(u8(ico, dir), size);
            QCOMPARE(u8(ico, dir + 1), size);
            QCOMPARE(u8(ico, dir + 2), 1 << bits);
            const qint64 bytes = le32(ico, dir + 8);
            const qint64 offset = le32(ico, dir + 12);
            QVERIFY(offset + bytes <= ico.size());

            QVERIFY2(!ico.mid(offset, 4).startsWith("\x89PNG"), "compressed entry");
            QCOMPARE(le32(ico, offset), 40); // BITMAPINFOHEADER
            QCOMPARE(le32(ico, offset + 4), size);
            QCOMPARE(le32(ico, offset + 8), 2 * size); // colour rows and mask rows
            QCOMPARE(le16(ico, offset + 12), 1);
            QCOMPARE(le16(ico, offset + 14), bits);
            QCOMPARE(le32(ico, offset + 16), 0); // uncompressed
            // Rows are padded to four bytes; a size that disagrees leaves readers reading past the entry.
            const qint64 colourRow = (size * bits + 31) / 32 * 4;
            const qint64 maskRow = (size + 31) / 32 * 4;
            QCOMPARE(bytes, 40 + 4 * (1 << bits) + size * (colourRow + maskRow));
        }

        QImageReader reader(QStringLiteral(LUMARIL_SOURCE_DIR "/assets/icons/lumaril.ico"));
        QCOMPARE(reader.imageCount(), 3);
        const QImage mono = reader.read();
        QCOMPARE(mono.size(), QSize(32, 32));
        QCOMPARE(qAlpha(mono.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(mono.pixel(16, 16)), 255);
    }

    void desktopSizes_data()
    {
        QTest::addColumn<int>("size");
        for (int n : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%d", n) << n;
    }
    void desktopSizes()
    {
        QFETCH(int, size);
        const QString path = QStringLiteral(LUMARIL_SOURCE_DIR "/assets/icons/hicolor/%1x%1/apps/lumaril.png").arg(size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
    }

    void scalableIconIsTheDrawing()
    {
        QCOMPARE(read("assets/icons/hicolor/scalable/apps/lumaril.svg"), read("assets/icon.svg"));
    }
};

QTEST_MAIN(AssetTest)
#include "assettest.moc"
