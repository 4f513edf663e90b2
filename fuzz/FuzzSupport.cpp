#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/state/TempFolder.h"

namespace lumiq::fuzz {

namespace {

// The length of the UTF-8 sequence a lead byte opens, 0 for a byte that
// cannot open one; `low`/`high` bound the second byte, which rules out
// overlong forms, surrogates and code points past U+10FFFF.
std::size_t SequenceLength(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead < 0xC2)
        return 0;
    if (lead < 0xE0)
        return 2;
    if (lead == 0xE0)
        low = 0xA0;
    if (lead == 0xED)
        high = 0x9F;
    if (lead < 0xF0)
        return 3;
    if (lead == 0xF0)
        low = 0x90;
    if (lead == 0xF4)
        high = 0x8F;
    return lead <= 0xF4 ? 4 : 0;
}

} // namespace

void Require(bool holds, const char* promise) {
    if (holds)
        return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

const std::string& ScratchFolder() {
    static const testfs::TempFolder folder = [] {
        // The temporary folder is tmpfs unless TMPDIR says otherwise.
        if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm")) {
            ::setenv("TMPDIR", "/dev/shm", 0);
        }
        return testfs::TempFolder();
    }();
    return folder.path();
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char low = 0;
        unsigned char high = 0;
        const std::size_t length = SequenceLength(static_cast<unsigned char>(text[i]), low, high);
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace lumiq::fuzz
