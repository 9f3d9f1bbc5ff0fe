#include "platform/jpeg_eighth.h"

#include "platform/file_io.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

// The decoding follows the JPEG standard (ITU T.81) for sequential Huffman-coded files. An 8 × 8
// block scaled to one pixel keeps only its mean, which the DC coefficient holds: pixel =
// (DC · quantizer + 4) / 8 + 128, as an inverse DCT to size 1 computes it. The 63 AC coefficients
// must still be read past, as the code does not say where a block ends; a table of 12-bit
// prefixes gives, for most of them, the length of code and value bits together and how far the
// coefficient index moves, for one code or two, so that skipping them is a lookup and a shift.

namespace vistrel {

namespace {

// Anything this decoder does not handle, or damage: the caller hands the file to libjpeg.
struct Unhandled {};

[[noreturn]] void unhandled()
{
    throw Unhandled{};
}

constexpr size_t kChunk = 256 * 1024;
constexpr int kLookBits = 12;
constexpr int kLookSize = 1 << kLookBits;
constexpr int kBlockEnd = 64; // a coefficient index move that ends the block
constexpr int kMostSkipBits = kLookBits + 15; // a code in the table and the most value bits
constexpr int kMostDc = 2048 * 8; // beyond any 8-bit sample

class FileBytes {
public:
    explicit FileBytes(InputFile &file) : file_(file), buffer_(kChunk) {}

    // At least `count` bytes (≤ 16) at data(), unless the file ends first: the bytes there.
    size_t available(size_t count)
    {
        if (end_ - at_ < count)
            refill();
        return end_ - at_;
    }
    const uint8_t *data() const { return buffer_.data() + at_; }
    void advance(size_t count) { at_ += count; }

    uint8_t byte()
    {
        if (available(1) < 1)
            unhandled();
        return buffer_[at_++];
    }
    int word()
    {
        const int high = byte();
        return high << 8 | byte();
    }
    void skip(size_t count)
    {
        while (count > 0) {
            const size_t step = std::min(count, available(1));
            if (step == 0)
                unhandled();
            at_ += step;
            count -= step;
        }
    }

private:
    void refill()
    {
        std::memmove(buffer_.data(), buffer_.data() + at_, end_ - at_);
        end_ -= at_;
        at_ = 0;
        while (end_ < buffer_.size()) {
            const size_t got = file_.readSome(buffer_.data() + end_, buffer_.size() - end_);
            if (got == 0)
                break;
            end_ += got;
        }
    }

    InputFile &file_;
    std::vector<uint8_t> buffer_;
    size_t at_ = 0, end_ = 0;
};

// Skipping the AC coefficient codes the next 12 bits begin with: the first one alone and, where
// a second fits in the 12 bits too, both together. move is 0 for a code longer than 12 bits.
struct SkipEntry {
    uint8_t firstBits, firstMove; // code and value bits of the first, the move of the coefficient index
    uint8_t bits, move;           // of both
};

struct HuffmanTable {
    // By the next 12 bits: the length of the code they begin with (0: a longer code) and its symbol.
    std::array<uint8_t, kLookSize> length{}, symbol{};
    // By the next 12 bits, for skipping AC coefficients.
    std::array<SkipEntry, kLookSize> skip{};
    // Codes longer than 12 bits, the canonical way.
    std::array<int32_t, 17> maxCode{}, valueOffset{};
    std::array<uint8_t, 256> values{};
    int count = 0;
    bool defined = false;
};

void buildTable(HuffmanTable &table, const std::array<uint8_t, 17> &counts)
{
    table.length.fill(0);
    table.skip.fill({});
    int32_t code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
        table.valueOffset[length] = k - code;
        for (int i = 0; i < counts[length]; ++i, ++code, ++k) {
            if (code >= (1 << length))
                unhandled(); // more codes than the length allows
            if (length <= kLookBits) {
                const int first = code << (kLookBits - length), last = (code + 1) << (kLookBits - length);
                std::fill(table.length.begin() + first, table.length.begin() + last, static_cast<uint8_t>(length));
                std::fill(table.symbol.begin() + first, table.symbol.begin() + last, table.values[k]);
            }
        }
        table.maxCode[length] = counts[length] ? code - 1 : -1;
        code <<= 1;
    }
    // The bits and the move of the code at the start of `look`; 0 bits when it is too long.
    const auto single = [&table](int look) {
        const int length = table.length[look], run = table.symbol[look] >> 4, size = table.symbol[look] & 15;
        return std::pair{length ? length + size : 0, size ? run + 1 : run == 15 ? 16 : kBlockEnd};
    };
    for (int look = 0; look < kLookSize; ++look) {
        const auto [bits, move] = single(look);
        if (bits == 0)
            continue;
        SkipEntry &entry = table.skip[look];
        entry = {static_cast<uint8_t>(bits), static_cast<uint8_t>(move), static_cast<uint8_t>(bits),
                 static_cast<uint8_t>(move)};
        if (bits >= kLookBits || move == kBlockEnd)
            continue;
        const auto [secondBits, secondMove] = single((look << bits) & (kLookSize - 1));
        if (secondBits > 0 && bits + secondBits <= kLookBits) {
            entry.bits = static_cast<uint8_t>(bits + secondBits);
            entry.move = static_cast<uint8_t>(move + secondMove);
        }
    }
    table.defined = true;
}

// The entropy-coded bits, most significant first, with stuffed zero bytes removed. At a marker
// (or the file's end) zero bits are supplied; reading any of them means the data is damaged.
int decodeSymbol(class BitReader &in, const HuffmanTable &table);
int receive(BitReader &in, int size);

class BitReader {
public:
    explicit BitReader(FileBytes &source) : source_(source) {}

