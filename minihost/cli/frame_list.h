// The frames a render writes, as given to --frames: a frame ("7"), a range
// ("1-240"), a range with a step ("1-240x10": 1, 11, ..., 231), or a list of
// these separated by commas ("1,5,9-12"). Negative frames take a sign
// ("-5--1").
#pragma once

#include <string>
#include <vector>

namespace minihost::cli {

// At most this many frames in one list.
inline constexpr long long kMaxFrameCount = 1000000;

// The frames in ascending order, each once; false with `error` saying what
// is wrong otherwise. Frames lie within +-1,000,000.
bool parseFrameList(const std::string &text, std::vector<int> &frames, std::string &error);

// "A-B" or "A" alone; false for anything else.
bool parseFrameRange(const std::string &text, int &first, int &last);

}  // namespace minihost::cli
