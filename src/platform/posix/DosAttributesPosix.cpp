// DOS attributes on a POSIX host: the permission bits and the user.DOSATTRIB extended attribute.
#include "platform/posix/DosAttributesPosix.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/posix/HostFiles.h"

namespace kelvantori::posix {

namespace {

constexpr unsigned kDosReadOnly = 0x01;
constexpr unsigned kDosHidden = 0x02;
constexpr unsigned kDosSystem = 0x04;
constexpr unsigned kDosArchive = 0x20;

// "0x20"; Samba's newer binary form begins with the same text and a NUL.
unsigned ParseDosAttribute(std::string_view value) {
    if (value.size() < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return 0;
    unsigned bits = 0;
    for (std::size_t i = 2; i < value.size() && i < 10; ++i) {
        const char c = value[i];
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        bits = bits * 16 + digit;
    }
    return bits;
}

std::string FormatDosAttribute(unsigned bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", bits);
    return text;
}

unsigned ReadDosBits(const std::string& host) {
    char value[512];
    const ssize_t n = ::getxattr(host.c_str(), kDosAttributeName, value, sizeof value);
    if (n <= 0)
        return 0;
    return ParseDosAttribute(std::string_view(value, static_cast<std::size_t>(n)));
}

bool IsDotName(std::string_view name) {
    return !name.empty() && name[0] == '.';
}

}  // namespace

DosAttributes AttributesOf(const std::string& host, const struct stat& st, bool danglingLink) {
    const unsigned bits = danglingLink ? 0 : ReadDosBits(host);
    DosAttributes attributes;
    attributes.readOnly = !danglingLink && (st.st_mode & S_IWUSR) == 0;
    attributes.hidden = IsDotName(BaseNameOf(host)) || (bits & kDosHidden) != 0;
    attributes.system = (bits & kDosSystem) != 0;
    attributes.archive = (bits & kDosArchive) != 0;
    return attributes;
}

FsError SetAttributesOf(const std::string& host, const DosAttributes& attributes) {
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        return LastError();
    const char* file = host.c_str();

    // A dot name is hidden by its name; the stored bit is for names without one.
    unsigned wanted = 0;
    if (attributes.hidden && !IsDotName(BaseNameOf(host)))
        wanted |= kDosHidden;
    if (attributes.system)
        wanted |= kDosSystem;
    if (attributes.archive)
        wanted |= kDosArchive;
    const unsigned current = ReadDosBits(host);
    // Bits of others (Samba's directory bit...) are kept; read-only is the permission.
    const unsigned managed = kDosReadOnly | kDosHidden | kDosSystem | kDosArchive;
    const unsigned stored = (current & ~managed) | wanted;

    mode_t mode = st.st_mode & 07777;
    const mode_t finalMode = attributes.readOnly
                                 ? static_cast<mode_t>(mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                 : static_cast<mode_t>(mode | S_IWUSR);
    if (stored != current) {
        // Changing an extended attribute needs write permission on the file itself.
        if ((mode & S_IWUSR) == 0) {
            if (::chmod(file, mode | S_IWUSR) != 0)
                return LastError();
            mode |= S_IWUSR;
        }
        int result = 0;
        if (stored == 0) {
            result = ::removexattr(file, kDosAttributeName);
            if (result != 0 && errno == ENODATA)
                result = 0;
        } else {
            const auto text = FormatDosAttribute(stored);
            result = ::setxattr(file, kDosAttributeName, text.data(), text.size(), 0);
        }
        // Without user extended attributes there is nowhere to keep them (see above).
        if (result != 0 && errno != ENOTSUP) {
            const FsError error = LastError();
            ::chmod(file, st.st_mode & 07777);
            return error;
        }
    }
    if (mode != finalMode && ::chmod(file, finalMode) != 0)
        return LastError();
    return FsError::None;
}

}  // namespace kelvantori::posix
