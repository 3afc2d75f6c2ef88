#include "JpegCodec.h"
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>
// jpeglib.h expects size_t and FILE to be declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace gfx::jpeg {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    bool damaged = false; // a warning that means the picture is incomplete
};

extern "C" void onError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

extern "C" void onMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0)
        return; // trace messages
    // Stray bytes between markers are common in camera files, and notes about the header alone (a
    // later JFIF revision, an unknown colour transform code, a bad colour profile) leave the pixels
    // intact; any other warning (premature end, lost sync, bad Huffman data) means grey or garbled
    // pixels.
    const int code = err->pub.msg_code;
    if (code == JWRN_EXTRANEOUS_DATA || code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM
        || code == JWRN_BOGUS_ICC || err->damaged)
        return;
    err->damaged = true;
    err->pub.format_message(cinfo, err->message);
}

extern "C" void silent(j_common_ptr) {}

void install(ErrorManager& err, j_common_ptr cinfo)
{
    cinfo->err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.pub.output_message = silent;
}

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString jpegText(const char* message)
{
    return QStringLiteral("JPEG error: ") + QString::fromLatin1(message);
}

// What the libjpeg calls change lives outside the function that calls setjmp: a local of that function
// changed after setjmp has no defined value once longjmp returns there.
struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    QImage result;
    std::vector<JSAMPLE> row;
    QString failure;
};

struct EncodeState {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

// The decoding steps under libjpeg's error exit; false with st.failure set.
bool runDecode(DecodeState& st, const QByteArray& bytes)
{
    jpeg_decompress_struct& cinfo = st.cinfo;
    install(st.err, reinterpret_cast<j_common_ptr>(&cinfo));
    if (setjmp(st.err.jump)) {
        jpeg_destroy_decompress(&st.cinfo);
        st.failure = jpegText(st.err.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.constData())),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (qint64(cinfo.image_width) * qint64(cinfo.image_height) > MaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        st.failure = QStringLiteral("JPEG error: picture too large");
        return false;
    }
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
        cinfo.out_color_space = JCS_CMYK;
    else if (cinfo.num_components == 1)
        cinfo.out_color_space = JCS_GRAYSCALE;
    else
        cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const int w = int(cinfo.output_width), h = int(cinfo.output_height), n = cinfo.output_components;
    st.result = QImage(w, h, QImage::Format_RGB32);
    if (st.result.isNull()) {
        jpeg_destroy_decompress(&cinfo);
        st.failure = QStringLiteral("JPEG error: not enough memory");
        return false;
    }
    st.row.resize(size_t(w) * size_t(n));
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        JSAMPROW rows[1] = {st.row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        QRgb* line = reinterpret_cast<QRgb*>(st.result.scanLine(y));
        const JSAMPLE* s = st.row.data();
        for (int x = 0; x < w; ++x, s += n) {
            if (n == 1) {
                line[x] = qRgb(s[0], s[0], s[0]);
            } else if (n == 3) {
                line[x] = qRgb(s[0], s[1], s[2]);
            } else {
                // Adobe CMYK is stored inverted: the values already are 255 - ink.
                const int k = s[3];
                line[x] = qRgb(s[0] * k / 255, s[1] * k / 255, s[2] * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (st.err.damaged) {
        st.failure = jpegText(st.err.message);
        return false;
    }
    return true;
}

bool runEncode(EncodeState& st, const QImage& src, int quality, bool grayscale)
{
    jpeg_compress_struct& cinfo = st.cinfo;
    install(st.err, reinterpret_cast<j_common_ptr>(&cinfo));
    if (setjmp(st.err.jump)) {
        jpeg_destroy_compress(&st.cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &st.buffer, &st.size);
    cinfo.image_width = JDIMENSION(src.width());
    cinfo.image_height = JDIMENSION(src.height());
    cinfo.input_components = grayscale ? 1 : 3;
    cinfo.in_color_space = grayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.density_unit = 1;
    cinfo.X_density = 96;
    cinfo.Y_density = 96;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(src.constScanLine(int(cinfo.next_scanline)))};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

bool decode(const QByteArray& bytes, QImage& image, QString* error)
{
    if (bytes.size() < 4 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xD8)
        return fail(error, QStringLiteral("JPEG error: not a JPEG image"));
    auto st = std::make_unique<DecodeState>();
    if (!runDecode(*st, bytes))
        return fail(error, st->failure);
    image = std::move(st->result);
    return true;
}

bool encode(const QImage& image, int quality, QByteArray& bytes, QString* error, bool grayscale)
{
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return fail(error, QStringLiteral("JPEG error: cannot compress an empty picture"));
    const QImage src = image.convertToFormat(grayscale ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
    auto st = std::make_unique<EncodeState>();
    const bool ok = runEncode(*st, src, q, grayscale);
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(st->buffer), qsizetype(st->size));
    std::free(st->buffer);
    return ok ? true : fail(error, jpegText(st->err.message));
}

} // namespace gfx::jpeg
