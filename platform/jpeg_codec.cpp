#include "platform/jpeg_codec.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/jpeg_eighth.h"
#include "platform/safe_file.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

// libjpeg reports errors through callbacks that must not return, so they longjmp back to the
// setjmp of `guarded`. Every frame between that setjmp and libjpeg (the step lambdas below)
// holds only trivially destructible objects: nothing is skipped when the jump unwinds them.
// C++ objects (the bitmap, buffers) live in the callers of `guarded`.

namespace vistrel {

namespace {

// Legitimate progressive files have about ten scans; hostile ones with thousands make the
// decoder walk the whole image again for each.
constexpr int kMaxScans = 1000;
constexpr size_t kSourceBufferSize = 64 * 1024;
constexpr size_t kFirstOutputSize = 64 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub; // first, so libjpeg's err pointer converts back
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

ErrorManager &errorsOf(j_common_ptr cinfo)
{
    return *reinterpret_cast<ErrorManager *>(cinfo->err);
}

[[noreturn]] void failWith(j_common_ptr cinfo, const char *text)
{
    ErrorManager &errors = errorsOf(cinfo);
    std::snprintf(errors.message, sizeof errors.message, "%s", text);
    std::longjmp(errors.jump, 1);
}

[[noreturn]] void exitOnError(j_common_ptr cinfo)
{
    ErrorManager &errors = errorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, errors.message);
    std::longjmp(errors.jump, 1);
}

// Warnings about corrupt data are tolerated as libjpeg recovers from them, except running out
// of data: a truncated file would otherwise open with its missing part painted grey.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        failWith(cinfo, "the file is truncated");
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void limitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor
        && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        failWith(cinfo, "too many progressive scans (the file is damaged or hostile)");
}

jpeg_error_mgr *installErrorManager(ErrorManager &errors)
{
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = exitOnError;
    errors.pub.emit_message = emitMessage;
    errors.message[0] = '\0';
    return &errors.pub;
}

template <typename Step>
bool guarded(ErrorManager &errors, const Step &step)
{
    if (setjmp(errors.jump))
        return false;
    step();
    return true;
}

void require(bool succeeded, const ErrorManager &errors)
{
    if (!succeeded)
        throw Error(errors.message);
}

class Decompressor {
public:
    Decompressor()
    {
        cinfo.err = installErrorManager(errors);
        progress.progress_monitor = limitScans;
        require(guarded(errors, [this] { jpeg_create_decompress(&cinfo); }), errors);
        cinfo.progress = &progress;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor &) = delete;
    Decompressor &operator=(const Decompressor &) = delete;

    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};

private:
    jpeg_progress_mgr progress{};
};

class Compressor {
public:
    Compressor()
    {
        cinfo.err = installErrorManager(errors);
        require(guarded(errors, [this] { jpeg_create_compress(&cinfo); }), errors);
    }
    ~Compressor() { jpeg_destroy_compress(&cinfo); }
    Compressor(const Compressor &) = delete;
    Compressor &operator=(const Compressor &) = delete;

    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
};

// Source manager reading a file in blocks; at its end libjpeg's usual fake EOI plus the
// premature-end warning, which emitMessage turns into an error.
struct FileSource {
    jpeg_source_mgr pub; // first, so cinfo->src converts back
    InputFile *file;
    JOCTET *buffer;
    bool readFailed;
};

boolean fillFromFile(j_decompress_ptr cinfo)
{
    static const JOCTET fakeEnd[2] = {0xFF, JPEG_EOI};
    FileSource &source = *reinterpret_cast<FileSource *>(cinfo->src);
    size_t got = 0;
    try {
        got = source.file->readSome(source.buffer, kSourceBufferSize);
    } catch (const Error &) {
        source.readFailed = true;
    }
    if (source.readFailed)
        failWith(reinterpret_cast<j_common_ptr>(cinfo), "the file could not be read");
    if (got == 0) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source.pub.next_input_byte = fakeEnd;
        source.pub.bytes_in_buffer = 2;
        return TRUE;
    }
    source.pub.next_input_byte = source.buffer;
    source.pub.bytes_in_buffer = got;
    return TRUE;
}

void skipInFile(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr &source = *cinfo->src;
    while (count > static_cast<long>(source.bytes_in_buffer)) {
        count -= static_cast<long>(source.bytes_in_buffer);
        source.bytes_in_buffer = 0;
        (*source.fill_input_buffer)(cinfo);
    }
    if (count > 0) {
        source.next_input_byte += count;
        source.bytes_in_buffer -= static_cast<size_t>(count);
    }
}

