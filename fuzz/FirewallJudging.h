#pragma once
// What the firewall targets share: the one judge on what a reader made of
// the listing, and the promises of its verdict.

#include "doctor/FilterChains.h"

namespace lumiq::fuzz {

// Judges `rules` (a loop or a deep jump must end, as must every walk) and
// checks that the verdict names what decided, and that every text the
// doctor would show of them is UTF-8 without control characters.
void JudgeAndCheck(const doctor::FilterRules& rules);

} // namespace lumiq::fuzz
