// Pictures: JPEG through libjpeg (quality, damaged data), BMP round trips, the picture holder.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpCodec.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/Picture.h"
#include "common/testutil.h"
#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>
#include <cmath>

using namespace gfx;

namespace {

// A picture with gradients, fine detail and text, so compression has something to lose.
QImage photoLike(int w = 160, int h = 120)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 255) / w, (y * 255) / h, 100 + ((x * 7 + y * 13) % 41)));
    TBitmap b(img);
    b.Canvas().Font().SetName(QStringLiteral("Arial"));
    b.Canvas().Font().SetSize(14);
    b.Canvas().Brush().SetStyle(bsClear);
    b.Canvas().TextOut(10, 40, QStringLiteral("Фото 123"));
    return b.Image();
}

// A run-length compressed bitmap (8 or 4 bits per pixel, 16 grey levels) of runs of 4 pixels whose
// value follows the column and the row; the end-of-bitmap mark only at the end. *dataStart gets the
// offset of the compressed rows.
QByteArray runLengthBitmap(int bits, int w, int h, int* dataStart = nullptr)
{
    QByteArray data;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; x += 4) {
            const int v = (x / 4 + y) % 16;
            data.append(char(4));
            data.append(char(bits == 8 ? v : (v << 4) | v));
        }
        data.append('\0');
        data.append('\0');
    }
    data.append('\0');
    data.append('\1');
    const int colours = 16;
    const quint32 off = 14 + 40 + colours * 4;
    QByteArray f("BM");
    auto put32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) f.append(char((v >> (8 * i)) & 0xFF)); };
    auto put16 = [&](quint16 v) { f.append(char(v & 0xFF)); f.append(char(v >> 8)); };
    put32(off + quint32(data.size()));
    put32(0);
    put32(off);
    put32(40);
    put32(quint32(w));
    put32(quint32(h));
    put16(1);
    put16(quint16(bits));
    put32(bits == 8 ? 1 : 2);
    put32(quint32(data.size()));
    put32(3780);
    put32(3780);
    put32(colours);
    put32(0);
    for (int i = 0; i < colours; ++i) {
        f.append(char(i * 16));
        f.append(char(i * 16));
        f.append(char(i * 16));
        f.append('\0');
    }
    if (dataStart)
        *dataStart = int(off);
    return f + data;
}

double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

QByteArray jpegAt(int quality, const QImage& img)
{
    TJPEGImage jpeg;
    jpeg.Assign(TBitmap(img));
    jpeg.SetCompressionQuality(quality);
    return jpeg.SaveToBytes();
}

} // namespace

TEST(Jpeg, QualityIsHonouredAndBothReadersAcceptTheFile)
{
    const QImage source = photoLike();
    const QByteArray high = jpegAt(90, source);
    const QByteArray low = jpegAt(30, source);
    EXPECT_LT(low.size(), high.size());
    for (const QByteArray* bytes : {&high, &low}) {
        QImage ours;
        QString error;
        ASSERT_TRUE(jpeg::decode(*bytes, ours, &error)) << error.toStdString();
        EXPECT_EQ(ours.size(), source.size());
        QImage qts;
        ASSERT_TRUE(qts.loadFromData(*bytes, "JPG"));
        EXPECT_EQ(qts.size(), source.size());
        EXPECT_LT(meanDifference(ours, qts.convertToFormat(QImage::Format_RGB32)), 1.5);
    }
    QImage hi, lo;
    jpeg::decode(high, hi);
    jpeg::decode(low, lo);
    EXPECT_LT(meanDifference(hi, source), meanDifference(lo, source));
    EXPECT_LT(meanDifference(hi, source), 12.0);

    // Greyscale output has one component.
    QByteArray grey;
    ASSERT_TRUE(jpeg::encode(source, 75, grey, nullptr, true));
    QImageReader reader;
    QBuffer buffer(&grey);
    reader.setDevice(&buffer);
    EXPECT_EQ(reader.read().format(), QImage::Format_Grayscale8);
}