void noOperation(j_decompress_ptr) {}

void attachFileSource(Decompressor &d, FileSource &source, InputFile &file, std::vector<JOCTET> &buffer)
{
    buffer.resize(kSourceBufferSize);
    source = FileSource{};
    source.pub.init_source = noOperation;
    source.pub.fill_input_buffer = fillFromFile;
    source.pub.skip_input_data = skipInFile;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = noOperation;
    source.file = &file;
    source.buffer = buffer.data();
    d.cinfo.src = &source.pub;
}

// Destination manager growing a std::vector; a failed allocation becomes a libjpeg error.
struct VectorDestination {
    jpeg_destination_mgr pub; // first, so cinfo->dest converts back
    std::vector<uint8_t> *bytes;
};

void startVector(j_compress_ptr cinfo)
{
    VectorDestination &dest = *reinterpret_cast<VectorDestination *>(cinfo->dest);
    dest.pub.next_output_byte = dest.bytes->data();
    dest.pub.free_in_buffer = dest.bytes->size();
}

boolean growVector(j_compress_ptr cinfo)
{
    VectorDestination &dest = *reinterpret_cast<VectorDestination *>(cinfo->dest);
    const size_t used = dest.bytes->size();
    bool grown = true;
    try {
        dest.bytes->resize(used * 2);
    } catch (const std::bad_alloc &) {
        grown = false;
    }
    if (!grown)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest.pub.next_output_byte = dest.bytes->data() + used;
    dest.pub.free_in_buffer = dest.bytes->size() - used;
    return TRUE;
}

void finishVector(j_compress_ptr cinfo)
{
    VectorDestination &dest = *reinterpret_cast<VectorDestination *>(cinfo->dest);
    dest.bytes->resize(dest.bytes->size() - dest.pub.free_in_buffer);
}

bool isCmyk(J_COLOR_SPACE space)
{
    return space == JCS_CMYK || space == JCS_YCCK;
}

void chooseOutputFormat(jpeg_decompress_struct &cinfo)
{
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        throw Error("unsupported JPEG colour space (" + std::to_string(cinfo.num_components) + " components)");
    }
    cinfo.dct_method = JDCT_ISLOW;
}

// Adobe applications store CMYK inverted (255 means no ink); files without the Adobe marker
// hold plain ink amounts.
void cmykRowToBgr(const JSAMPLE *cmyk, uint8_t *bgr, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const int flip = inverted ? 0 : 255;
        const int c = cmyk[0] ^ flip, m = cmyk[1] ^ flip, y = cmyk[2] ^ flip, k = cmyk[3] ^ flip;
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// The first touch of a fresh picture's pages costs the kernel about as much as a third of the
// decoding. A second thread clears the rows (padding included) while libjpeg decodes, always
// some rows ahead of it, so that cost no longer adds to the time of opening a large picture.
class RowClearer {
public:
    explicit RowClearer(TBitmap &bitmap) : bitmap_(bitmap)
    {
        constexpr size_t kClearInParallelFrom = size_t{4} << 20;
        if (bitmap.bytesPerLine() * static_cast<size_t>(bitmap.height()) >= kClearInParallelFrom) {
            try {
                thread_ = std::thread([this] { clearRows(); });
                return;
            } catch (const std::system_error &) {
                // No thread to spare: clear here instead.
            }
        }
        clearRows();
    }
    ~RowClearer()
    {
        stop_.store(true, std::memory_order_relaxed);
        if (thread_.joinable())
            thread_.join();
    }
    RowClearer(const RowClearer &) = delete;
    RowClearer &operator=(const RowClearer &) = delete;

    void waitForRow(int y) const
    {
        while (cleared_.load(std::memory_order_acquire) <= y)
            std::this_thread::yield();
    }

private:
    void clearRows()
    {
        constexpr int kRowsAtOnce = 16;
        const int height = bitmap_.height();
        for (int y = 0; y < height && !stop_.load(std::memory_order_relaxed); y += kRowsAtOnce) {
            const int rows = std::min(kRowsAtOnce, height - y);
            std::memset(bitmap_.scanLine(y), 0, bitmap_.bytesPerLine() * static_cast<size_t>(rows));
            cleared_.store(y + rows, std::memory_order_release);
        }
    }

    TBitmap &bitmap_;
    std::atomic<int> cleared_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Reads the next row into bgr, through cmykRow when the file is CMYK.
void readRow(jpeg_decompress_struct &cinfo, uint8_t *bgr, JSAMPLE *cmykRow)
{
    JSAMPROW row = cmykRow ? cmykRow : bgr;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmykRow)
        cmykRowToBgr(cmykRow, bgr, cinfo.output_width, cinfo.saw_Adobe_marker);
}

void decodeRows(jpeg_decompress_struct &cinfo, TBitmap &bitmap, const RowClearer &clearer, JSAMPLE *cmykRow)
{
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        clearer.waitForRow(y);
        readRow(cinfo, bitmap.scanLine(y), cmykRow);
    }
    jpeg_finish_decompress(&cinfo);
}

