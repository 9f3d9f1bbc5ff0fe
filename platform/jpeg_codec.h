#pragma once

#include "platform/bitmap.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vistrel {

constexpr int kJpegQuality = 90;

// Decodes at full size with the accurate integer DCT into a 24-bit bitmap; greyscale and CMYK
// files are converted. Throws Error("Cannot read picture <path>: <reason>") for unreadable,
// truncated or oversized files (the size is checked before allocating pixels), and for
// progressive files with an absurd number of scans.
TBitmap ReadJpegFile(const std::string &path);
TBitmap ReadJpegMemory(const uint8_t *data, size_t size);

// Decodes at the smallest of libjpeg's scales 1/8, 2/8 ... 8/8 at which the larger side still
// reaches maxSide (the full size when no smaller one does): enough for a preview fitted into a
// maxSide square at a fraction of the work. The same checks and errors as ReadJpegFile.
struct ScaledJpeg {
    TBitmap Bitmap;
    int FullWidth = 0;
    int FullHeight = 0;
};
ScaledJpeg ReadJpegFileScaled(const std::string &path, int maxSide);

// The least width and height a shrunk decode must keep, given the picture's full size.
struct DecodeSize {
    int Width = 0;
    int Height = 0;
};
using LeastDecodeSize = std::function<DecodeSize(DecodeSize full)>;

// Decodes at the smallest of libjpeg's scales 1/8 ... 8/8 that keeps leastSize(full size) on both
// sides (the full size when no smaller one does), with the same upsampling as ReadJpegFile, so
// that 8/8 gives its bytes. At 1/8 the DC coefficients alone are decoded (ReadJpegEighth) where
// the file allows: libjpeg's bytes without subsampled chroma, close ones with it. The same checks
// and errors as ReadJpegFile.
ScaledJpeg ReadJpegFileShrunk(const std::string &path, const LeastDecodeSize &leastSize);

// Decodes like ReadJpegFile but hands the picture over a strip of rows at a time, top to bottom,
// so that work needing only a few rows at once never holds the full-size picture: started(width,
// height) first, then strip(rows, firstRow) with 24-bit strips of stripRows rows (the last one
// may have fewer), which strip may change. The same checks and errors as ReadJpegFile. Given leastSize, the picture is
// shrunk as by ReadJpegFileShrunk, and started gets the shrunk size.
using JpegStarted = std::function<void(int width, int height)>;
using JpegStrip = std::function<void(TBitmap &rows, int firstRow)>;
void ReadJpegFileStrips(const std::string &path, int stripRows, const JpegStarted &started, const JpegStrip &strip,
                        const LeastDecodeSize &leastSize = {});

// Baseline, 3-component colour, encoder defaults, the given quality. 24- and 32-bit bitmaps are
// encoded from their rows directly, indexed ones through a 24-bit copy. Writes through SafeFile:
// a failure throws Error("Unable to write to <path>: <reason>") and leaves the old file as it was.
void WriteJpegFile(const TBitmap &bitmap, const std::string &path, int quality = kJpegQuality);
std::vector<uint8_t> WriteJpegMemory(const TBitmap &bitmap, int quality = kJpegQuality);

// Encodes a picture handed over a strip of 24-bit rows at a time, top to bottom, into the same
// bytes as WriteJpegFile, holding only a strip's worth of output. Nothing replaces the file
// unless Finish() is reached after the last row; failures throw as for WriteJpegFile.
class JpegStripWriter {
public:
    JpegStripWriter(const std::string &path, int width, int height, int quality = kJpegQuality);
    ~JpegStripWriter();
    JpegStripWriter(const JpegStripWriter &) = delete;
    JpegStripWriter &operator=(const JpegStripWriter &) = delete;

    void Write(const TBitmap &rows);
    void Finish();

private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
};

} // namespace vistrel
