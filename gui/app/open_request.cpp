// SPDX-License-Identifier: MIT
#include "gui/app/open_request.h"

namespace open_request {

namespace {

constexpr char kPrefix[] = "open ";
constexpr char kHex[] = "0123456789ABCDEF";

bool Plain(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '/' || c == '.' || c == '_' || c == '~' || c == '-';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string FormatRequest(const std::string& absolutePath)
{
    std::string line = kPrefix;
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (Plain(c)) {
            line += ch;
        } else {
            line += '%';
            line += kHex[c >> 4];
            line += kHex[c & 15];
        }
    }
    return line;
}

std::optional<std::string> ParseRequest(const std::string& line)
{
    const std::string prefix = kPrefix;
    if (line.size() > kMaxLine || line.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    std::string path;
    for (std::size_t i = prefix.size(); i < line.size(); ++i) {
        char c = line[i];
        if (c == '%') {
            if (i + 2 >= line.size())
                return std::nullopt;
            const int high = HexValue(line[i + 1]);
            const int low = HexValue(line[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            i += 2;
        } else if (!Plain(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        if (c == '\0')
            return std::nullopt;
        path += c;
    }
    if (path.empty() || path.front() != '/')
        return std::nullopt;
    return path;
}

}  // namespace open_request