// Fills strip after strip and hands each over; `last` takes the rows that do not fill a strip.
// Both are made beforehand: libjpeg's errors jump out of here past any destructor.
void decodeStrips(jpeg_decompress_struct &cinfo, TBitmap &strip, TBitmap &last, JSAMPLE *cmykRow,
                  const JpegStrip &visit)
{
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int first = static_cast<int>(cinfo.output_scanline);
        TBitmap &rows = static_cast<int>(cinfo.output_height) - first < strip.height() ? last : strip;
        for (int r = 0; r < rows.height(); ++r)
            readRow(cinfo, rows.scanLine(r), cmykRow);
        visit(rows, first);
    }
    jpeg_finish_decompress(&cinfo);
}

// Picks the smallest of libjpeg's scales n/8 whose output size is enough(width, height); the
// full size when none smaller is. Decoding at 1/8 skips most of the inverse DCT's work.
template <typename Enough>
void chooseScale(jpeg_decompress_struct &cinfo, const Enough &enough)
{
    for (unsigned int eighths = 1; eighths <= 8; ++eighths) {
        cinfo.scale_num = eighths;
        cinfo.scale_denom = 8;
        jpeg_calc_output_dimensions(&cinfo);
        if (enough(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height)))
            return;
    }
}

// How far a decode may shrink the picture: a square its larger side must cover (a preview), or
// the least size both sides must keep. Neither given: full size.
struct Shrink {
    int MaxSide = 0;
    LeastDecodeSize Least;
};

// Reads the header and sets the output's format and scale up.
void prepareOutput(Decompressor &d, const Shrink &shrink = {})
{
    jpeg_decompress_struct &cinfo = d.cinfo;
    require(guarded(d.errors, [&cinfo] { jpeg_read_header(&cinfo, TRUE); }), d.errors);
    TBitmap::checkSize(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height));
    chooseOutputFormat(cinfo);
    if (shrink.MaxSide > 0) {
        // A preview gains nothing from smooth chroma upsampling, and it costs time.
        cinfo.do_fancy_upsampling = FALSE;
        const int maxSide = shrink.MaxSide;
        require(guarded(d.errors, [&] { chooseScale(cinfo, [maxSide](int w, int h) { return std::max(w, h) >= maxSide; }); }),
                d.errors);
    } else if (shrink.Least) {
        const DecodeSize least =
            shrink.Least({static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height)});
        require(guarded(d.errors,
                        [&] {
                            chooseScale(cinfo, [least](int w, int h) { return w >= least.Width && h >= least.Height; });
                        }),
                d.errors);
    } else {
        require(guarded(d.errors, [&cinfo] { jpeg_calc_output_dimensions(&cinfo); }), d.errors);
    }
}

std::vector<JSAMPLE> cmykRowFor(const jpeg_decompress_struct &cinfo)
{
    return std::vector<JSAMPLE>(isCmyk(cinfo.jpeg_color_space) ? size_t{4} * cinfo.output_width : 0);
}

TBitmap decode(Decompressor &d, const Shrink &shrink = {})
{
    prepareOutput(d, shrink);
    jpeg_decompress_struct &cinfo = d.cinfo;
    const int width = static_cast<int>(cinfo.output_width), height = static_cast<int>(cinfo.output_height);
    TBitmap bitmap = TBitmap::Uncleared(width, height, PixelFormat::pf24bit);
    std::vector<JSAMPLE> cmykRow = cmykRowFor(cinfo);
    JSAMPLE *cmyk = cmykRow.empty() ? nullptr : cmykRow.data();
    {
        const RowClearer clearer(bitmap);
        require(guarded(d.errors, [&] { decodeRows(cinfo, bitmap, clearer, cmyk); }), d.errors);
    }
    return bitmap;
}

