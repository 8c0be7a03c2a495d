// The order of the block table by its Contents column: by the text shown,
// without regard to case, equal texts in walk order; empty cells after all
// others whichever the direction.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// texts[w]: the Contents text of the row of walk index w. Gives the walk
// index of the row shown at each position.
std::vector<uint32_t> ContentsOrder(const std::vector<std::string_view>& texts, bool descending);
