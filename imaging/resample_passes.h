#pragma once

#include "imaging/resample.h"
#include "imaging/side_by_side.h"

namespace vistrel {

// The two passes of ResampleStretch. Each output byte is the sum, in list order, of weight × byte
// over its contributor list, every addition rounded to a float; clamped and rounded to a byte.
//
// PassKernels::Widest uses the processor's widest vectors where there are any, PassKernels::Portable
// plain scalar code; both give the same bytes (the portable kernels exist for processors without the
// wide ones, and as the yardstick the wide ones are checked against).
enum class PassKernels { Widest, Portable };

// Resamples every row of source (24 bits) into work, whose width is columns.count(): source row y
// into work row firstWorkRow + y. A big pass runs in two bands, the second on worker's thread, or
// on a thread of its own without one.
void HorizontalPass(const TBitmap &source, const ContributorLists &columns, TBitmap &work,
                    PassKernels kernels = PassKernels::Widest, int firstWorkRow = 0,
                    SideBySideWorker *worker = nullptr);

// Resamples every column of work into destination (both 24 bits, destination's height being
// rows.count() and its width work's).
void VerticalPass(const TBitmap &work, const ContributorLists &rows, TBitmap &destination,
                  PassKernels kernels = PassKernels::Widest, SideBySideWorker *worker = nullptr);

} // namespace vistrel
