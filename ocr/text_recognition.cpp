#include "ocr/text_recognition.h"

#include "imaging/resample.h"
#include "platform/error.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <vector>

namespace vistrel {

namespace {

// Line heights (ink rows, ascenders to descenders) below which the recogniser misses strokes:
// such text is scaled up two or three times first.
constexpr int kSmallLineRows = 20;
constexpr int kTinyLineRows = 12;
// Ink is this much darker than the ground.
constexpr int kInkContrast = 64;
// Tesseract's own guess for a picture that does not say its resolution.
constexpr int kAssumedDpi = 70;
// Mitchell in FilterTable: sharp strokes without the ringing that Lanczos adds around them.
constexpr size_t kUpscaleFilter = 6;

std::string checkedLanguage(const std::string &language)
{
    const bool plain = !language.empty() && std::all_of(language.begin(), language.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '+';
    });
    if (!plain)
        throw Error("'" + language + "' is not a language name such as eng, deu or chi_sim");
    return language;
}

bool cancelRequested(void *flag, int)
{
    return static_cast<const std::atomic<bool> *>(flag)->load();
}

TBitmap as24Bit(const TBitmap &picture)
{
    TBitmap copy = picture;
    copy.setPixelFormat(PixelFormat::pf24bit);
    return copy;
}

// An 8-bit picture whose index is the grey level; `invert` makes light text on dark ground dark on light.
TBitmap greyOf(const TBitmap &picture24, bool invert)
{
    TBitmap grey = TBitmap::Uncleared(picture24.width(), picture24.height(), PixelFormat::pf8bit);
    std::vector<PaletteEntry> levels(256);
    for (int i = 0; i < 256; ++i)
        levels[static_cast<size_t>(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    grey.setPalette(std::move(levels));
    const uint8_t flip = invert ? 0xff : 0;
    for (int y = 0; y < grey.height(); ++y) {
        const uint8_t *p = picture24.scanLine(y);
        uint8_t *g = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x, p += 3)
            g[x] = static_cast<uint8_t>(((29u * p[0] + 150u * p[1] + 77u * p[2]) >> 8) ^ flip);
        std::fill(g + grey.width(), g + grey.bytesPerLine(), uint8_t{0});
    }
    return grey;
}

int medianLevel(const TBitmap &grey)
{
    std::array<uint64_t, 256> histogram{};
    for (int y = 0; y < grey.height(); ++y) {
        const uint8_t *g = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            ++histogram[g[x]];
    }
    const uint64_t half = static_cast<uint64_t>(grey.width()) * static_cast<uint64_t>(grey.height()) / 2;
    uint64_t seen = 0;
    for (int level = 0; level < 256; ++level)
        if ((seen += histogram[static_cast<size_t>(level)]) > half)
            return level;
    return 255;
}

// The median height of the bands of rows holding ink: about the height of a line of text.
int typicalLineRows(const TBitmap &grey, int groundLevel)
{
    const int inkBelow = groundLevel - kInkContrast;
    std::vector<int> bands;
    int band = 0;
    for (int y = 0; y <= grey.height(); ++y) {
        const uint8_t *g = y < grey.height() ? grey.scanLine(y) : nullptr;
        const bool ink = g && std::any_of(g, g + grey.width(), [inkBelow](uint8_t v) { return v < inkBelow; });
        if (ink) {
            ++band;
        } else if (band > 0) {
            if (band > 2)
                bands.push_back(band);
            band = 0;
        }
    }
    if (bands.empty())
        return 0;
    std::nth_element(bands.begin(), bands.begin() + bands.size() / 2, bands.end());
    return bands[bands.size() / 2];
}

int upscaleFor(int lineRows, int width, int height)
{
    const int wanted = lineRows == 0 ? 1 : lineRows < kTinyLineRows ? 3 : lineRows < kSmallLineRows ? 2 : 1;
    const int64_t room = kMaxBitmapPixels / (int64_t{width} * height);
    int scale = wanted;
    while (scale > 1 && (width * scale > kMaxBitmapSide || height * scale > kMaxBitmapSide || scale * scale > room))
        --scale;
    return scale;
}

} // namespace

std::string LanguagePackages(const std::string &language)
{
    std::string packages, name;
    for (size_t i = 0; i <= language.size(); ++i) {
        if (i < language.size() && language[i] != '+') {
            const char c = language[i];
            name += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            continue;
        }
        if (!name.empty())
            packages += (packages.empty() ? "" : " ") + ("tesseract-ocr-" + name);
        name.clear();
    }
    return packages;
}

TBitmap PrepareForRecognition(const TBitmap &picture)
{
    TBitmap colour = as24Bit(picture);
    TBitmap grey = greyOf(colour, false);
    int ground = medianLevel(grey);
    const bool darkGround = ground < 128;
    if (darkGround) {
        grey = greyOf(colour, true);
        ground = 255 - ground;
    }
    const int scale = upscaleFor(typicalLineRows(grey, ground), grey.width(), grey.height());
    if (scale == 1)
        return grey;
    const FilterEntry &filter = FilterTable[kUpscaleFilter];
    TBitmap larger(colour.width() * scale, colour.height() * scale);
    ResampleStretch(colour, larger, filter.Kernel, filter.Support);
    return greyOf(larger, darkGround);
}

TextRecognizer::TextRecognizer(const std::string &language) : api_(std::make_unique<tesseract::TessBaseAPI>())
{
    // Its complaints about missing files would only repeat the message below on stderr.
    api_->SetVariable("debug_file", "/dev/null");
    if (api_->Init(nullptr, checkedLanguage(language).c_str(), tesseract::OEM_DEFAULT) != 0)
        throw Error("No text recognition data for '" + language + "' is installed. Install the package "
                    + LanguagePackages(language) + ".");
    // Pictures come here with dark text on a light ground already.
    api_->SetVariable("tessedit_do_invert", "0");
}

TextRecognizer::~TextRecognizer()
{
    api_->End();
}

std::string TextRecognizer::Recognize(const TBitmap &picture, const std::atomic<bool> *cancel)
{
    if (picture.empty())
        return {};
    const TBitmap grey = PrepareForRecognition(picture);
    api_->SetImage(grey.scanLine(0), grey.width(), grey.height(), 1, static_cast<int>(grey.bytesPerLine()));
    api_->SetSourceResolution(kAssumedDpi);
    tesseract::ETEXT_DESC monitor;
    if (cancel) {
        monitor.cancel = cancelRequested;
        monitor.cancel_this = const_cast<std::atomic<bool> *>(cancel);
    }
    api_->Recognize(&monitor);
    // Asked for after a cancel, the text would be recognised again from the start.
    if (cancel && cancel->load()) {
        api_->Clear();
        return {};
    }
    const std::unique_ptr<char[]> text(api_->GetUTF8Text());
    api_->Clear();
    return text ? std::string(text.get()) : std::string();
}

} // namespace vistrel
