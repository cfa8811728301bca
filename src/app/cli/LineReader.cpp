// Reading answers from standard input.
#include "app/cli/LineReader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <istream>

namespace kelvantori {

namespace {

// How often a waiting question looks for Ctrl-C.
constexpr int kPollMs = 50;

void DropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
}

}  // namespace

ReadOutcome StreamLineReader::ReadLine(std::string& line) {
    line.clear();
    if (!std::getline(in_, line))
        return line.empty() ? ReadOutcome::EndOfInput : ReadOutcome::Line;
    DropCarriageReturn(line);
    return ReadOutcome::Line;
}

ReadOutcome DescriptorLineReader::ReadLine(std::string& line) {
    line.clear();
    for (;;) {
        if (interrupts_.Pending())
            return ReadOutcome::Interrupted;
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready < 0 && errno != EINTR)
            return line.empty() ? ReadOutcome::EndOfInput : ReadOutcome::Line;
        if (ready <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(fd_, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return line.empty() ? ReadOutcome::EndOfInput : ReadOutcome::Line;
        if (c == '\n') {
            DropCarriageReturn(line);
            return ReadOutcome::Line;
        }
        line.push_back(c);
    }
}

}  // namespace kelvantori
