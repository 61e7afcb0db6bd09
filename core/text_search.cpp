// SPDX-License-Identifier: MIT
#include "core/text_search.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>

namespace ferrotap {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// Latin-1 lower case: A-Z and the accented capitals but the multiplication sign.
constexpr std::array<char, 256> kFold = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    table[static_cast<std::size_t>(c)] = static_cast<char>(upper ? c + 32 : c);
  }
  return table;
}();

void Fold(std::string& text) {
  for (char& c : text) c = kFold[static_cast<unsigned char>(c)];
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The pattern and the text as compared: both folded when case does not matter.
class Matcher {
 public:
  Matcher(const TextModel& model, const SearchQuery& query)
      : model_(model), pattern_(query.text), fold_(!query.matchCase) {
    if (fold_) Fold(pattern_);
  }

  std::size_t Size() const { return pattern_.size(); }

  // Reads [pos, pos + len) as compared.
  const std::string& Read(std::size_t pos, std::size_t len) {
    model_.Read(pos, len, block_);
    if (fold_) Fold(block_);
    return block_;
  }

  // Calls found(start) for every match starting in [from, to) in order, skipping overlaps when
  // `overlaps` is false, until found returns false.
  void Scan(std::size_t from, std::size_t to, bool overlaps,
            const std::function<bool(std::size_t)>& found) {
    const std::size_t n = pattern_.size();
    const std::size_t length = model_.Length();
    if (n == 0 || n > length) return;
    to = std::min(to, length - n + 1);
    const std::boyer_moore_horspool_searcher searcher(pattern_.begin(), pattern_.end());
    std::size_t pos = from;
    while (pos < to) {
      // Each block reaches n - 1 bytes past the starts it covers, so matches across its end are
      // found in full.
      const std::size_t starts = std::min(kBlockBytes, to - pos);
      const std::string& text = Read(pos, starts + n - 1);
      std::size_t next = pos + starts;
      for (auto it = text.begin();;) {
        it = std::search(it, text.end(), searcher);
        if (it == text.end()) break;
        const std::size_t at = pos + static_cast<std::size_t>(it - text.begin());
        if (!found(at)) return;
        const std::size_t skip = overlaps ? 1 : n;
        if (!overlaps && at + n > next) next = at + n;
        it += static_cast<std::ptrdiff_t>(skip);
        if (static_cast<std::size_t>(text.end() - it) < n) break;
      }
      pos = next;
    }
  }

 private:
  const TextModel& model_;
  std::string pattern_;
  bool fold_;
  std::string block_;
};

}  // namespace

std::optional<std::string> HexSearchText(std::string_view typed) {
  std::string shown;
  std::size_t i = 0;
  while (i < typed.size()) {
    const char c = typed[i];
    if (c == ' ' || c == ',' || c == '\t') {
      ++i;
      continue;
    }
    if (c == '0' && i + 2 < typed.size() && (typed[i + 1] == 'x' || typed[i + 1] == 'X') &&
        HexDigit(typed[i + 2]) >= 0) {
      i += 2;
      continue;
    }
    if (i + 1 >= typed.size() || HexDigit(c) < 0 || HexDigit(typed[i + 1]) < 0) return {};
    if (!shown.empty()) shown += ' ';
    shown += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    shown += static_cast<char>(std::toupper(static_cast<unsigned char>(typed[i + 1])));
    i += 2;
  }
  if (shown.empty()) return {};
  return shown;
}

SearchQuery DataWindowQuery(std::string_view typed, bool matchCase, bool hexShown) {
  if (hexShown) {
    if (auto hex = HexSearchText(typed)) return {*hex, true};
  }
  return {std::string(typed), matchCase};
}

std::size_t FindForward(const TextModel& model, const SearchQuery& query, std::size_t from) {
  Matcher matcher(model, query);
  std::size_t result = kNoMatch;
  matcher.Scan(from, model.Length(), true, [&](std::size_t at) {
    result = at;
    return false;
  });
  return result;
}

std::size_t FindBackward(const TextModel& model, const SearchQuery& query, std::size_t before) {
  Matcher matcher(model, query);
  const std::size_t n = matcher.Size();
  before = std::min(before, model.Length());
  if (n == 0 || n > before) return kNoMatch;
  // Blocks from the end backwards; the last match of the nearest block that has one wins.
  std::size_t end = before - n + 1;  // one past the last start allowed
  while (end > 0) {
    const std::size_t start = end > kBlockBytes ? end - kBlockBytes : 0;
    std::size_t last = kNoMatch;
    matcher.Scan(start, end, true, [&](std::size_t at) {
      last = at;
      return true;
    });
    if (last != kNoMatch) return last;
    end = start;
  }
  return kNoMatch;
}

std::size_t CountMatches(const TextModel& model, const SearchQuery& query) {
  Matcher matcher(model, query);
  std::size_t count = 0;
  matcher.Scan(0, model.Length(), false, [&](std::size_t) {
    ++count;
    return true;
  });
  return count;
}

std::vector<std::size_t> MatchesAround(const TextModel& model, const SearchQuery& query,
                                       std::size_t from, std::size_t to, std::size_t limit) {
  Matcher matcher(model, query);
  std::vector<std::size_t> starts;
  const std::size_t n = matcher.Size();
  if (n == 0 || limit == 0) return starts;
  matcher.Scan(from >= n ? from - n + 1 : 0, to, true, [&](std::size_t at) {
    starts.push_back(at);
    return starts.size() < limit;
  });
  return starts;
}

}  // namespace ferrotap
