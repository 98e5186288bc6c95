#pragma once

// A check's findings and figures as the user reads them, in the program's language: the
// CLI's text and the window's "Conformité" tab say the same.

#include "check/check.h"

#include <string>

namespace quantaline::check {

// 15,5 in French, 15.5 in English; integers without a fraction, at most three decimals.
std::string number_text(double value);
// A finding's found or limit value; empty for none.
std::string value_text(const Value& value);
// What a code of a finding means: "1:1 (pixels carrés)", "25 images/s", "4:2:2".
std::string meaning_text(Meaning meaning, const Value& value);
// The value a finding found, by its meaning; empty for none.
std::string found_text(const Finding& finding);
// The values a finding allows ("4:3 ou 16:9"), else its limit; empty for neither.
std::string limit_text(const Finding& finding);
// "Conforme au profil DVD", "3 écarts au profil DVD"; "Aucun écart", "3 écarts" without a
// disc profile.
std::string verdict_text(const CheckResult& result);
// The same for `findings` findings against the profile titled `title` (none: empty).
std::string verdict_text(std::size_t findings, const std::string& title);
// The buffer's mode as JSON names it: "vbv_delay", "0xFFFF", "none".
const char* buffer_mode_key(BufferMode mode);
// "Tampon VBV : mode vbv_delay, 9800000 bit/s, 1835008 bits, marge minimale ..."
std::string buffer_text(const CheckResult& result);
// "Cadence : 3:2 (23,976 Hz)"
std::string cadence_text(const Cadence& cadence);
// A time from the stream's start: "00:01:23,480" in French, "00:01:23.480" in English.
std::string time_text(double seconds);

} // namespace quantaline::check
