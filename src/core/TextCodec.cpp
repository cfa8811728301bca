// CP932 <-> UTF-8 through iconv. glibc's "SHIFT_JIS" would turn every backslash into a yen sign
// and refuse ～ － ① 髙, so the Windows flavour "CP932" (alias "WINDOWS-31J") is the one used.
#include "core/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace kelvantori {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr char kUnmappable = '?';

// One conversion descriptor per direction and thread: opening one costs far more than decoding
// a line, and a descriptor must not be shared between threads.
class Converter {
  public:
    Converter(const char* to, const char* from) {
        cd_ = iconv_open(to, from);
        if (cd_ == kInvalid) {
            // Older gconv sets only know the other name of the same table.
            const bool toCp932 = std::string_view(to) == "CP932";
            cd_ = toCp932 ? iconv_open("WINDOWS-31J", from) : iconv_open(to, "WINDOWS-31J");
        }
    }
    ~Converter() {
        if (cd_ != kInvalid)
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Usable() const { return cd_ != kInvalid; }

    // Converts as much of *in as it can, appending to out. Returns 0 when all input was taken,
    // else the errno that stopped it (EILSEQ at a bad sequence, EINVAL at a truncated one); *in
    // then starts at the offending bytes.
    int Convert(std::string_view* in, std::string* out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        // Converted in pieces through a fixed buffer: a few megabytes of view text need no
        // guess of the output size.
        char buffer[16384];
        char* inPtr = const_cast<char*>(in->data());
        std::size_t inLeft = in->size();
        int result = 0;
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            result = errno == EINVAL ? EINVAL : EILSEQ;
            break;
        }
        in->remove_prefix(in->size() - inLeft);
        return result;
    }

  private:
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    iconv_t cd_;
};

Converter& Decoder() {
    thread_local Converter decoder("UTF-8", "CP932");
    return decoder;
}

Converter& Encoder() {
    thread_local Converter encoder("CP932", "UTF-8");
    return encoder;
}

// Length of the well-formed UTF-8 sequence at the start of text and its code point; 0 when the
// bytes there are not one (stray continuation, overlong form, surrogate, beyond U+10FFFF,
// truncated).
std::size_t Utf8SequenceAt(std::string_view text, char32_t* codePoint) {
    const auto b0 = static_cast<std::uint8_t>(text[0]);
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        *codePoint = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < len)
        return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    *codePoint = cp;
    return len;
}

// Characters iconv would write as something they are not: the yen sign and the overline become
// the ASCII backslash and tilde (a yen sign in a folder name would turn into a path separator),
// and the Unicode tag characters vanish without a trace.
bool RefusedForCp932(char32_t cp) {
    return cp == 0x00A5 || cp == 0x203E || (cp >= 0xE0000 && cp <= 0xE007F);
}

// Converts a run of well-formed UTF-8 whose characters are not refused; a character the table
// lacks becomes "?". Returns false when one did.
bool EncodeRun(std::string_view run, std::string* out) {
    bool lossless = true;
    while (!run.empty()) {
        if (Encoder().Convert(&run, out) == 0)
            break;
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(run, &cp);
        out->push_back(kUnmappable);
        run.remove_prefix(len == 0 ? 1 : len);
        lossless = false;
    }
    return lossless;
}

// The whole conversion; returns whether every character found its CP932 form.
bool Encode(std::string_view utf8, std::string* out) {
    out->reserve(utf8.size());
    if (!Encoder().Usable()) {
        bool lossless = true;
        for (const char c : utf8) {
            const bool ascii = static_cast<std::uint8_t>(c) < 0x80;
            out->push_back(ascii ? c : kUnmappable);
            lossless = lossless && ascii;
        }
        return lossless;
    }
    bool lossless = true;
    std::size_t runStart = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceAt(utf8.substr(pos), &cp);
        if (len != 0 && !RefusedForCp932(cp)) {
            pos += len;
            continue;
        }
        lossless = EncodeRun(utf8.substr(runStart, pos - runStart), out) && lossless;
        out->push_back(kUnmappable);
        pos += len == 0 ? 1 : len;
        runStart = pos;
        lossless = false;
    }
    return EncodeRun(utf8.substr(runStart), out) && lossless;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 2);
    if (!Decoder().Usable()) {
        for (const char c : cp932) {
            if (static_cast<std::uint8_t>(c) < 0x80) {
                out.push_back(c);
            } else {
                out.append(kReplacement);
            }
        }
        return out;
    }
    while (!cp932.empty()) {
        const int stop = Decoder().Convert(&cp932, &out);
        if (stop == 0)
            break;
        // One replacement per bad byte, then go on: a lead byte followed by a byte that cannot
        // trail it loses only itself, and the following byte is read afresh.
        out.append(kReplacement);
        if (stop == EINVAL)
            break;  // a lead byte cut off at the end
        cp932.remove_prefix(1);
    }
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    Encode(utf8, &out);
    return out;
}

bool IsCp932Representable(std::string_view utf8) {
    std::string out;
    if (!Encode(utf8, &out))
        return false;
    // Some characters have a CP932 form that reads back as a neighbour (〜 U+301C is written as
    // the byte pair of ～ U+FF5E); those do not hold the text without loss.
    return Cp932ToUtf8(out) == utf8;
}

}  // namespace kelvantori
