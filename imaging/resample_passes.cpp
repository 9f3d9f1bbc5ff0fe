#include "imaging/resample_passes.h"
#include "imaging/wide_vectors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

// Arithmetic note: every sum is computed as fma(weight, byte, sum), a float fused multiply-add: the
// product is exact and the sum is rounded to a float once per addition, as in extended precision.
// Every kernel here keeps exactly that sequence for every output byte; the wide kernels only
// compute many output bytes side by side, never split or reorder one byte's sum. The file is built
// without contraction, so that no other expression turns into a fused one by accident.

namespace vistrel {

namespace {

float AddWeighted(float sum, float weight, float value)
{
    return std::fma(weight, value, sum);
}

uint8_t ToByte(float sum)
{
    const float clamped = std::min(std::max(sum, 0.0f), 255.0f);
    // Adding and removing 2^23 rounds to an integer, halves to even, in the default rounding mode.
    constexpr float kRoundingShift = 8388608.0f;
    return static_cast<uint8_t>(static_cast<int>((clamped + kRoundingShift) - kRoundingShift));
}

bool UseWideKernels(PassKernels kernels)
{
#ifdef VISTREL_AVX2_KERNELS
    return kernels == PassKernels::Widest && ProcessorHasAvx2Fma();
#else
    (void)kernels;
    return false;
#endif
}

// A pass's output lines 0 .. Count − 1 in one band or in two, the second on a helper thread,
// meeting at line Middle.
struct Bands {
    int Count, Middle;
    bool two() const { return Middle < Count; }
};

// Two bands when `operations` multiply-adds pay for starting a thread. They meet at a multiple
// of `granule`.
Bands SplitIntoBands(int count, int granule, double operations)
{
    constexpr double kOperationsForASecondThread = 2e6;
    const int middle = (count / 2 + granule - 1) / granule * granule;
    const bool two = operations >= kOperationsForASecondThread && middle > 0 && middle < count
        && std::thread::hardware_concurrency() > 1;
    return {count, two ? middle : count};
}

// work(band, first, last) for each band.
template <typename Work>
void RunBands(const Bands &bands, const Work &work, SideBySideWorker *worker)
{
    if (!bands.two()) {
        work(0, 0, bands.Count);
        return;
    }
    const auto first = [&] { work(0, 0, bands.Middle); };
    const auto second = [&] { work(1, bands.Middle, bands.Count); };
    if (worker)
        worker->Run(first, second);
    else
        RunSideBySide(first, second);
}

// The horizontal pass takes the source in blocks of 16 rows whose channels are interleaved per
// source pixel, as floats: one contributor then adds to the 48 sums of an output column of the
// block with contiguous loads, and those sums stay in registers over the whole list. A block
// holds only the source pixels that a run of output columns (a chunk) reads, so that it stays in
// the processor's second-level cache however wide the picture; in narrow pictures it spans at
// most a quarter of the width.
// In the last block, the lanes of rows beyond the source's hold leftovers that are never written out.
constexpr int kBlockRows = 16;
constexpr int kBlockLanes = kBlockRows * 3;
constexpr int32_t kMostChunkPixels = 512, kLeastChunkPixels = 64;

// Output columns First .. End − 1, whose contributors all lie in source pixels FirstPixel .. EndPixel − 1.
struct ColumnChunk {
    size_t First, End;
    int32_t FirstPixel, EndPixel;
};

// Chunks of consecutive columns spanning at most chunkPixels source pixels each, unless a single
// column's list reaches further.
std::vector<ColumnChunk> ChunkColumns(const ContributorLists &columns, int sourceWidth)
{
    const int32_t chunkPixels = std::clamp(sourceWidth / 4, kLeastChunkPixels, kMostChunkPixels);
    std::vector<ColumnChunk> chunks;
    for (size_t i = 0; i < columns.count(); ++i) {
        ColumnChunk column{i, i + 1, INT32_MAX, INT32_MIN}; // an empty list reads no pixel
        for (const Contributor *c = columns.begin(i); c != columns.end(i); ++c) {
            column.FirstPixel = std::min(column.FirstPixel, c->Pixel);
            column.EndPixel = std::max(column.EndPixel, c->Pixel + 1);
        }
        if (!chunks.empty()) {
            ColumnChunk &last = chunks.back();
            const int32_t first = std::min(last.FirstPixel, column.FirstPixel);
            const int32_t end = std::max(last.EndPixel, column.EndPixel);
            if (static_cast<int64_t>(end) - first <= chunkPixels) {
                last = {last.First, i + 1, first, end};
                continue;
            }
        }
        chunks.push_back(column);
    }
    for (ColumnChunk &chunk : chunks)
        if (chunk.EndPixel < chunk.FirstPixel)
            chunk.FirstPixel = chunk.EndPixel = 0;
    return chunks;
}

void InterleaveRowsPortable(const TBitmap &source, int firstRow, int rows, const ColumnChunk &chunk, float *block)
{
    for (int r = 0; r < rows; ++r) {
        const uint8_t *row = source.scanLine(firstRow + r) + static_cast<size_t>(chunk.FirstPixel) * 3;
        float *lane = block + r * 3;
        for (int32_t n = chunk.FirstPixel; n < chunk.EndPixel; ++n, lane += kBlockLanes, row += 3) {
            lane[0] = row[0];
            lane[1] = row[1];
            lane[2] = row[2];
        }
    }
}

// out[r] is the work row that receives the block's row r.
void HorizontalBlockPortable(const float *block, const ContributorLists &columns, const ColumnChunk &chunk,
                             uint8_t *const *out, int rows)
{
    for (size_t i = chunk.First; i < chunk.End; ++i) {
        float sums[kBlockLanes] = {};
        for (const Contributor *c = columns.begin(i); c != columns.end(i); ++c) {
            const float *values = block + static_cast<size_t>(c->Pixel - chunk.FirstPixel) * kBlockLanes;
            for (int q = 0; q < kBlockLanes; ++q)
                sums[q] = AddWeighted(sums[q], c->Weight, values[q]);
        }
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 3; ++c)
                out[r][i * 3 + c] = ToByte(sums[r * 3 + c]);
    }
}

// The vertical pass takes each output row in stretches of this many bytes, their sums in registers
// over the whole list.
constexpr int kStretchBytes = 64;

// work: the first byte of work row 0; stride: the distance between work rows.
void VerticalRowPortable(const uint8_t *work, size_t stride, const ContributorLists &rows, size_t i, size_t rowBytes,
                         uint8_t *out, float *sums)
{
    std::fill(sums, sums + rowBytes, 0.0f);
    for (const Contributor *c = rows.begin(i); c != rows.end(i); ++c) {
        const uint8_t *values = work + static_cast<size_t>(c->Pixel) * stride;
        for (size_t x = 0; x < rowBytes; ++x)
            sums[x] = AddWeighted(sums[x], c->Weight, values[x]);
    }
    for (size_t x = 0; x < rowBytes; ++x)
        out[x] = ToByte(sums[x]);
}

#ifdef VISTREL_AVX2_KERNELS

// Fills the block pixel by pixel, so that its stores run in order, moving each pixel as four
// bytes into four floats: the fourth lands on the lane written next (the next row's blue, or the
// next pixel's first lane, for which the block has room). The picture's last pixel, whose fourth
// byte may lie beyond the bitmap, takes exact three-byte moves.
VISTREL_AVX2_FMA void InterleaveRowsWide(const TBitmap &source, int firstRow, int rows, const ColumnChunk &chunk,
                                         float *block)
{
    const uint8_t *from[kBlockRows];
    for (int r = 0; r < rows; ++r)
        from[r] = source.scanLine(firstRow + r);
    const int32_t wideEnd = std::min(chunk.EndPixel, source.width() - 1);
    float *lane = block;
    int32_t n = chunk.FirstPixel;
    for (; n < wideEnd; ++n, lane += kBlockLanes) {
        for (int r = 0; r < rows; ++r) {
            int32_t four;
            std::memcpy(&four, from[r] + static_cast<size_t>(n) * 3, sizeof four);
            _mm_storeu_ps(lane + r * 3, _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four))));
        }
    }
    for (; n < chunk.EndPixel; ++n, lane += kBlockLanes)
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < 3; ++c)
                lane[r * 3 + c] = from[r][static_cast<size_t>(n) * 3 + c];
}

