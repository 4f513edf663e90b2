#include "doctor/DoctorFinding.h"

#include <algorithm>
#include <cstdio>

namespace lumiq::doctor {
namespace {

// The length of the well-formed UTF-8 sequence (RFC 3629) that starts at
// `at`, 0 when none does.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

void AppendEscaped(std::string& shown, std::string_view bytes) {
    for (const char c : bytes) {
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
        shown += escaped;
    }
}

} // namespace

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Warning:
        return "warning";
    case Verdict::Problem:
        return "problem";
    }
    return "problem";
}

std::string ShownText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8Length(text, at);
        const std::string_view sequence = text.substr(at, length == 0 ? 1 : length);
        const auto lead = static_cast<unsigned char>(sequence[0]);
        const bool control = lead < 0x20 || lead == 0x7F ||
                             (lead == 0xC2 && length == 2 && static_cast<unsigned char>(sequence[1]) < 0xA0);
        if (length == 0 || control)
            AppendEscaped(shown, sequence);
        else
            shown += sequence;
        at += sequence.size();
    }
    return shown;
}

bool AnyProblem(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& finding) { return finding.verdict == Verdict::Problem; });
}

} // namespace lumiq::doctor
