#pragma once

#include "platform/bitmap.h"

#include <array>

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

// Fills destination (whose width and height the caller sets) with source scaled to that size.
// Converts source to 24 bits and gives destination that format. Throws Error("Source bitmap too
// small") when source is empty.
void ResampleStretch(TBitmap &source, TBitmap &destination, KernelFunction kernel, float support);

} // namespace vistrel
