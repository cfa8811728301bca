// Reading NC program bytes line by line in pieces, and writing lines with CR LF.
#include "core/LineStream.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace kelvantori {

namespace {
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
}

bool ProgramTextSource::Next(std::string_view& line) {
    if (next_ >= text_.lines.size())
        return false;
    line = text_.lines[next_++];
    return true;
}

bool BytesLineSource::Next(std::string_view& line) {
    if (pos_ >= bytes_.size())
        return false;
    // Each search runs on from where the last one found its byte, so a text with only one kind
    // of line end is still scanned once.
    const auto find = [this](char c, std::size_t& next, bool& known) {
        if (!known || next < pos_) {
            const void* hit = std::memchr(bytes_.data() + pos_, c, bytes_.size() - pos_);
            next = hit == nullptr
                       ? bytes_.size()
                       : static_cast<std::size_t>(static_cast<const char*>(hit) - bytes_.data());
            known = true;
        }
        return next;
    };
    const std::size_t e = std::min(find('\r', nextCr_, crKnown_), find('\n', nextLf_, lfKnown_));
    line = bytes_.substr(pos_, e - pos_);
    if (e >= bytes_.size()) {
        pos_ = bytes_.size();
    } else {
        pos_ = e + ((bytes_[e] == '\r' && e + 1 < bytes_.size() && bytes_[e + 1] == '\n') ? 2 : 1);
    }
    return true;
}

