#pragma once
// What the fuzz targets share. A target checks the promises its parser makes
// (a round trip, a reply's form) besides surviving the sanitizers; a broken
// one stops the run like a crash, so that libFuzzer keeps the input.

#include <string>
#include <string_view>

namespace lumiq::fuzz {

// Aborts with the promise's text when it does not hold.
void Require(bool holds, const char* promise);

// A folder of this process alone on tmpfs (/dev/shm, unless TMPDIR names
// another place), removed with its files when the process ends. Saves flush
// to disk, which on a real disk would make every run crawl.
const std::string& ScratchFolder();

// Well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool IsValidUtf8(std::string_view text);

} // namespace lumiq::fuzz
