// SPDX-License-Identifier: MIT
// Search in a text model against a plain search of the same string: the first byte splits the
// input into what is typed (searched as HEX when it reads as byte values) and the text, which is
// inserted in two colours with the store's gap moved into it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text_model.h"
#include "core/text_search.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ferrotap;
  if (size < 2) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = data[0] % input.size();
  const SearchQuery query = DataWindowQuery(input.substr(0, split), (data[0] & 0x80) != 0, true);
  const std::string text = input.substr(split);
  TextModel model;
  model.InsertAtCaret(text.substr(text.size() / 2));
  model.SetCaret(0);
  model.SetInsertColor(1);
  model.InsertAtCaret(text.substr(0, text.size() / 2));
  FUZZ_CHECK(model.Text() == text);
  if (!query.matchCase) return 0;  // a plain search knows no case folding
  const std::size_t plain = query.text.empty() ? std::string::npos : text.find(query.text);
  const std::size_t found = FindForward(model, query, 0);
  FUZZ_CHECK(found == (plain == std::string::npos ? kNoMatch : plain));
  std::size_t count = 0;
  for (std::size_t at = plain; at != std::string::npos; at = text.find(query.text, at + query.text.size())) {
    ++count;
  }
  FUZZ_CHECK(CountMatches(model, query) == count);
  return 0;
}
