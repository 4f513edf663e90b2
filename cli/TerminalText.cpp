#include "cli/TerminalText.h"

#include <algorithm>
#include <cstdint>
#include <iostream>

namespace lumiq::cli {
namespace {

// The character at `text[at]` and its length in bytes; length 0 when the
// bytes there are no UTF-8 (RFC 3629: no overlong forms, no surrogates,
// nothing beyond U+10FFFF).
struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;
};

Decoded DecodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    unsigned char low = 0x80; // the second byte's range, tighter after some leads
    unsigned char high = 0xBF;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {};
    }
    if (at + length > text.size())
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return {};
        code = (code << 6) | (next & 0x3Fu);
    }
    return {code, length};
}

bool ReordersText(char32_t code) {
    return code == 0x2028 || code == 0x2029 || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

void AppendHex(std::string& out, const char* prefix, std::uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xFu];
}

// How many bytes at the end of `text` start a character that is not whole
// yet: held back, since its rest may follow in the next write.
std::size_t UnfinishedTail(std::string_view text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if (byte >= 0x80 && byte <= 0xBF)
            continue; // a continuation byte: look further back
        const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return needed > back ? back : 0;
    }
    return 0;
}

} // namespace

std::string TerminalText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const Decoded decoded = DecodeAt(text, at);
        if (decoded.length == 0) {
            AppendHex(shown, "\\x", static_cast<unsigned char>(text[at]), 2);
            ++at;
            continue;
        }
        const char32_t code = decoded.code;
        if (code == '\\') {
            shown += "\\\\";
        } else if (code == '\t') {
            shown += "\\t";
        } else if (code == '\n') {
            shown += "\\n";
        } else if (code == '\r') {
            shown += "\\r";
        } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            AppendHex(shown, "\\x", code, 2);
        } else if (ReordersText(code)) {
            AppendHex(shown, "\\u", code, 4);
        } else {
            shown.append(text.substr(at, decoded.length));
        }
        at += decoded.length;
    }
    return shown;
}

class EscapedStderr::Buffer final : public std::streambuf {
public:
    explicit Buffer(std::streambuf* out) : out_(out) {}

    // Everything, an unfinished last character included.
    void writeAll() { write(pending_.size()); }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        pending_ += traits_type::to_char_type(c);
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        return count;
    }
    int sync() override { return write(pending_.size() - UnfinishedTail(pending_)); }

private:
    int write(std::size_t count) {
        std::string shown;
        std::size_t start = 0;
        while (start < count) {
            const std::size_t end = std::min(pending_.find('\n', start), count);
            shown += TerminalText(std::string_view(pending_).substr(start, end - start));
            if (end < count)
                shown += '\n';
            start = end + 1;
        }
        pending_.erase(0, count);
        const auto size = static_cast<std::streamsize>(shown.size());
        const bool whole = out_->sputn(shown.data(), size) == size;
        return whole && out_->pubsync() == 0 ? 0 : -1;
    }

    std::streambuf* out_;
    std::string pending_;
};

EscapedStderr::EscapedStderr()
    : buffer_(std::make_unique<Buffer>(std::cerr.rdbuf())), original_(std::cerr.rdbuf(buffer_.get())) {}

EscapedStderr::~EscapedStderr() {
    buffer_->writeAll();
    std::cerr.rdbuf(original_);
}

} // namespace lumiq::cli
