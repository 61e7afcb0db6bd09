// SPDX-License-Identifier: MIT
// The text model's traffic with its spill store: the oldest pages out, pages back in for an edit
// before the memory part, and the oldest text dropped when neither disk nor memory has room.
#include <exception>
#include <string>

#include "core/text_model.h"

namespace ferrotap {

void TextModel::AfterEdit(std::size_t pos) {
  // Whether base_ starts a line depends on the byte behind it, which an edit there may change.
  if (store_ && pos == base_ && base_ > 0) store_->SetLastEndsLine(IsLineStart(base_));
  if (store_ && !storeFailed_) {
    if (std::string problem = store_->WriteProblem(); !problem.empty()) StoreFailed(problem);
  }
  while (text_.Size() > limits_.memoryBytes && SpillPage()) {
  }
  if (text_.Size() > limits_.hardBytes) DropOldest();
}

// Text from the page holding pos on comes back into memory, rebuilt run by run.
void TextModel::Unspill(std::size_t pos) {
  const std::size_t page = store_->PageOf(pos);
  const std::size_t newBase = store_->PageAt(page).start;
  std::string text = Slice(newBase, Length() - newBase);
  std::vector<ColorRunView> runs;
  for (std::size_t i = RunIndexAt(newBase); i < RunCount(); ++i) runs.push_back(Run(i));
  text_.Clear();
  runs_.Clear();
  lineStarts_.Clear();
  store_->Truncate(page);
  base_ = newBase;
  const Color color = insertColor_;
  for (const ColorRunView& run : runs) {
    insertColor_ = run.color;
    InsertAt(Length(), std::string_view(text).substr(run.start - newBase, run.length));
  }
  insertColor_ = color;
}

void TextModel::StoreFailed(const std::string& reason) {
  storeFailed_ = true;
  storeProblem_ = "The data window cannot keep its older text on disk: " + reason +
                  ". The capture goes on in memory; beyond " +
                  std::to_string(limits_.hardBytes >> 20) +
                  " MB the oldest text is dropped, with a line saying so.";
}

// The oldest page of the memory part goes to the store. False when it cannot: no store, a store
// that failed, or (below the hard limit) a page that would take the caret or selection along, which
// the next edit would only bring back.
bool TextModel::SpillPage() {
  if (storeFailed_ || limits_.folder.empty() || text_.Size() < 2) return false;
  std::size_t cut = base_ + std::min(limits_.pageBytes, text_.Size() - 1);
  if (At(cut - 1) == '\r' && At(cut) == '\n') ++cut;
  if (cut >= Length()) return false;
  if (cut > SelectionStart() && text_.Size() <= limits_.hardBytes) return false;
  std::vector<SpilledRun> runs;
  for (std::size_t i = 0; i < runs_.Size() && runs_.At(i).pos < cut; ++i) {
    runs.push_back({static_cast<uint32_t>(runs_.At(i).pos - base_), runs_.At(i).value});
  }
  try {
    if (!store_) store_ = std::make_unique<SpillStore>(limits_.folder);
    std::string text = store_->SpareText();
    Read(base_, cut - base_, text);
    store_->Append(std::move(text), runs, IsLineStart(cut));
  } catch (const std::exception& error) {
    StoreFailed(error.what());
    return false;
  }
  const Color colorAtCut = runs_.At(runs_.UpperBound(cut) - 1).value;
  runs_.DropBefore(cut);
  if (runs_.Size() == 0 || runs_.At(0).pos != cut) runs_.PushFront({cut, colorAtCut});
  lineStarts_.DropBefore(cut + 1);
  text_.EraseFront(cut - base_);
  base_ = cut;
  return true;
}

// Down to the memory limit, from the oldest text in memory, never between a CR and its LF.
void TextModel::DropOldest() {
  std::size_t cut = base_ + (text_.Size() - std::min(text_.Size(), limits_.memoryBytes));
  if (cut < Length() && At(cut - 1) == '\r' && At(cut) == '\n') ++cut;
  const std::size_t n = cut - base_;
  std::string marker =
      "[" + std::to_string(n) + " bytes of the oldest text dropped: no room left for them]\r\n";
  if (base_ > 0 && !IsLineStart(base_)) marker.insert(0, "\r\n");
  const auto moved = [&](std::size_t p) {
    if (p < base_) return p;
    return p < cut ? base_ + marker.size() : p - n + marker.size();
  };
  const std::size_t caret = moved(caret_);
  const std::size_t anchor = moved(anchor_);
  const Color color = insertColor_;
  EraseRange(base_, n);
  insertColor_ = kSysWindowTextColor;
  InsertAt(base_, marker);
  insertColor_ = color;
  caret_ = caret;
  anchor_ = anchor;
  dropped_ += n;
  if (store_ && base_ > 0) store_->SetLastEndsLine(IsLineStart(base_));
}

}  // namespace ferrotap