TEST(Jpeg, TruncatedOrCorruptDataIsAClearErrorAndLeavesThePictureAlone)
{
    const QByteArray good = jpegAt(75, photoLike());
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(good);
    ASSERT_EQ(jpeg.Width(), 160);

    QByteArray corrupt = good;
    for (int i = int(corrupt.size()) / 2; i < corrupt.size() - 2; i += 7)
        corrupt[i] = char(0xFF);
    QByteArray huge = good; // a frame header asking for 65535 x 65535 pixels
    const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int i = 5; i <= 8; ++i)
        huge[sof + i] = char(0xFF);
    QByteArray badHeader = good;
    badHeader[3] = 0x7F; // the first segment's length now runs past the data
    const QByteArray samples[] = {good.left(good.size() / 2), good.left(200), good.left(3), corrupt, badHeader,
                                  huge, QByteArray("\xFF\xD8\xFF\xD9", 4), QByteArray("not a picture"), QByteArray()};
    for (const QByteArray& bytes : samples) {
        try {
            jpeg.LoadFromBytes(bytes);
            ADD_FAILURE() << "accepted " << bytes.size() << " damaged bytes";
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("JPEG error: "))) << e.what();
            EXPECT_GT(e.Message().size(), 12);
        }
        EXPECT_EQ(jpeg.Width(), 160);
        EXPECT_EQ(jpeg.SaveToBytes(), good);
    }

    // Every cut of the file either decodes or fails cleanly.
    for (qsizetype n = 0; n < good.size(); n += 13) {
        QImage img;
        QString error;
        if (!jpeg::decode(good.left(n), img, &error))
            EXPECT_FALSE(error.isEmpty());
    }
}

TEST(Jpeg, HarmlessHeaderWarningsDoNotRefuseThePicture)
{
    // Warnings about the header alone (a later JFIF revision, an unknown colour transform note) leave
    // every pixel intact; only damaged image data refuses a picture.
    const QByteArray good = jpegAt(75, photoLike(48, 32));
    ASSERT_EQ(good.mid(6, 5), QByteArray("JFIF\0", 5));
    QImage expected;
    ASSERT_TRUE(jpeg::decode(good, expected));
    QByteArray revision = good;
    revision[11] = 2;
    const QByteArray adobe("\xFF\xEE\x00\x0E" "Adobe" "\x00\x64\x00\x00\x00\x00\x07", 16);
    const QByteArray transform = good.left(2) + adobe + good.mid(20); // in place of the JFIF marker
    for (const QByteArray& bytes : {revision, transform}) {
        QImage image;
        QString error;
        EXPECT_TRUE(jpeg::decode(bytes, image, &error)) << error.toStdString();
        EXPECT_EQ(image, expected);
    }
}

TEST(Jpeg, LoadedBytesAreSavedUnchangedAndNewPixelsAreCompressed)
{
    const QByteArray original = jpegAt(60, photoLike());
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(original);
    jpeg.SetCompressionQuality(95);
    EXPECT_EQ(jpeg.SaveToBytes(), original) << "a quality change alone does not recompress";
    jpeg.Compress();
    EXPECT_NE(jpeg.SaveToBytes(), original);

    TJPEGImage copy;
    copy.Assign(jpeg);
    EXPECT_EQ(copy.SaveToBytes(), jpeg.SaveToBytes());

    jpeg.Assign(TBitmap(photoLike(40, 30)));
    EXPECT_EQ(jpeg.Width(), 40);
    jpeg.SetCompressionQuality(90);
    const QByteArray at90 = jpeg.SaveToBytes();
    jpeg.SetCompressionQuality(30);
    EXPECT_LT(jpeg.SaveToBytes().size(), at90.size()) << "new pixels follow the quality in force";
    QImage back;
    ASSERT_TRUE(jpeg::decode(jpeg.SaveToBytes(), back));
    EXPECT_EQ(back.size(), QSize(40, 30));

    TJPEGImage empty;
    EXPECT_TRUE(empty.SaveToBytes().isEmpty());
}

