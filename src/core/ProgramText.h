// An NC program as the program holds it in memory: its byte lines without line ends. Files are
// bytes; they are split into lines on load and written back with CR LF after every line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace kelvantori {

// The lines of a program, stored back to back in one buffer with the end of each line beside
// it: a 100 MB program costs about its own size plus eight bytes a line, not one heap block per
// line, so the view, the send and the tools can hold programs of any size the user loads.
class ProgramLines {
  public:
    using value_type = std::string_view;
    using size_type = std::size_t;

    class const_iterator {
      public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const ProgramLines* lines, std::size_t index)
            : lines_(lines), index_(index) {}
        std::string_view operator*() const { return (*lines_)[index_]; }
        std::string_view operator[](difference_type n) const {
            return (*lines_)[index_ + static_cast<std::size_t>(n)];
        }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            auto old = *this;
            ++index_;
            return old;
        }
        const_iterator& operator--() {
            --index_;
            return *this;
        }
        const_iterator operator--(int) {
            auto old = *this;
            --index_;
            return old;
        }
        const_iterator& operator+=(difference_type n) {
            index_ += static_cast<std::size_t>(n);
            return *this;
        }
        const_iterator& operator-=(difference_type n) {
            index_ -= static_cast<std::size_t>(n);
            return *this;
        }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }
        auto operator<=>(const const_iterator& other) const { return index_ <=> other.index_; }

      private:
        const ProgramLines* lines_ = nullptr;
        std::size_t index_ = 0;
    };
    using iterator = const_iterator;

    ProgramLines() = default;
    ProgramLines(std::initializer_list<std::string_view> lines);
    explicit ProgramLines(const std::vector<std::string>& lines);

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](std::size_t index) const {
        const std::size_t start = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(bytes_).substr(start, ends_[index] - start);
    }
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(std::string_view line) {
        bytes_.append(line);
        ends_.push_back(bytes_.size());
    }
    void pop_back();
    void clear();
    void reserve(std::size_t lines, std::size_t bytes);

    // Bytes of all lines together, without line ends.
    std::size_t ByteCount() const { return bytes_.size(); }
    // What the lines hold on the heap.
    std::size_t MemoryBytes() const {
        return bytes_.capacity() + ends_.capacity() * sizeof(std::uint64_t);
    }

    // Takes the bytes of a file and splits them in place (see SplitProgramLines).
    static ProgramLines FromBytes(std::string&& bytes);

    bool operator==(const ProgramLines& other) const {
        return bytes_ == other.bytes_ && ends_ == other.ends_;
    }
    friend bool operator==(const ProgramLines& lines, const std::vector<std::string>& other);

  private:
    std::string bytes_;
    std::vector<std::uint64_t> ends_;  // the end of line i in bytes_; line i starts at ends_[i-1]
};

struct ProgramText {
    ProgramLines lines;  // bytes, no CR or LF
    bool operator==(const ProgramText&) const = default;
};

// A program file as loaded for the view, a send or a tool.
struct LoadedProgram {
    ProgramText text;
    std::uint64_t size = 0;  // bytes of the file (0 when it could not be read)
    bool readable = true;    // false when the file could not be opened
};

// Lines end at CR LF, at a lone LF and at a lone CR. A line end at the very end of the data does
// not start another (empty) line; "A\r\n\r\n" is the two lines "A" and "".
ProgramText SplitProgramLines(std::string_view bytes);
// The same, splitting the bytes where they are (no second copy of a large file).
ProgramText SplitProgramLinesInPlace(std::string&& bytes);

// Every line followed by CR LF.
std::string JoinProgramLines(const ProgramText& text);

}  // namespace kelvantori