void decodeInStrips(Decompressor &d, int stripRows, const JpegStarted &started, const JpegStrip &visit,
                    const LeastDecodeSize &leastSize)
{
    prepareOutput(d, {0, leastSize});
    jpeg_decompress_struct &cinfo = d.cinfo;
    const int width = static_cast<int>(cinfo.output_width), height = static_cast<int>(cinfo.output_height);
    started(width, height);
    const int rows = std::clamp(stripRows, 1, height);
    TBitmap strip = TBitmap::Uncleared(width, rows, PixelFormat::pf24bit);
    TBitmap last = height % rows ? TBitmap::Uncleared(width, height % rows, PixelFormat::pf24bit) : TBitmap();
    std::vector<JSAMPLE> cmykRow = cmykRowFor(cinfo);
    JSAMPLE *cmyk = cmykRow.empty() ? nullptr : cmykRow.data();
    require(guarded(d.errors, [&] { decodeStrips(cinfo, strip, last, cmyk, visit); }), d.errors);
}

void startCompress(jpeg_compress_struct &cinfo, int width, int height, bool withAlpha, int quality)
{
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = withAlpha ? 4 : 3;
    cinfo.in_color_space = withAlpha ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
}

void writeRows(jpeg_compress_struct &cinfo, const TBitmap &rows)
{
    for (int y = 0; y < rows.height(); ++y) {
        // libjpeg takes non-const rows but only reads them.
        JSAMPROW row = const_cast<JSAMPROW>(rows.scanLine(y));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
}

void encodeRows(jpeg_compress_struct &cinfo, const TBitmap &bitmap, int quality)
{
    startCompress(cinfo, bitmap.width(), bitmap.height(), bitmap.pixelFormat() == PixelFormat::pf32bit, quality);
    writeRows(cinfo, bitmap);
    jpeg_finish_compress(&cinfo);
}

std::vector<uint8_t> encode(const TBitmap &bitmap, int quality)
{
    if (bitmap.empty())
        throw Error("the picture is empty");
    const bool direct = bitmap.pixelFormat() == PixelFormat::pf24bit || bitmap.pixelFormat() == PixelFormat::pf32bit;
    TBitmap converted;
    if (!direct) {
        converted = bitmap;
        converted.setPixelFormat(PixelFormat::pf24bit);
    }
    const TBitmap &source = direct ? bitmap : converted;

    Compressor c;
    std::vector<uint8_t> bytes(kFirstOutputSize);
    VectorDestination dest{};
    dest.pub.init_destination = startVector;
    dest.pub.empty_output_buffer = growVector;
    dest.pub.term_destination = finishVector;
    dest.bytes = &bytes;
    c.cinfo.dest = &dest.pub;
    jpeg_compress_struct &cinfo = c.cinfo;
    require(guarded(c.errors, [&] { encodeRows(cinfo, source, quality); }), c.errors);
    return bytes;
}

// Runs decodeWith(decompressor) on the file, its errors naming the file.
template <typename Decode>
auto decodeFile(const std::string &path, const Decode &decodeWith) -> decltype(decodeWith(std::declval<Decompressor &>()))
{
    return ReadNamedPicture(path, [&] {
        InputFile file(path);
        Decompressor d;
        FileSource source;
        std::vector<JOCTET> buffer;
        attachFileSource(d, source, file, buffer);
        return decodeWith(d);
    });
}

ScaledJpeg decodeShrunk(const std::string &path, const Shrink &shrink)
{
    return decodeFile(path, [&shrink](Decompressor &d) {
        ScaledJpeg result;
        result.Bitmap = decode(d, shrink);
        result.FullWidth = static_cast<int>(d.cinfo.image_width);
        result.FullHeight = static_cast<int>(d.cinfo.image_height);
        return result;
    });
}

// An eighth of the full size, decoded from the DC coefficients alone, when that keeps leastSize
// (as chooseScale would find at 1/8) and the file is one that decoder handles.
std::optional<EighthJpeg> eighthKeeping(const std::string &path, const LeastDecodeSize &leastSize)
{
    return ReadJpegEighth(path, [&leastSize](int width, int height) {
        const DecodeSize least = leastSize({width, height});
        return (width + 7) / 8 >= least.Width && (height + 7) / 8 >= least.Height;
    });
}

// Hands a decoded picture over as ReadJpegFileStrips would.
void handInStrips(const TBitmap &picture, int stripRows, const JpegStarted &started, const JpegStrip &visit)
{
    const int height = picture.height();
    started(picture.width(), height);
    const int rows = std::clamp(stripRows, 1, height);
    for (int first = 0; first < height; first += rows) {
        TBitmap strip = TBitmap::Uncleared(picture.width(), std::min(rows, height - first), PixelFormat::pf24bit);
        for (int r = 0; r < strip.height(); ++r)
            std::memcpy(strip.scanLine(r), picture.scanLine(first + r), static_cast<size_t>(picture.width()) * 3);
        visit(strip, first);
    }
}

} // namespace