// ToByte for 16 sums, the bytes in order.
VISTREL_AVX2_FMA inline __m128i ToBytes16(const __m256 *sums)
{
    __m128i ints[4];
    for (int k = 0; k < 2; ++k) {
        const __m256 clamped = _mm256_min_ps(_mm256_max_ps(sums[k], _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
        const __m256i rounded = _mm256_cvtps_epi32(clamped); // rounds halves to even, as ToByte
        ints[2 * k] = _mm256_castsi256_si128(rounded);
        ints[2 * k + 1] = _mm256_extracti128_si256(rounded, 1);
    }
    return _mm_packus_epi16(_mm_packs_epi32(ints[0], ints[1]), _mm_packs_epi32(ints[2], ints[3]));
}

VISTREL_AVX2_FMA void HorizontalBlockWide(const float *block, const ContributorLists &columns,
                                          const ColumnChunk &chunk, uint8_t *const *out, int rows)
{
    constexpr int kVectors = kBlockLanes / 8;
    for (size_t i = chunk.First; i < chunk.End; ++i) {
        __m256 sums[kVectors];
        for (__m256 &s : sums)
            s = _mm256_setzero_ps();
        for (const Contributor *c = columns.begin(i); c != columns.end(i); ++c) {
            const float *values = block + static_cast<size_t>(c->Pixel - chunk.FirstPixel) * kBlockLanes;
            const __m256 weight = _mm256_set1_ps(c->Weight);
            for (int q = 0; q < kVectors; ++q)
                sums[q] = _mm256_fmadd_ps(weight, _mm256_loadu_ps(values + 8 * q), sums[q]);
        }
        alignas(16) uint8_t bytes[kBlockLanes];
        for (int k = 0; k < kBlockLanes / 16; ++k)
            _mm_store_si128(reinterpret_cast<__m128i *>(bytes + 16 * k), ToBytes16(sums + 2 * k));
        for (int r = 0; r < rows; ++r)
            std::memcpy(out[r] + i * 3, bytes + r * 3, 3);
    }
}

// One stretch of kStretchBytes bytes of output row i; work and out point at the stretch's first
// byte in work row 0 and in the output row, stride is the distance between work rows.
VISTREL_AVX2_FMA void VerticalStretchWide(const uint8_t *work, size_t stride, const ContributorLists &rows,
                                          size_t i, uint8_t *out)
{
    constexpr int kVectors = kStretchBytes / 8;
    __m256 sums[kVectors];
    for (__m256 &s : sums)
        s = _mm256_setzero_ps();
    for (const Contributor *c = rows.begin(i); c != rows.end(i); ++c) {
        const uint8_t *values = work + static_cast<size_t>(c->Pixel) * stride;
        const __m256 weight = _mm256_set1_ps(c->Weight);
        for (int q = 0; q < kVectors; ++q) {
            const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(values + 8 * q));
            sums[q] = _mm256_fmadd_ps(weight, _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(eight)), sums[q]);
        }
    }
    for (int k = 0; k < kVectors / 2; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16 * k), ToBytes16(sums + 2 * k));
}

