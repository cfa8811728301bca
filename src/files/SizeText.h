// The texts that show a file size: the detail line and the file view ("1.500KB"), the file
// information dialog ("サイズ :　　1.500KB (1,536ﾊﾞｲﾄ)") and the byte counts with thousands
// separators. Sizes are 64-bit throughout, so files of 4 GiB and more show their true size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvantori {

inline constexpr std::string_view kByteUnit = "ﾊﾞｲﾄ";
// The size line of the file information dialog for a folder.
inline constexpr std::string_view kFolderInfoSizeText = "サイズ :　　0";

// The decimal digits of n in groups of three separated by "," ("1,536"; "0" for 0).
std::string FormatThousands(std::uint64_t n);

// numerator / 2^shift with exactly three decimals, the half rounded up ("1.500", "0.001").
// Exact for every 64-bit numerator: no floating point is involved.
std::string FormatThousandths(std::uint64_t numerator, unsigned shift);

// Below 1024: the bytes + "ﾊﾞｲﾄ"; below 1024 KB: "x.xxxKB"; else "x.xxxMB".
std::string FormatFileSize(std::uint64_t bytes);

// "サイズ :　　" + "1000ﾊﾞｲﾄ" below 1024, else "x.xxxKB (1,536ﾊﾞｲﾄ)" up to 1 MiB, MB up to 1 GiB,
// GB above.
std::string FileInfoSizeText(std::uint64_t bytes);

}  // namespace kelvantori
