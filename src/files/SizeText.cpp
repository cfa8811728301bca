// Size texts of the detail line, the file view and the file information dialog.
#include "files/SizeText.h"

#include <charconv>

namespace kelvantori {

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = kKiB * 1024;
constexpr std::uint64_t kGiB = kMiB * 1024;

std::string Decimal(std::uint64_t n) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
    return std::string(buffer, end);
}

}  // namespace

std::string FormatThousands(std::uint64_t n) {
    const std::string digits = Decimal(n);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string FormatThousandths(std::uint64_t numerator, unsigned shift) {
    // The value is numerator / 2^shift, a finite decimal; rounding it to thousandths with the
    // half going up is (numerator * 1000 + 2^(shift-1)) >> shift, done in 128 bits so that no
    // size can overflow it.
    unsigned __int128 scaled = static_cast<unsigned __int128>(numerator) * 1000;
    if (shift > 0)
        scaled = (scaled + (static_cast<unsigned __int128>(1) << (shift - 1))) >> shift;
    const auto thousandths = static_cast<std::uint64_t>(scaled);
    std::string out = Decimal(thousandths / 1000);
    const auto fraction = static_cast<unsigned>(thousandths % 1000);
    out.push_back('.');
    out.push_back(static_cast<char>('0' + fraction / 100));
    out.push_back(static_cast<char>('0' + fraction / 10 % 10));
    out.push_back(static_cast<char>('0' + fraction % 10));
    return out;
}

std::string FormatFileSize(std::uint64_t bytes) {
    if (bytes < kKiB)
        return Decimal(bytes) + std::string(kByteUnit);
    if (bytes < kMiB)
        return FormatThousandths(bytes, 10) + "KB";
    return FormatThousandths(bytes, 20) + "MB";
}

std::string FileInfoSizeText(std::uint64_t bytes) {
    std::string out = "サイズ :　　";
    if (bytes < kKiB)
        return out + Decimal(bytes) + std::string(kByteUnit);
    if (bytes <= kMiB) {
        out += FormatThousandths(bytes, 10) + "KB (";
    } else if (bytes <= kGiB) {
        out += FormatThousandths(bytes, 20) + "MB (";
    } else {
        out += FormatThousandths(bytes, 30) + "GB (";
    }
    return out + FormatThousands(bytes) + std::string(kByteUnit) + ")";
}

}  // namespace kelvantori
