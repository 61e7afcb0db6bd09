// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_model.h"

namespace ferrotap {

// What the user looks for in the data window.
struct SearchQuery {
  std::string text;  // Latin-1, as it is shown
  bool matchCase = false;
};

// Byte values typed for a search in HEX ("0d0a", "0D 0A", "0x0D,0x0A") as HEX shows them ("0D 0A");
// nothing when the text is not whole byte values.
std::optional<std::string> HexSearchText(std::string_view typed);

// The query for what the user typed: in a window that shows HEX, byte values are looked for as HEX
// shows them, whatever their case; any other text is looked for as typed.
SearchQuery DataWindowQuery(std::string_view typed, bool matchCase, bool hexShown);

// Searches the text model through its reading interface only, block by block, so that matches
// across a colour change, the text store's gap or a block boundary are found like any other.
inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

// Start of the first match starting at or after `from`; kNoMatch when there is none.
std::size_t FindForward(const TextModel& model, const SearchQuery& query, std::size_t from);
// Start of the last match ending at or before `before`; kNoMatch when there is none.
std::size_t FindBackward(const TextModel& model, const SearchQuery& query, std::size_t before);
// Matches in the whole text, counted as a forward search meets them (no overlaps).
std::size_t CountMatches(const TextModel& model, const SearchQuery& query);
// Starts of the matches that overlap [from, to), for highlighting what is on screen; at most
// `limit` of them.
std::vector<std::size_t> MatchesAround(const TextModel& model, const SearchQuery& query,
                                       std::size_t from, std::size_t to, std::size_t limit);

}  // namespace ferrotap
