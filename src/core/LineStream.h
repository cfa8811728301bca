// NC program bytes read line by line and written back with CR LF, in pieces, so that the tools
// work on files of any size with memory bounded by a buffer (and the longest line), not the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProgramText.h"

namespace kelvantori {

// The lines of a text, one after the other, without their line ends.
class LineSource {
  public:
    virtual ~LineSource() = default;
    // The next line; it stays valid until the next call. False at the end of the text (or when
    // reading failed; the source then says so).
    virtual bool Next(std::string_view& line) = 0;
    // Reading failed: the text ended early.
    virtual bool Failed() const { return false; }
};

// The lines of a text held in memory (the file view).
class ProgramTextSource : public LineSource {
  public:
    explicit ProgramTextSource(const ProgramText& text) : text_(text) {}
    bool Next(std::string_view& line) override;

  private:
    const ProgramText& text_;
    std::size_t next_ = 0;
};

// The lines of bytes held in memory, split as SplitProgramLines splits them, without copying.
class BytesLineSource : public LineSource {
  public:
    explicit BytesLineSource(std::string_view bytes) : bytes_(bytes) {}
    bool Next(std::string_view& line) override;

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::size_t nextCr_ = 0;  // the next CR at or after pos_ (or the end), found once
    std::size_t nextLf_ = 0;
    bool crKnown_ = false;
    bool lfKnown_ = false;
};

// Bytes in pieces: up to size bytes, 0 at the end, -1 on a read error.
class ByteReader {
  public:
    virtual ~ByteReader() = default;
    virtual std::ptrdiff_t Read(char* buffer, std::size_t size) = 0;
};

// Bytes held in memory, read as a ByteReader.
class MemoryByteReader : public ByteReader {
  public:
    explicit MemoryByteReader(std::string_view bytes) : bytes_(bytes) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override;

  private:
    std::string_view bytes_;
};

// Lines of a byte stream, split exactly as SplitProgramLines splits a whole text: a line ends at
// CR LF, at a lone LF and at a lone CR, and a line end at the very end does not start another line.
class StreamLineSource : public LineSource {
  public:
    static constexpr std::size_t kDefaultBufferSize = std::size_t{1} << 20;

    explicit StreamLineSource(ByteReader& reader, std::size_t bufferSize = kDefaultBufferSize);
    bool Next(std::string_view& line) override;

    bool Failed() const override { return failed_; }
    // A NUL byte was among the bytes read so far.
    bool SawNul() const { return sawNul_; }
    std::uint64_t BytesRead() const { return bytesRead_; }
    // The bytes of the lines handed out so far, their line ends included.
    std::uint64_t BytesConsumed() const { return bytesRead_ - (end_ - begin_); }

  private:
    // Where the next byte c lies at or after from, or npos when none is in the buffer yet. Each
    // search continues where the last one for that byte stopped, so lines that end only in CR (or
    // only in LF) never make the search for the other byte run over the same bytes again.
    struct Finder {
        std::size_t pos = 0;      // the byte found, when found
        std::size_t scanned = 0;  // no such byte in [from, scanned) when not found
        bool found = false;
    };
    std::size_t Find(char c, Finder& finder);
    void Fill();

    ByteReader& reader_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // end of the bytes read
    Finder cr_;
    Finder lf_;
    bool eof_ = false;
    bool failed_ = false;
    bool sawNul_ = false;
    std::uint64_t bytesRead_ = 0;
};

// Where bytes go: a file, a buffer. False when they could not be written (the sink keeps why).
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual bool Write(std::string_view bytes) = 0;
};

// A ByteSink that collects the bytes (tests, the view).
class StringByteSink : public ByteSink {
  public:
    bool Write(std::string_view bytes) override {
        bytes_.append(bytes);
        return true;
    }
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

// Writes lines followed by CR LF, as the program writes NC files, collected into large pieces.
class CrLfWriter {
  public:
    static constexpr std::size_t kDefaultFlushSize = std::size_t{1} << 18;

    explicit CrLfWriter(ByteSink& sink, std::size_t flushSize = kDefaultFlushSize);
    bool Line(std::string_view line);
    // A line given in parts (a converted word in the middle of it).
    bool Line(std::string_view head, std::string_view middle, std::string_view tail);
    // Bytes that already are lines each ended by CR LF (IsCrLfText), written as they are.
    bool Text(std::string_view crLfText);
    // Hands the collected bytes to the sink. Also needed before the sink's file is closed.
    bool Flush();
    std::uint64_t BytesWritten() const { return written_; }

  private:
    bool MaybeFlush();

    ByteSink& sink_;
    std::size_t flushSize_;
    std::string buffer_;
    std::uint64_t written_ = 0;
    bool failed_ = false;
};

// Whether bytes are lines that each end in CR LF, with no other CR or LF: what CrLfWriter
// would write for their lines, so they can be copied unchanged.
bool IsCrLfText(std::string_view bytes);

}  // namespace kelvantori
