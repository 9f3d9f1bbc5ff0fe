#pragma once

#include "platform/bitmap.h"

#include <atomic>
#include <memory>
#include <string>

namespace vistrel {

// Tesseract's language data for `language` ("eng", "deu", "chi_sim", "eng+deu"), loaded once and
// used for any number of pictures on one thread at a time. Tesseract itself is loaded on first use:
// linked in, its fifty-odd libraries would slow the start of every other command.
class TextRecognizer {
public:
    // Throws Error naming the Debian package to install when Tesseract or the language data is missing.
    explicit TextRecognizer(const std::string &language = "eng");
    ~TextRecognizer();
    TextRecognizer(const TextRecognizer &) = delete;
    TextRecognizer &operator=(const TextRecognizer &) = delete;

    // The text of the picture, lines ending in "\n". Setting `cancel` (from any thread) stops the
    // recognition soon, and then nothing is returned.
    std::string Recognize(const TBitmap &picture, const std::atomic<bool> *cancel = nullptr);

private:
    struct Api;
    std::unique_ptr<Api> api_;
};

// The Debian packages holding the data of `language`: "tesseract-ocr-eng", "tesseract-ocr-chi-sim".
std::string LanguagePackages(const std::string &language);

// The picture as the recogniser reads it best: grey, dark text on a light ground, and small text
// scaled up.
TBitmap PrepareForRecognition(const TBitmap &picture);

} // namespace vistrel