TEST(Bmp, RoundTripIsExact)
{
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap b(photoLike(37, 11)); // odd width: rows are padded
        b.SetPixelFormat(format);
        const QByteArray bytes = b.SaveToBytes();
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        EXPECT_EQ(bmp::storedSize(bytes), bytes.size());

        TBitmap back;
        back.LoadFromBytes(bytes);
        EXPECT_EQ(back.PixelFormat(), format);
        EXPECT_EQ(back.Image(), b.Image());
        EXPECT_EQ(back.SaveToBytes(), bytes);

        QImage qts;
        ASSERT_TRUE(qts.loadFromData(bytes, "BMP"));
        EXPECT_EQ(qts.convertToFormat(QImage::Format_RGB32), b.Image());
    }

    // A file written elsewhere (8-bit with a palette) is kept byte for byte until it is drawn on.
    QImage indexed = photoLike(20, 10).convertToFormat(QImage::Format_Indexed8);
    QByteArray foreign;
    QBuffer out(&foreign);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(indexed.save(&out, "BMP"));
    TBitmap kept;
    kept.LoadFromBytes(foreign);
    EXPECT_EQ(kept.PixelFormat(), pf8bit);
    EXPECT_EQ(kept.SaveToBytes(), foreign);
    kept.Canvas().Pixel(0, 0); // reading changes nothing
    EXPECT_EQ(kept.SaveToBytes(), foreign);
    kept.Canvas().SetPixel(0, 0, clRed);
    EXPECT_NE(kept.SaveToBytes(), foreign);
    TBitmap redrawn;
    redrawn.LoadFromBytes(kept.SaveToBytes());
    EXPECT_EQ(redrawn.Canvas().Pixel(0, 0), clRed);
}

TEST(Bmp, ABitmapCanvasIsAScreenSurfaceWhateverTheFileRecords)
{
    QImage print = photoLike(10, 10);
    print.setDotsPerMeterX(11811); // 300 dpi
    print.setDotsPerMeterY(11811);
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(print.save(&out, "BMP"));
    TBitmap b;
    b.LoadFromBytes(bytes);
    EXPECT_EQ(b.Canvas().PixelsPerInch(), 96);
    b.Canvas().Font().SetSize(10);
    EXPECT_EQ(b.Canvas().Font().Height(), -13);
}

TEST(Bmp, DamagedFilesAreRefused)
{
    const QByteArray good = TBitmap(photoLike(16, 16)).SaveToBytes();
    QByteArray hugeWidth = good;
    hugeWidth[18] = char(0xFF);
    hugeWidth[19] = char(0xFF);
    hugeWidth[20] = char(0xFF);
    hugeWidth[21] = 0x10;
    struct Case { QByteArray bytes; const char* message; };
    const Case cases[] = {
        {good.left(good.size() - 5), "Bitmap data is truncated"},
        {good.left(30), "Bitmap image is not valid"},
        {hugeWidth, "Bitmap image is not valid"},
        {QByteArray("BM"), "Bitmap image is not valid"},
        {QByteArray("GIF89a"), "Bitmap image is not valid"},
    };
    for (const Case& k : cases) {
        TBitmap b(3, 3);
        try {
            b.LoadFromBytes(k.bytes);
            ADD_FAILURE() << k.message;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), k.message);
        }
        EXPECT_EQ(b.Width(), 3);
    }
}

