#pragma once
// The order a file manager shows the names of a folder in: letters compared without regard to case (A–Z and a–z),
// runs of digits compared as numbers ("p2" before "p10", "p007" beside "p7"), every other byte by its value. Names
// that compare equal that way ("p07" and "p7", "A" and "a") are ordered by their bytes, so the order is total and
// the same on every machine. Names are bytes: UTF-8 or not, nothing is decoded.
#include <string_view>

namespace sources {

bool NaturalLess(std::string_view left, std::string_view right);

} // namespace sources