    // Reads past the 63 AC coefficients of a block. The bits stay in registers while the table
    // skips them; a code that does not fit the table takes the general way.
    void skipAcCoefficients(const HuffmanTable &table)
    {
        uint64_t acc = acc_;
        int bits = bits_;
        for (int k = 1; k < 64;) {
            if (bits < kMostSkipBits) {
                bits_ = bits;
                acc_ = acc;
                fill();
                acc = acc_;
                bits = bits_;
            }
            const SkipEntry entry = table.skip[acc >> (64 - kLookBits)];
            if (entry.move) {
                // The second code belongs to the next block when the first ends this one.
                const bool both = k + entry.firstMove < 64;
                const int taken = both ? entry.bits : entry.firstBits;
                acc <<= taken;
                bits -= taken;
                k += both ? entry.move : entry.firstMove;
                continue;
            }
            acc_ = acc;
            bits_ = bits;
            const int symbol = decodeSymbol(*this, table);
            const int run = symbol >> 4, size = symbol & 15;
            if (size == 0 && run != 15)
                return;
            receive(*this, size);
            k += size ? run + 1 : 16;
            acc = acc_;
            bits = bits_;
        }
        acc_ = acc;
        bits_ = bits;
    }

    void need(int count)
    {
        if (bits_ < count)
            fill();
    }
    uint32_t peek(int count) const { return static_cast<uint32_t>(acc_ >> (64 - count)); }
    void consume(int count)
    {
        acc_ <<= count;
        bits_ -= count;
    }
    bool overrun() const { return bits_ < padding_; }

    // The bits of a restart interval end at a byte boundary, followed by the marker RSTn.
    void restart(int n)
    {
        acc_ = 0;
        bits_ = padding_ = 0;
        atMarker_ = false;
        if (source_.byte() != 0xFF)
            unhandled();
        int marker = source_.byte();
        while (marker == 0xFF)
            marker = source_.byte();
        if (marker != 0xD0 + n)
            unhandled();
    }

private:
    void fill()
    {
        if (!atMarker_ && source_.available(8) >= 8 && fillEight())
            return;
        while (bits_ <= 56) {
            int byte = 0;
            if (!atMarker_) {
                const size_t have = source_.available(2);
                const uint8_t *p = source_.data();
                if (have >= 1 && p[0] != 0xFF) {
                    byte = p[0];
                    source_.advance(1);
                } else if (have >= 2 && p[1] == 0x00) {
                    byte = 0xFF;
                    source_.advance(2);
                } else {
                    atMarker_ = true;
                }
            }
            if (atMarker_)
                padding_ += 8;
            acc_ |= static_cast<uint64_t>(byte) << (56 - bits_);
            bits_ += 8;
        }
    }

