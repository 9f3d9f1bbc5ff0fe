#include "ocr/text_recognition.h"

#include "imaging/resample.h"
#include "platform/error.h"

#include <tesseract/capi.h>

#include <dlfcn.h>

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

// Tesseract's C interface, resolved from the library at run time. The library stays loaded for
// the rest of the process: its OpenMP threads may outlive any one recognizer.
constexpr char kTesseractLibrary[] = "libtesseract.so.5";

struct Tesseract {
    decltype(&TessBaseAPICreate) create;
    decltype(&TessBaseAPIDelete) destroy;
    decltype(&TessBaseAPISetVariable) setVariable;
    decltype(&TessBaseAPIInit3) init;
    decltype(&TessBaseAPIEnd) end;
    decltype(&TessBaseAPISetImage) setImage;
    decltype(&TessBaseAPISetSourceResolution) setSourceResolution;
    decltype(&TessBaseAPIRecognize) recognize;
    decltype(&TessBaseAPIGetUTF8Text) text;
    decltype(&TessDeleteText) deleteText;
    decltype(&TessBaseAPIClear) clear;
    decltype(&TessMonitorCreate) createMonitor;
    decltype(&TessMonitorDelete) deleteMonitor;
    decltype(&TessMonitorSetCancelFunc) setCancelFunction;
    decltype(&TessMonitorSetCancelThis) setCancelThis;
};

template <typename Function>
void resolve(void *library, Function &function, const char *name)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function)
        throw Error(std::string("The installed Tesseract library lacks ") + name);
}

Tesseract loadTesseract()
{
    void *library = ::dlopen(kTesseractLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw Error("Text recognition needs Tesseract. Install the package libtesseract5.");
    Tesseract t{};
    resolve(library, t.create, "TessBaseAPICreate");
    resolve(library, t.destroy, "TessBaseAPIDelete");
    resolve(library, t.setVariable, "TessBaseAPISetVariable");
    resolve(library, t.init, "TessBaseAPIInit3");
    resolve(library, t.end, "TessBaseAPIEnd");
    resolve(library, t.setImage, "TessBaseAPISetImage");
    resolve(library, t.setSourceResolution, "TessBaseAPISetSourceResolution");
    resolve(library, t.recognize, "TessBaseAPIRecognize");
    resolve(library, t.text, "TessBaseAPIGetUTF8Text");
    resolve(library, t.deleteText, "TessDeleteText");
    resolve(library, t.clear, "TessBaseAPIClear");
    resolve(library, t.createMonitor, "TessMonitorCreate");
    resolve(library, t.deleteMonitor, "TessMonitorDelete");
    resolve(library, t.setCancelFunction, "TessMonitorSetCancelFunc");
    resolve(library, t.setCancelThis, "TessMonitorSetCancelThis");
    return t;
}

const Tesseract &tesseract()
{
    static const Tesseract loaded = loadTesseract();
    return loaded;
}

// A C handle of Tesseract's, given back by `release` on every way out.
template <typename Handle, typename Release>
std::unique_ptr<Handle, Release> owned(Handle *handle, Release release)
{
    return std::unique_ptr<Handle, Release>(handle, release);
}

} // namespace

struct TextRecognizer::Api {
    const Tesseract &calls = tesseract();
    std::unique_ptr<TessBaseAPI, decltype(&TessBaseAPIDelete)> handle{calls.create(), calls.destroy};
};

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

TextRecognizer::TextRecognizer(const std::string &language)
{
    const std::string checked = checkedLanguage(language);
    api_ = std::make_unique<Api>();
    TessBaseAPI *handle = api_->handle.get();
    // Its complaints about missing files would only repeat the message below on stderr.
    api_->calls.setVariable(handle, "debug_file", "/dev/null");
    if (api_->calls.init(handle, nullptr, checked.c_str()) != 0)
        throw Error("No text recognition data for '" + language + "' is installed. Install the package "
                    + LanguagePackages(language) + ".");
    // Pictures come here with dark text on a light ground already.
    api_->calls.setVariable(handle, "tessedit_do_invert", "0");
}

TextRecognizer::~TextRecognizer()
{
    api_->calls.end(api_->handle.get());
}

std::string TextRecognizer::Recognize(const TBitmap &picture, const std::atomic<bool> *cancel)
{
    if (picture.empty())
        return {};
    const TBitmap grey = PrepareForRecognition(picture);
    const Tesseract &calls = api_->calls;
    TessBaseAPI *handle = api_->handle.get();
    calls.setImage(handle, grey.scanLine(0), grey.width(), grey.height(), 1, static_cast<int>(grey.bytesPerLine()));
    calls.setSourceResolution(handle, kAssumedDpi);
    const auto monitor = owned(calls.createMonitor(), calls.deleteMonitor);
    if (cancel) {
        calls.setCancelFunction(monitor.get(), cancelRequested);
        calls.setCancelThis(monitor.get(), const_cast<std::atomic<bool> *>(cancel));
    }
    calls.recognize(handle, monitor.get());
    // Asked for after a cancel, the text would be recognised again from the start.
    if (cancel && cancel->load()) {
        calls.clear(handle);
        return {};
    }
    const auto text = owned(calls.text(handle), calls.deleteText);
    calls.clear(handle);
    return text ? std::string(text.get()) : std::string();
}

} // namespace vistrel
