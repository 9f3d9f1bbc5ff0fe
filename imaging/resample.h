#pragma once

#include "imaging/side_by_side.h"
#include "platform/bitmap.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vistrel {

using KernelFunction = float (*)(float);

struct FilterEntry {
    const char *Name;
    KernelFunction Kernel;
    float Support;
    const char *ComboItem; // the text the icon converter's filter box shows
};

float BoxKernel(float x);
float TriangleKernel(float x);
float HermiteKernel(float x);
float BellKernel(float x);
float BSplineKernel(float x);
float Lanczos3Kernel(float x);
float MitchellKernel(float x);

extern const std::array<FilterEntry, 7> FilterTable;

// One source pixel of a destination column or row and its weight.
struct Contributor {
    int32_t Pixel; // always inside the source
    float Weight;
};

// The contributor lists of one pass, list i being Entries[Start[i]] .. Entries[Start[i + 1] - 1].
struct ContributorLists {
    int32_t Capacity = 0; // the room each list is given: trunc(2 · effective support + 1)
    std::vector<Contributor> Entries;
    std::vector<size_t> Start;

    size_t count() const { return Start.empty() ? 0 : Start.size() - 1; }
    const Contributor *begin(size_t i) const { return Entries.data() + Start[i]; }
    const Contributor *end(size_t i) const { return Entries.data() + Start[i + 1]; }
};

// Lists for scaling sourceSize pixels (at least 1) to destinationSize pixels along one axis.
ContributorLists BuildContributors(int sourceSize, int destinationSize, KernelFunction kernel,
                                   float support);

// Fills destination (whose width and height the caller sets) with source scaled to that size.
// Converts source to 24 bits and gives destination that format. Throws Error("Source bitmap too
// small") when source is empty, leaving destination untouched. A destination of no columns or no
// rows only takes the format; one of a single column (row) holds the filtered centre of the
// source's rows (columns).
void ResampleStretch(TBitmap &source, TBitmap &destination, KernelFunction kernel, float support);

// ResampleStretch for a picture that arrives a strip of rows at a time, top to bottom (from a
// decoder): only the rows resampled across are held, never the full-size picture. Gives the
// same bytes. A picture stored under an EXIF orientation gives the bytes of resampling it turned
// upright; one stored with its rows as columns (5–8) is held whole, at the size it arrives in.
class StripResampler {
public:
    // sourceWidth × sourceHeight is the size as stored, width × height the upright result's.
    // Throws Error("Source bitmap too small") when the source is empty.
    StripResampler(int sourceWidth, int sourceHeight, int width, int height, KernelFunction kernel, float support,
                   int orientation = 1);
    // Takes source rows firstRow .. firstRow + strip.height() − 1, 24 bits, sourceWidth wide.
    void Take(const TBitmap &strip, int firstRow);
    // Once every row was taken: destination gets the size, 24 bits and the resampled picture.
    void Finish(TBitmap &destination);

private:
    int width_, height_;
    int orientation_;
    KernelFunction kernel_;
    float support_;
    ContributorLists columns_, rows_;
    TBitmap work_;
    TBitmap upright_; // the turned picture, when its rows arrive as columns
    SideBySideWorker worker_;
};

} // namespace vistrel