    // Takes as many whole bytes as fit from the next eight at once, unless one of them is 0xFF.
    bool fillEight()
    {
        uint64_t word;
        std::memcpy(&word, source_.data(), sizeof word);
        const uint64_t inverted = ~word; // a 0xFF byte becomes a zero byte
        if (((inverted - 0x0101010101010101u) & ~inverted & 0x8080808080808080u) != 0)
            return false;
        const int take = (64 - bits_) / 8;
        const uint64_t bytes = __builtin_bswap64(word) & (~uint64_t{0} << (64 - 8 * take));
        acc_ |= bytes >> bits_;
        bits_ += 8 * take;
        source_.advance(static_cast<size_t>(take));
        return true;
    }

    FileBytes &source_;
    uint64_t acc_ = 0;
    int bits_ = 0, padding_ = 0;
    bool atMarker_ = false;
};

int decodeSymbol(BitReader &in, const HuffmanTable &table)
{
    in.need(16);
    const uint32_t look = in.peek(kLookBits);
    if (const int length = table.length[look]) {
        in.consume(length);
        return table.symbol[look];
    }
    for (int length = kLookBits + 1; length <= 16; ++length) {
        const auto code = static_cast<int32_t>(in.peek(length));
        if (code <= table.maxCode[length]) {
            in.consume(length);
            const int index = code + table.valueOffset[length];
            if (index < 0 || index >= table.count)
                unhandled();
            return table.values[index];
        }
    }
    unhandled(); // no such code
}

// A value of `size` bits, the negative ones stored as their ones' complement.
int receive(BitReader &in, int size)
{
    if (size == 0)
        return 0;
    in.need(size);
    const int value = static_cast<int>(in.peek(size));
    in.consume(size);
    return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
}

struct Component {
    int id = 0, h = 1, v = 1, quantTable = 0, dcTable = 0, acTable = 0;
    int blocksWide = 0, blocksHigh = 0;
    int predictor = 0;
    std::vector<uint8_t> plane; // one sample per block
};

class EighthDecoder {
public:
    explicit EighthDecoder(InputFile &file) : source_(file) {}

    EighthJpeg decode(const std::function<bool(int, int)> &wanted)
    {
        readHeaders();
        if (!wanted(width_, height_))
            unhandled();
        TBitmap::checkSize(width_, height_);
        decodeScan();
        return {toBitmap(), width_, height_};
    }

private:
    void readHeaders()
    {
        if (source_.byte() != 0xFF || source_.byte() != 0xD8)
            unhandled();
        for (;;) {
            if (source_.byte() != 0xFF)
                unhandled();
            int marker = source_.byte();
            while (marker == 0xFF)
                marker = source_.byte();
            if (marker == 0xDA)
                return readScanHeader();
            const int length = source_.word();
            if (length < 2)
                unhandled();
            const size_t rest = static_cast<size_t>(length - 2);
            if (marker == 0xC0 || marker == 0xC1)
                readFrame();
            else if (marker == 0xC4)
                readHuffmanTables(rest);
            else if (marker == 0xDB)
                readQuantTables(rest);
            else if (marker == 0xDD)
                restartInterval_ = source_.word();
            else if ((marker >= 0xC2 && marker <= 0xCF) || marker == 0xEE || marker < 0xC0
                     || (marker >= 0xD0 && marker <= 0xD9) || marker == 0xDE || marker == 0xDF)
                unhandled(); // other codings, Adobe's colour transforms, misplaced markers
            else
                source_.skip(rest);
        }
    }

    void readFrame()
    {
        if (!components_.empty() || source_.byte() != 8)
            unhandled();
        height_ = source_.word();
        width_ = source_.word();
        const int count = source_.byte();
        if (width_ == 0 || height_ == 0 || (count != 1 && count != 3))
            unhandled();
        components_.resize(static_cast<size_t>(count));
        for (Component &c : components_) {
            c.id = source_.byte();
            const int sampling = source_.byte();
            c.h = sampling >> 4;
            c.v = sampling & 15;
            c.quantTable = source_.byte();
            if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quantTable > 3)
                unhandled();
            maxH_ = std::max(maxH_, c.h);
            maxV_ = std::max(maxV_, c.v);
        }
        // Components named R, G, B hold RGB, not YCbCr.
        if (count == 3 && components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B')
            unhandled();
    }