TBitmap ReadJpegFile(const std::string &path)
{
    return decodeFile(path, [](Decompressor &d) { return decode(d); });
}

void ReadJpegFileStrips(const std::string &path, int stripRows, const JpegStarted &started, const JpegStrip &strip,
                        const LeastDecodeSize &leastSize)
{
    if (leastSize)
        if (const std::optional<EighthJpeg> eighth = eighthKeeping(path, leastSize))
            return handInStrips(eighth->Bitmap, stripRows, started, strip);
    decodeFile(path, [&](Decompressor &d) { decodeInStrips(d, stripRows, started, strip, leastSize); });
}

ScaledJpeg ReadJpegFileScaled(const std::string &path, int maxSide)
{
    return decodeShrunk(path, {std::max(1, maxSide), {}});
}

ScaledJpeg ReadJpegFileShrunk(const std::string &path, const LeastDecodeSize &leastSize)
{
    if (std::optional<EighthJpeg> eighth = eighthKeeping(path, leastSize))
        return {std::move(eighth->Bitmap), eighth->FullWidth, eighth->FullHeight};
    return decodeShrunk(path, {0, leastSize});
}

struct JpegStripWriter::Encoder {
    Compressor compressor;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kFirstOutputSize);
    VectorDestination destination{};
    SafeFile file;
    std::string path;

    explicit Encoder(const std::string &target) : file(target), path(target)
    {
        destination.pub.init_destination = startVector;
        destination.pub.empty_output_buffer = growVector;
        destination.pub.term_destination = finishVector;
        destination.bytes = &bytes;
        compressor.cinfo.dest = &destination.pub;
    }

    template <typename Step>
    void run(const Step &step)
    {
        if (!guarded(compressor.errors, step))
            throw WriteError(path, compressor.errors.message);
    }

    // Moves what libjpeg has written so far into the file; bytes is then free again.
    void drain()
    {
        file.write(bytes.data(), bytes.size() - destination.pub.free_in_buffer);
        destination.pub.next_output_byte = bytes.data();
        destination.pub.free_in_buffer = bytes.size();
    }
};

JpegStripWriter::JpegStripWriter(const std::string &path, int width, int height, int quality)
    : encoder_(std::make_unique<Encoder>(path))
{
    jpeg_compress_struct &cinfo = encoder_->compressor.cinfo;
    encoder_->run([&] { startCompress(cinfo, width, height, false, quality); });
}

JpegStripWriter::~JpegStripWriter() = default;

void JpegStripWriter::Write(const TBitmap &rows)
{
    jpeg_compress_struct &cinfo = encoder_->compressor.cinfo;
    encoder_->run([&] { writeRows(cinfo, rows); });
    encoder_->drain();
}

void JpegStripWriter::Finish()
{
    jpeg_compress_struct &cinfo = encoder_->compressor.cinfo;
    encoder_->run([&cinfo] { jpeg_finish_compress(&cinfo); });
    encoder_->file.write(encoder_->bytes.data(), encoder_->bytes.size());
    encoder_->file.commit();
}

TBitmap ReadJpegMemory(const uint8_t *data, size_t size)
{
    return ReadNamedPicture({}, [data, size] {
        Decompressor d;
        jpeg_decompress_struct &cinfo = d.cinfo;
        require(guarded(d.errors, [&] { jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size)); }), d.errors);
        return decode(d);
    });
}

std::vector<uint8_t> WriteJpegMemory(const TBitmap &bitmap, int quality)
{
    return encode(bitmap, quality);
}

void WriteJpegFile(const TBitmap &bitmap, const std::string &path, int quality)
{
    std::vector<uint8_t> bytes;
    try {
        bytes = encode(bitmap, quality);
    } catch (const Error &e) {
        throw WriteError(path, e.what());
    }
    WriteFileSafely(path, bytes.data(), bytes.size());
}

} // namespace vistrel