#endif

} // namespace

void HorizontalPass(const TBitmap &source, const ContributorLists &columns, TBitmap &work, PassKernels kernels,
                    int firstWorkRow, SideBySideWorker *worker)
{
    const std::vector<ColumnChunk> chunks = ChunkColumns(columns, source.width());
    int32_t blockPixels = 0;
    for (const ColumnChunk &chunk : chunks)
        blockPixels = std::max(blockPixels, chunk.EndPixel - chunk.FirstPixel);
    [[maybe_unused]] const bool wide = UseWideKernels(kernels);
    const Bands bands = SplitIntoBands(source.height(), kBlockRows,
                                       static_cast<double>(columns.Entries.size()) * source.height() * 3);
    const size_t blockSize = static_cast<size_t>(blockPixels) * kBlockLanes + 1; // + the last fourth lane
    std::vector<float> blocks(blockSize * (bands.two() ? 2 : 1));
    RunBands(bands, [&](int band, int first, int last) {
        float *block = blocks.data() + band * blockSize;
        uint8_t *out[kBlockRows];
        for (int firstRow = first; firstRow < last; firstRow += kBlockRows) {
            const int rows = std::min(kBlockRows, last - firstRow);
            for (int r = 0; r < rows; ++r)
                out[r] = work.scanLine(firstWorkRow + firstRow + r);
            for (const ColumnChunk &chunk : chunks) {
#ifdef VISTREL_AVX2_KERNELS
                if (wide) {
                    InterleaveRowsWide(source, firstRow, rows, chunk, block);
                    HorizontalBlockWide(block, columns, chunk, out, rows);
                    continue;
                }
#endif
                InterleaveRowsPortable(source, firstRow, rows, chunk, block);
                HorizontalBlockPortable(block, columns, chunk, out, rows);
            }
        }
    }, worker);
}

void VerticalPass(const TBitmap &work, const ContributorLists &rows, TBitmap &destination, PassKernels kernels,
                  SideBySideWorker *worker)
{
    const size_t stride = work.bytesPerLine();
    const size_t rowBytes = static_cast<size_t>(work.width()) * 3;
    [[maybe_unused]] const bool wide = UseWideKernels(kernels) && rowBytes >= kStretchBytes;
    const Bands bands = SplitIntoBands(destination.height(), 1, static_cast<double>(rows.Entries.size()) * rowBytes);
    std::vector<float> sums(wide ? 0 : rowBytes * (bands.two() ? 2 : 1));
    RunBands(bands, [&](int band, int first, int last) {
        float *bandSums = sums.data() + band * (sums.size() / (bands.two() ? 2 : 1));
        for (int i = first; i < last; ++i) {
            uint8_t *out = destination.scanLine(i);
#ifdef VISTREL_AVX2_KERNELS
            if (wide) {
                // A last stretch that would run past the row overlaps the one before it instead:
                // the bytes they share come out the same from either.
                for (size_t x = 0; x < rowBytes; x += kStretchBytes) {
                    const size_t at = std::min(x, rowBytes - kStretchBytes);
                    VerticalStretchWide(work.scanLine(0) + at, stride, rows, static_cast<size_t>(i), out + at);
                }
                continue;
            }
#endif
            VerticalRowPortable(work.scanLine(0), stride, rows, static_cast<size_t>(i), rowBytes, out, bandSums);
        }
    }, worker);
}

} // namespace vistrel