TEST(Bmp, HeaderNumbersAtTheirLimitsDoNotOverflowTheRowArithmetic)
{
    // Width 2^31 - 1, height -2^31, 65535 bits per pixel, header size near 2^32: each product or sum
    // overflowed 64 bits (or wrapped 32) before the check; now each is a plain refusal.
    const QByteArray good = TBitmap(photoLike(4, 4)).SaveToBytes();
    auto with = [&](int at, quint32 value, int size) {
        QByteArray b = good;
        for (int i = 0; i < size; ++i)
            b[at + i] = char((value >> (8 * i)) & 0xFF);
        return b;
    };
    const QByteArray hugeAll = with(28, 0xFFFF, 2).replace(18, 8, QByteArray("\xff\xff\xff\x7f\x00\x00\x00\x80", 8));
    const QByteArray cases[] = {hugeAll, with(28, 0xFFFF, 2), with(14, 0xFFFFFFF8u, 4), with(10, 0xFFFFFFFFu, 4)};
    for (const QByteArray& bytes : cases) {
        EXPECT_EQ(gfx::bmp::storedExtent(bytes.left(gfx::bmp::HeadSize)) > 0xFFFFFFFFLL, false);
        QString error;
        EXPECT_TRUE(gfx::bmp::decode(bytes, nullptr, &error).isNull());
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(gfx::bmp::storedExtent(hugeAll.left(gfx::bmp::HeadSize)), -1);
}

TEST(Bmp, RunLengthCompressedFilesAreReadWholeOrRefused)
{
    for (int bits : {8, 4}) {
        int start = 0;
        const QByteArray whole = runLengthBitmap(bits, 32, 12, &start);
        TBitmap b;
        b.LoadFromBytes(whole);
        EXPECT_EQ(b.PixelFormat(), bits == 8 ? pf8bit : pf4bit);
        ASSERT_EQ(b.Width(), 32);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(qRed(b.Image().pixel(x, y)), ((x / 4 + y) % 16) * 16) << bits << " " << x << "," << y;
        EXPECT_EQ(b.SaveToBytes(), whole);

        // Cut anywhere before the last row is complete: the rest of the picture is missing.
        const int rowBytes = (32 / 4) * 2 + 2;
        for (int cut : {start, start + 7, start + rowBytes * 5, int(whole.size()) - rowBytes - 2}) {
            TBitmap t(3, 3);
            try {
                t.LoadFromBytes(whole.left(cut));
                ADD_FAILURE() << bits << " bits, " << cut << " of " << whole.size() << " bytes accepted";
            } catch (const EInvalidGraphic& e) {
                EXPECT_STREQ(e.what(), "Bitmap data is truncated");
            }
            EXPECT_EQ(t.Width(), 3);
        }
        // Without its end mark, a picture whose rows are all there is still whole.
        TBitmap unmarked;
        unmarked.LoadFromBytes(whole.left(whole.size() - 2));
        EXPECT_EQ(unmarked.Image(), b.Image());
    }
}

TEST(Bmp, StreamReadsOnlyTheBitmapsOwnBytes)
{
    const QByteArray bytes = TBitmap(photoLike(9, 9)).SaveToBytes();
    QByteArray data = bytes + QByteArray("TRAILER");
    QBuffer stream(&data);
    stream.open(QIODevice::ReadOnly);
    TBitmap b;
    b.LoadFromStream(stream);
    EXPECT_EQ(stream.pos(), bytes.size());
    EXPECT_EQ(stream.readAll(), QByteArray("TRAILER"));
    EXPECT_EQ(b.Width(), 9);
}

TEST(Bmp, AWrongFileSizeInTheHeaderLosesNothing)
{
    // Readers go by the picture header; the file size field is often 0 or off. A bitmap loaded from
    // such a file is kept whole (its size field then tells the truth) and reads back from a stream.
    const QByteArray good = TBitmap(photoLike(9, 7)).SaveToBytes();
    int start = 0;
    const QByteArray packed = runLengthBitmap(8, 16, 4, &start);
    auto withSize = [](QByteArray bytes, quint32 size) {
        for (int i = 0; i < 4; ++i)
            bytes[2 + i] = char((size >> (8 * i)) & 0xFF);
        return bytes;
    };
    const QByteArray samples[] = {withSize(good, 0), withSize(good, 54), withSize(good, quint32(good.size()) + 100),
                                  withSize(packed, 0), withSize(packed, quint32(start) + 3)};
    for (const QByteArray& bytes : samples) {
        TBitmap b;
        b.LoadFromBytes(bytes);
        EXPECT_EQ(b.SaveToBytes(), withSize(bytes, quint32(bytes.size())));
        QByteArray data;
        QBuffer out(&data);
        out.open(QIODevice::WriteOnly);
        b.SaveToStream(out);
        out.write("TRAILER");
        out.close();
        QBuffer in(&data);
        in.open(QIODevice::ReadOnly);
        TBitmap back;
        try {
            back.LoadFromStream(in);
        } catch (const EInvalidGraphic& e) {
            ADD_FAILURE() << e.what() << " (" << bytes.size() << " bytes)";
        }
        EXPECT_EQ(back.Image(), b.Image());
        EXPECT_EQ(in.readAll(), QByteArray("TRAILER"));
    }
}

TEST(Picture, KindFollowsTheFileOrTheBytes)
{
    testutil::TempDir dir;
    const QByteArray jpegBytes = jpegAt(80, photoLike());
    const QByteArray bmpBytes = TBitmap(photoLike(20, 20)).SaveToBytes();
    testutil::writeFile(dir.file("photo.JPG"), jpegBytes);
    testutil::writeFile(dir.file("pic.bmp"), bmpBytes);
    testutil::writeFile(dir.file("pic.gif"), bmpBytes);

    TPicture p;
    int changes = 0;
    p.OnChange = [&] { ++changes; };
    p.LoadFromFile(dir.file("photo.JPG"));
    ASSERT_NE(p.Graphic(), nullptr);
    EXPECT_EQ(p.Graphic()->ClassName(), QStringLiteral("TJPEGImage"));
    EXPECT_EQ(p.Width(), 160);
    p.SaveToFile(dir.file("copy.jpg"));
    EXPECT_EQ(testutil::readFile(dir.file("copy.jpg")), jpegBytes);
    EXPECT_GT(changes, 0);

    p.LoadFromBytes(bmpBytes);
    EXPECT_EQ(p.Graphic()->ClassName(), QStringLiteral("TBitmap"));
    p.LoadFromFile(dir.file("pic.bmp"));
    EXPECT_EQ(p.SaveToBytes(), bmpBytes);

    EXPECT_THROW(p.LoadFromFile(dir.file("pic.gif")), EInvalidGraphic);
    EXPECT_THROW(p.LoadFromFile(dir.file("missing.jpg")), EGraphicFile);
    EXPECT_THROW(p.LoadFromBytes(QByteArray("GIF89a")), EInvalidGraphic);
    EXPECT_EQ(p.SaveToBytes(), bmpBytes) << "failed loads keep the picture";

    // Asking a JPEG picture for its bitmap replaces it with an empty bitmap, as the platform does;
    // callers assign the JPEG's pixels to it first when they want them.
    TPicture q;
    q.LoadFromBytes(jpegBytes);
    TPicture copy = q;
    TBitmap& bitmap = q.Bitmap();
    EXPECT_TRUE(bitmap.Empty());
    bitmap.Assign(*copy.Graphic());
    EXPECT_EQ(q.Width(), 160);
    EXPECT_EQ(copy.Graphic()->ClassName(), QStringLiteral("TJPEGImage"));
    q.Clear();
    EXPECT_TRUE(q.Empty());
}

TEST(Picture, DrawingBitmapsPlainScaledAndTransparent)
{
    QImage target(40, 40, QImage::Format_RGB32);
    target.fill(Qt::white);
    TBitmap b(4, 2);
    b.Canvas().Brush().SetColor(clRed);
    b.Canvas().FillRect(Rect(0, 0, 2, 2));
    b.Canvas().Brush().SetColor(clBlue);
    b.Canvas().FillRect(Rect(2, 0, 4, 2));
    TCanvas c(&target);
    c.Draw(1, 1, b);
    c.StretchDraw(Rect(10, 10, 18, 14), b);
    b.SetTransparent(true);
    b.SetTransparentColor(clRed);
    c.Draw(20, 20, b);
    c.Release();
    EXPECT_EQ(c.Pixel(1, 1), clRed);
    EXPECT_EQ(c.Pixel(4, 2), clBlue);
    EXPECT_EQ(c.Pixel(5, 1), clWhite);
    EXPECT_EQ(c.Pixel(13, 13), clRed);
    EXPECT_EQ(c.Pixel(14, 10), clBlue);
    EXPECT_EQ(c.Pixel(17, 13), clBlue);
    EXPECT_EQ(c.Pixel(18, 13), clWhite);
    EXPECT_EQ(c.Pixel(20, 20), clWhite) << "the transparent colour is left out";
    EXPECT_EQ(c.Pixel(22, 20), clBlue);

    // CopyRect takes a part of another canvas, scaled.
    TBitmap dest(10, 10);
    dest.Canvas().CopyRect(Rect(0, 0, 4, 4), b.Canvas(), Rect(2, 0, 4, 2));
    EXPECT_EQ(dest.Canvas().Pixel(3, 3), clBlue);
    EXPECT_EQ(dest.Canvas().Pixel(4, 4), clWhite);

    // Resizing keeps what fits and whitens the rest.
    b.SetSize(6, 3);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), clRed);
    EXPECT_EQ(b.Canvas().Pixel(5, 2), clWhite);
}
