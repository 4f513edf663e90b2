#include "base/GbkText.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace lumiq {

namespace {

// One conversion descriptor for the length of one call; iconv keeps shift
// state in it, so it is never shared.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("No conversion from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`. Where iconv stops at a sequence it cannot convert (or an
    // incomplete one at the end), `skipLength` says how many input bytes to
    // drop and `replacement` is written instead; then conversion goes on.
    template <typename SkipLength>
    std::string Run(std::string_view in, std::string_view replacement, SkipLength skipLength) {
        std::string out;
        out.reserve(in.size() * 2 + 8);
        char* inPtr = const_cast<char*>(in.data()); // iconv's interface is not const-correct
        std::size_t inLeft = in.size();
        char buffer[256];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (result != static_cast<std::size_t>(-1) || error == E2BIG)
                continue;
            // EILSEQ or EINVAL: drop the offending bytes, never past the input.
            std::size_t skip = skipLength(std::string_view(inPtr, inLeft));
            if (skip == 0 || skip > inLeft)
                skip = inLeft > 0 ? 1 : 0;
            inPtr += skip;
            inLeft -= skip;
            out.append(replacement);
        }
        return out;
    }

private:
    iconv_t cd_;
};

bool IsUtf8Continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 character at the start of `text`, or 1 when
// the bytes there are not one: a character GBK lacks becomes one "?", a stray
// byte becomes one "?" of its own.
std::size_t Utf8CharacterLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if (!IsUtf8Continuation(static_cast<unsigned char>(text[i])))
            return 1;
    return length;
}

} // namespace

std::string Utf8ToGbk(std::string_view utf8) {
    Converter converter("GBK", "UTF-8");
    return converter.Run(utf8, "?", Utf8CharacterLength);
}

std::string GbkToUtf8(std::string_view gbk) {
    Converter converter("UTF-8", "GBK");
    // One byte at a time: a lead byte followed by a bad trail byte loses only
    // itself, and the trail byte (often plain ASCII) is read again.
    return converter.Run(gbk, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
}

std::size_t GbkByteCount(std::string_view utf8) {
    return Utf8ToGbk(utf8).size();
}

std::size_t GbkWholeCharactersLength(std::string_view gbk) {
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto byte = static_cast<unsigned char>(gbk[i]);
        const std::size_t width = (byte >= 0x81 && byte <= 0xFE) ? 2 : 1;
        if (i + width > gbk.size())
            break;
        i += width;
    }
    return i;
}

} // namespace lumiq