std::ptrdiff_t MemoryByteReader::Read(char* buffer, std::size_t size) {
    const std::size_t n = std::min(size, bytes_.size());
    if (n > 0)
        std::memcpy(buffer, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return static_cast<std::ptrdiff_t>(n);
}

StreamLineSource::StreamLineSource(ByteReader& reader, std::size_t bufferSize)
    : reader_(reader), buffer_(std::max<std::size_t>(bufferSize, 16)) {}

std::size_t StreamLineSource::Find(char c, Finder& finder) {
    if (finder.found && finder.pos >= begin_)
        return finder.pos;
    const std::size_t start = finder.found ? begin_ : std::max(begin_, finder.scanned);
    if (start < end_) {
        const void* hit = std::memchr(buffer_.data() + start, c, end_ - start);
        if (hit != nullptr) {
            finder.found = true;
            finder.pos = static_cast<std::size_t>(static_cast<const char*>(hit) - buffer_.data());
            return finder.pos;
        }
    }
    finder.found = false;
    finder.scanned = end_;
    return kNone;
}

void StreamLineSource::Fill() {
    if (begin_ > 0) {
        const std::size_t shift = begin_;
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= shift;
        begin_ = 0;
        for (Finder* f : {&cr_, &lf_}) {
            if (f->found && f->pos >= shift) {
                f->pos -= shift;
            } else {
                f->found = false;
                f->scanned = f->scanned >= shift ? f->scanned - shift : 0;
            }
        }
    }
    // A line longer than the buffer: grow it, so memory follows the longest line.
    if (end_ == buffer_.size())
        buffer_.resize(buffer_.size() * 2);

    const std::ptrdiff_t n = reader_.Read(buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0) {
        failed_ = true;
        eof_ = true;
        return;
    }
    if (n == 0) {
        eof_ = true;
        return;
    }
    const auto count = static_cast<std::size_t>(n);
    if (!sawNul_ && std::memchr(buffer_.data() + end_, '\0', count) != nullptr)
        sawNul_ = true;
    end_ += count;
    bytesRead_ += count;
}

bool StreamLineSource::Next(std::string_view& line) {
    for (;;) {
        const std::size_t cr = Find('\r', cr_);
        const std::size_t lf = Find('\n', lf_);
        const std::size_t e = std::min(cr, lf);
        if (e != kNone) {
            const bool isCr = buffer_[e] == '\r';
            // A CR as the last byte read may be the first half of a CR LF.
            if (isCr && e + 1 == end_ && !eof_) {
                Fill();
                continue;
            }
            line = std::string_view(buffer_.data() + begin_, e - begin_);
            begin_ = e + ((isCr && e + 1 < end_ && buffer_[e + 1] == '\n') ? 2 : 1);
            return true;
        }
        if (eof_) {
            if (begin_ >= end_)
                return false;
            line = std::string_view(buffer_.data() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        Fill();
    }
}

CrLfWriter::CrLfWriter(ByteSink& sink, std::size_t flushSize)
    : sink_(sink), flushSize_(std::max<std::size_t>(flushSize, 1)) {
    buffer_.reserve(std::min<std::size_t>(flushSize_ + 512, std::size_t{1} << 22));
}

bool CrLfWriter::Line(std::string_view line) {
    if (failed_)
        return false;
    buffer_.append(line);
    buffer_.append("\r\n", 2);
    written_ += line.size() + 2;
    return MaybeFlush();
}

bool CrLfWriter::Line(std::string_view head, std::string_view middle, std::string_view tail) {
    if (failed_)
        return false;
    buffer_.append(head);
    buffer_.append(middle);
    buffer_.append(tail);
    buffer_.append("\r\n", 2);
    written_ += head.size() + middle.size() + tail.size() + 2;
    return MaybeFlush();
}

bool CrLfWriter::Text(std::string_view crLfText) {
    if (failed_)
        return false;
    written_ += crLfText.size();
    // A large piece goes to the sink directly instead of through the buffer.
    if (buffer_.size() + crLfText.size() < flushSize_) {
        buffer_.append(crLfText);
        return true;
    }
    if (!Flush())
        return false;
    if (!sink_.Write(crLfText)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool CrLfWriter::MaybeFlush() {
    return buffer_.size() < flushSize_ || Flush();
}

bool CrLfWriter::Flush() {
    if (failed_)
        return false;
    if (buffer_.empty())
        return true;
    const bool ok = sink_.Write(buffer_);
    buffer_.clear();
    if (!ok)
        failed_ = true;
    return ok;
}

namespace {

// 0x80 in every byte of w that equals the byte repeated in `pattern`, 0 elsewhere (exact).
std::uint64_t BytesEqual(std::uint64_t w, std::uint64_t pattern) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = w ^ pattern;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

}  // namespace

bool IsCrLfText(std::string_view bytes) {
    if (bytes.size() < 2 || bytes[bytes.size() - 2] != '\r' || bytes.back() != '\n')
        return false;
    // CR LF text when the LFs stand exactly one byte after the CRs. Eight bytes at a time: the
    // CR marks shifted by one byte must equal the LF marks, a CR in a word's last byte carrying
    // over to the next word. A joined 100 MB file is read through here at memory speed.
    constexpr std::uint64_t kCr = 0x0D0D0D0D0D0D0D0DULL;
    constexpr std::uint64_t kLf = 0x0A0A0A0A0A0A0A0AULL;
    static_assert(std::endian::native == std::endian::little);
    const char* p = bytes.data();
    const std::size_t words = bytes.size() / 8;
    std::uint64_t carry = 0;  // 0x80 when the previous byte was a CR
    std::uint64_t differ = 0;
    for (std::size_t k = 0; k < words; ++k, p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t cr = BytesEqual(w, kCr);
        differ |= ((cr << 8) | carry) ^ BytesEqual(w, kLf);
        carry = cr >> 56;
        // Looked at once every 64 bytes: the loop runs without a branch in between.
        if ((k & 7) == 7 && differ != 0)
            return false;
    }
    if (differ != 0)
        return false;
    bool afterCr = carry != 0;
    for (const char* end = bytes.data() + bytes.size(); p < end; ++p) {
        if ((*p == '\n') != afterCr)
            return false;
        afterCr = *p == '\r';
    }
    return !afterCr;
}

}  // namespace kelvantori
