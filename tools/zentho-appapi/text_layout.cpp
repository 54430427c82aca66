// How the tool's text fits a terminal (see text_layout.h).
#include "text_layout.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>

size_t TerminalColumns() {
#if defined(_WIN32)
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
#else
    struct winsize size;
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    const char* columns = std::getenv("COLUMNS");
    char* end = nullptr;
    const unsigned long n = columns ? std::strtoul(columns, &end, 10) : 0;
    return end && *end == '\0' && n > 0 && n < 100000 ? n : 0;
}

size_t Cells(const std::string& utf8) {
    size_t cells = 0;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        cells += length == 3 ? 2 : 1;  // the CJK of the product's texts are three-byte sequences
        i += length;
    }
    return cells;
}

std::string Wrap(const std::string& text, size_t width) {
    std::string out;
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        std::string line = text.substr(from, end - from);
        const std::string indent(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' '), ' ');
        while (Cells(line) > width) {
            size_t cut = line.rfind(' ', width);
            if (cut == std::string::npos || cut <= indent.size()) cut = line.find(' ', width);
            if (cut == std::string::npos) break;  // one word longer than the width
            out += line.substr(0, cut) + "\n";
            line = indent + line.substr(line.find_first_not_of(' ', cut) == std::string::npos
                                            ? line.size()
                                            : line.find_first_not_of(' ', cut));
        }
        out += line + (end < text.size() ? "\n" : "");
        from = end + 1;
    }
    return out;
}
