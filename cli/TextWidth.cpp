#include "cli/TextWidth.h"

#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <wchar.h>

#include <QList>
#include <QString>

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "cli/TerminalText.h"

namespace lumiq::cli {
namespace {

// The widths are the UTF-8 locale's, whatever locale the user runs in.
locale_t Utf8Locale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

std::size_t TextWidth(std::string_view text) {
    const std::string shown = TerminalText(text); // UTF-8 without control characters
    const QList<uint> codes = QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())).toUcs4();
    const locale_t locale = Utf8Locale();
    const locale_t previous = locale != nullptr ? uselocale(locale) : nullptr;
    std::size_t width = 0;
    for (const uint code : codes) {
        const int columns = wcwidth(static_cast<wchar_t>(code));
        width += columns < 0 ? 1 : static_cast<std::size_t>(columns);
    }
    if (previous != nullptr)
        uselocale(previous);
    return width;
}

std::size_t OutputWidth() {
    if (const char* columns = std::getenv("COLUMNS"); columns != nullptr && *columns != '\0') {
        std::size_t width = 0;
        const char* end = columns + std::strlen(columns);
        const auto [past, error] = std::from_chars(columns, end, width);
        if (error == std::errc() && past == end)
            return width;
    }
    winsize size{};
    if (isatty(STDOUT_FILENO) == 1 && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}

} // namespace lumiq::cli
