// The files of the NC tools as streams: input files read in pieces as lines, output files written
// in pieces, the file-format question of a file that is not plain text, the texts that name a
// file that failed, and the meter that tells the tool host how far a tool has come. Files are
// streamed so that a file of any size needs only a buffer's memory (and its longest line).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/LineStream.h"
#include "core/ProgramText.h"
#include "core/ToolReport.h"
#include "files/ToolHost.h"
#include "platform/FileSystem.h"

namespace kelvantori {

// A tool's end: its status and what the user is told.
ToolResult ToolEnd(ToolStatus status, ToolReport report);

// The reason, a line break and the path: how the tools name a file that failed.
std::string FileProblem(FsError error, std::string_view path);

// The tool stopped because the user would not have path read line by line.
std::string DeclinedText(std::string_view path, std::string_view action);

// An input file named to a tool must be a file that exists. nullopt and the report otherwise.
std::optional<FileStat> StatInput(FileSystem& files, std::string_view path, ToolReport& report);

// Reads an input file in pieces for a StreamLineSource.
class InputReader : public ByteReader {
  public:
    explicit InputReader(InputFile& file) : file_(file) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size) override {
        return file_.Read(buffer, size);
    }

  private:
    InputFile& file_;
};

// Hands written bytes to an output file and keeps the first error.
class OutputSink : public ByteSink {
  public:
    explicit OutputSink(OutputFile& file) : file_(file) {}
    bool Write(std::string_view bytes) override {
        if (error_ == FsError::None)
            error_ = file_.Write(bytes);
        return error_ == FsError::None;
    }
    FsError Error() const { return error_; }

  private:
    OutputFile& file_;
    FsError error_ = FsError::None;
};

// An input file opened for streaming.
struct OpenedInput {
    std::unique_ptr<InputFile> file;
    std::unique_ptr<InputReader> reader;
    std::unique_ptr<StreamLineSource> lines;
};

std::optional<OpenedInput> OpenLines(FileSystem& files, std::string_view path, FsError& error);

// Reads the rest of the lines, so that SawNul() speaks for the whole file.
void Drain(StreamLineSource& lines);

// A file that is empty or holds a NUL byte, as the program's loader gives it after its format
// question: read line by line as text (Yes), or nullopt when the user declined. error tells a
// file that could not be read (the text is then empty).
std::optional<ProgramText> AskAndReadAsText(ToolHost& host, FileSystem& files,
                                            std::string_view path, FsError& error);

// Tells the host how far a tool has come: whenever the count has grown by a step (about 1/256 of
// the total, between a lower and an upper bound, so neither a small file nor a huge one makes
// the host work for every line), and at the end of a pass. Once the host says stop, every call
// answers false.
class ToolMeter {
  public:
    ToolMeter(ToolHost& host, ToolPass pass, ToolProgressUnit unit, std::uint64_t total);

    // The count is now done; the host hears of it when a step has been made since the last time.
    bool At(std::uint64_t done) {
        if (stopped_)
            return false;
        progress_.done = done;
        return done < next_ || Report();
    }
    // The count is done and the host hears of it now, unless it already has.
    bool Finish(std::uint64_t done);
    // The host hears of the progress as it is now (the files count too), unless it already has.
    bool Finish();
    // A new pass over the same or other lines.
    void Restart(ToolPass pass, ToolProgressUnit unit, std::uint64_t total);
    void SetFiles(std::size_t files) { progress_.files = files; }

    bool Stopped() const { return stopped_; }

  private:
    bool Report();

    ToolHost& host_;
    ToolProgress progress_;
    std::uint64_t step_ = 1;
    std::uint64_t next_ = 0;                // the host hears of the first count at once
    std::optional<ToolProgress> reported_;  // what the host heard last
    bool stopped_ = false;
};

// The lines of another source, counted on a meter as they are handed out: the bytes consumed
// when the source is a stream (plus base, the bytes of the files before it), else the lines. A
// stop ends the lines as the end of the text would; Stopped() tells the two apart.
class MeteredLines : public LineSource {
  public:
    MeteredLines(LineSource& lines, ToolMeter& meter, const StreamLineSource* stream = nullptr,
                 std::uint64_t base = 0)
        : lines_(lines), meter_(meter), stream_(stream), base_(base) {}

    bool Next(std::string_view& line) override {
        if (!meter_.At(Position()))
            return false;
        if (!lines_.Next(line)) {
            meter_.Finish(Position());
            return false;
        }
        ++count_;
        return true;
    }
    bool Failed() const override { return lines_.Failed(); }
    bool Stopped() const { return meter_.Stopped(); }

  private:
    std::uint64_t Position() const {
        return base_ + (stream_ != nullptr ? stream_->BytesConsumed() : count_);
    }

    LineSource& lines_;
    ToolMeter& meter_;
    const StreamLineSource* stream_;
    std::uint64_t base_;
    std::uint64_t count_ = 0;
};

}  // namespace kelvantori