    void readHuffmanTables(size_t rest)
    {
        while (rest > 0) {
            const int kind = source_.byte();
            if ((kind >> 4) > 1 || (kind & 15) > 3 || rest < 17)
                unhandled();
            HuffmanTable &table = tables_[kind >> 4][kind & 15];
            std::array<uint8_t, 17> counts{};
            int total = 0;
            for (int length = 1; length <= 16; ++length)
                total += counts[length] = source_.byte();
            if (total > 256 || rest < 17 + static_cast<size_t>(total))
                unhandled();
            for (int i = 0; i < total; ++i)
                table.values[i] = source_.byte();
            table.count = total;
            buildTable(table, counts);
            rest -= 17 + static_cast<size_t>(total);
        }
    }

    void readQuantTables(size_t rest)
    {
        while (rest > 0) {
            const int kind = source_.byte();
            const bool wide = (kind >> 4) == 1;
            const size_t size = 1 + 64 * (wide ? 2 : 1);
            if ((kind >> 4) > 1 || (kind & 15) > 3 || rest < size)
                unhandled();
            dcQuantizer_[kind & 15] = wide ? source_.word() : source_.byte(); // the first value is the DC's
            source_.skip(size - 1 - (wide ? 2 : 1));
            rest -= size;
        }
    }

    void readScanHeader()
    {
        const int length = source_.word();
        const int count = source_.byte();
        if (components_.empty() || count != static_cast<int>(components_.size()) || length != 6 + 2 * count)
            unhandled(); // one scan must hold every component
        for (Component &c : components_) {
            if (source_.byte() != c.id)
                unhandled();
            const int tables = source_.byte();
            c.dcTable = tables >> 4;
            c.acTable = tables & 15;
            if (c.dcTable > 3 || c.acTable > 3 || !tables_[0][c.dcTable].defined || !tables_[1][c.acTable].defined)
                unhandled();
        }
        if (source_.byte() != 0 || source_.byte() != 63 || source_.byte() != 0)
            unhandled(); // not sequential
    }

    void decodeScan()
    {
        const bool single = components_.size() == 1;
        int blocksInMcu = 0;
        for (Component &c : components_) {
            if (maxH_ % c.h || maxV_ % c.v || dcQuantizer_[c.quantTable] == 0)
                unhandled();
            if (single) {
                c.h = c.v = maxH_ = maxV_ = 1; // each block is a unit of its own
            }
            blocksInMcu += c.h * c.v;
        }
        if (blocksInMcu > 10)
            unhandled();
        const int mcusWide = (width_ + 8 * maxH_ - 1) / (8 * maxH_);
        const int mcusHigh = (height_ + 8 * maxV_ - 1) / (8 * maxV_);
        for (Component &c : components_) {
            c.blocksWide = mcusWide * c.h;
            c.blocksHigh = mcusHigh * c.v;
            c.plane.resize(static_cast<size_t>(c.blocksWide) * static_cast<size_t>(c.blocksHigh));
        }
        BitReader in(source_);
        int restarts = 0, untilRestart = restartInterval_;
        for (int my = 0; my < mcusHigh; ++my)
            for (int mx = 0; mx < mcusWide; ++mx) {
                if (restartInterval_ > 0 && untilRestart-- == 0) {
                    in.restart(restarts++ % 8);
                    untilRestart = restartInterval_ - 1;
                    for (Component &c : components_)
                        c.predictor = 0;
                }
                for (Component &c : components_)
                    for (int by = 0; by < c.v; ++by)
                        for (int bx = 0; bx < c.h; ++bx)
                            decodeBlock(in, c, mx * c.h + bx, my * c.v + by);
                if (in.overrun())
                    unhandled(); // the data ended early
            }
    }

    void decodeBlock(BitReader &in, Component &c, int x, int y)
    {
        const int size = decodeSymbol(in, tables_[0][c.dcTable]);
        if (size > 11)
            unhandled();
        c.predictor += receive(in, size);
        if (c.predictor < -kMostDc || c.predictor > kMostDc)
            unhandled();
        in.skipAcCoefficients(tables_[1][c.acTable]);
        const int dc = c.predictor * dcQuantizer_[c.quantTable];
        const int sample = ((dc + 4) >> 3) + 128;
        c.plane[static_cast<size_t>(y) * static_cast<size_t>(c.blocksWide) + static_cast<size_t>(x)] =
            static_cast<uint8_t>(std::clamp(sample, 0, 255));
    }

    static uint8_t clampByte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

    // Where each of `outputs` pixels falls between two samples of a component that has one
    // sample per `factor` pixels (`samples` of them): bilinear, as chroma is upsampled smoothly.
    struct Between {
        int first, second, weight; // the second's weight in 256ths
    };
    static std::vector<Between> between(int outputs, int factor, int samples)
    {
        std::vector<Between> places(static_cast<size_t>(outputs));
        for (int x = 0; x < outputs; ++x) {
            const double at = std::max(0.0, (x + 0.5) / factor - 0.5);
            const int first = std::min(static_cast<int>(at), samples - 1);
            places[static_cast<size_t>(x)] = {first, std::min(first + 1, samples - 1),
                                              static_cast<int>((at - first) * 256 + 0.5)};
        }
        return places;
    }

    // Fills `samples` with the component's samples along output row y.
    void rowOf(const Component &c, const std::vector<Between> &columns, const Between &r, uint8_t *samples) const
    {
        const uint8_t *upper = c.plane.data() + static_cast<size_t>(r.first) * static_cast<size_t>(c.blocksWide);
        const uint8_t *lower = c.plane.data() + static_cast<size_t>(r.second) * static_cast<size_t>(c.blocksWide);
        for (const Between &q : columns) {
            const int top = (256 - q.weight) * upper[q.first] + q.weight * upper[q.second];
            const int bottom = (256 - q.weight) * lower[q.first] + q.weight * lower[q.second];
            *samples++ = static_cast<uint8_t>(((256 - r.weight) * top + r.weight * bottom + 32768) >> 16);
        }
    }

    // YCbCr to BGR with the JFIF formulas in 16-bit fixed point.
    TBitmap toBitmap() const
    {
        const int width = (width_ + 7) / 8, height = (height_ + 7) / 8;
        TBitmap bitmap = TBitmap::Uncleared(width, height, PixelFormat::pf24bit);
        std::vector<std::vector<Between>> columns, rows;
        for (const Component &c : components_) {
            columns.push_back(between(width, maxH_ / c.h, c.blocksWide));
            rows.push_back(between(height, maxV_ / c.v, c.blocksHigh));
        }
        std::vector<uint8_t> samples(static_cast<size_t>(width) * components_.size());
        for (int y = 0; y < height; ++y) {
            for (size_t i = 0; i < components_.size(); ++i)
                rowOf(components_[i], columns[i], rows[i][static_cast<size_t>(y)], samples.data() + i * static_cast<size_t>(width));
            const uint8_t *luma = samples.data(), *blue = luma + width, *red = blue + width;
            uint8_t *row = bitmap.scanLine(y);
            for (int x = 0; x < width; ++x, row += 3) {
                if (components_.size() == 1) {
                    row[0] = row[1] = row[2] = luma[x];
                    continue;
                }
                const int cb = blue[x] - 128, cr = red[x] - 128;
                row[0] = clampByte(luma[x] + ((116130 * cb + 32768) >> 16));
                row[1] = clampByte(luma[x] + ((-22554 * cb - 46802 * cr + 32768) >> 16));
                row[2] = clampByte(luma[x] + ((91881 * cr + 32768) >> 16));
            }
        }
        return bitmap;
    }

    FileBytes source_;
    int width_ = 0, height_ = 0, maxH_ = 1, maxV_ = 1, restartInterval_ = 0;
    std::vector<Component> components_;
    std::array<int, 4> dcQuantizer_{}; // 0: not defined
    HuffmanTable tables_[2][4];
};

} // namespace

std::optional<EighthJpeg> ReadJpegEighth(const std::string &path, const std::function<bool(int, int)> &wanted)
{
    try {
        InputFile file(path);
        return std::make_unique<EighthDecoder>(file)->decode(wanted); // its tables are large for a stack
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace vistrel
