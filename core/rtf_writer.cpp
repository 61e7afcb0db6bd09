// SPDX-License-Identifier: MIT
#include "core/rtf_writer.h"

#include <algorithm>
#include <exception>
#include <map>

#include "core/safe_file.h"

namespace ferrotap {

namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr char kHexDigits[] = "0123456789abcdef";

// Walks [pos, pos + len) in chunks, turning each line end into `lineEnd` and every other byte into
// whatever `emit` appends. A CR at the end of one chunk and an LF at the start of the next are one
// line end, so the CR state lives across chunks and runs.
class LineEndWalker {
 public:
  explicit LineEndWalker(std::string_view lineEnd) : lineEnd_(lineEnd) {}

  template <typename Emit>
  void Walk(const TextModel& model, std::size_t pos, std::size_t len, std::string& out, Emit emit) {
    std::string chunk;
    for (std::size_t done = 0; done < len; done += chunk.size()) {
      model.Read(pos + done, std::min(kChunk, len - done), chunk);
      for (char c : chunk) {
        if (c == '\n' && afterCr_) {
          afterCr_ = false;
          continue;
        }
        afterCr_ = c == '\r';
        if (c == '\r' || c == '\n') {
          out += lineEnd_;
        } else {
          emit(c, out);
        }
      }
    }
  }

 private:
  std::string_view lineEnd_;
  bool afterCr_ = false;
};

void AppendRtfChar(char c, std::string& out) {
  const auto u = static_cast<unsigned char>(c);
  if (c == '\\' || c == '{' || c == '}') {
    out += '\\';
    out += c;
  } else if (c == '\t') {
    out += "\\tab ";
  } else if (u < 0x20 || u >= 0x7F) {
    out += "\\'";
    out += kHexDigits[u >> 4];
    out += kHexDigits[u & 0xF];
  } else {
    out += c;
  }
}

void Report(const SaveProgress& progress, std::size_t done, std::size_t total) {
  if (progress && !progress(done, total)) throw SaveCancelledError{};
}

}  // namespace

void WriteRtf(const TextModel& model, const ColorResolver& resolve, const TextSink& sink,
              const SaveProgress& progress) {
  std::map<Color, int> table;
  std::string header = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 ";
  header += kDataWindowFontName;
  header += ";}}\r\n{\\colortbl ;";
  const std::size_t runCount = model.RunCount();
  for (std::size_t i = 0; i < runCount; ++i) {
    const Color rgb = resolve(model.Run(i).color) & 0xFFFFFF;
    if (table.emplace(rgb, static_cast<int>(table.size()) + 1).second) {
      header += "\\red" + std::to_string(RedOf(rgb)) + "\\green" + std::to_string(GreenOf(rgb)) +
                "\\blue" + std::to_string(BlueOf(rgb)) + ";";
    }
  }
  header += "}\r\n\\viewkind4\\uc1\\pard\\f0\\fs" + std::to_string(kDataWindowRtfHalfPoints) + " ";
  sink(header);

  LineEndWalker walker("\\par\r\n");
  std::string out;
  int current = 0;
  for (std::size_t i = 0; i < runCount; ++i) {
    const ColorRunView run = model.Run(i);
    // A run the text store cut in two is written as one.
    const int index = table[resolve(run.color) & 0xFFFFFF];
    if (index != current) out += "\\cf" + std::to_string(index) + " ";
    current = index;
    for (std::size_t done = 0; done < run.length; done += kChunk) {
      walker.Walk(model, run.start + done, std::min(kChunk, run.length - done), out, AppendRtfChar);
      if (out.size() >= kChunk) {
        sink(out);
        out.clear();
        Report(progress, run.start + done, model.Length());
      }
    }
  }
  out += "\r\n}\r\n";
  sink(out);
}

void WritePlainText(const TextModel& model, const TextSink& sink, const SaveProgress& progress) {
  LineEndWalker walker("\r\n");
  std::string out;
  for (std::size_t pos = 0; pos < model.Length(); pos += kChunk) {
    out.clear();
    walker.Walk(model, pos, std::min(kChunk, model.Length() - pos), out,
                [](char c, std::string& o) { o += c; });
    sink(out);
    Report(progress, pos, model.Length());
  }
}

namespace {

// The message of a failed save, or empty on success.
template <typename Writer>
std::string SaveFile(const std::string& path, Writer write) {
  try {
    AtomicFileWriter file(path);
    write([&file](std::string_view data) { file.Write(data); });
    file.Commit();
  } catch (const SaveCancelledError&) {
    return std::string(kSaveCancelled);
  } catch (const std::exception& error) {
    return error.what();
  }
  return {};
}

}  // namespace

std::string SaveRtfFile(const std::string& path, const TextModel& model,
                        const ColorResolver& resolve, const SaveProgress& progress) {
  return SaveFile(path, [&](const TextSink& sink) { WriteRtf(model, resolve, sink, progress); });
}

std::string SaveTextFile(const std::string& path, const TextModel& model,
                         const SaveProgress& progress) {
  return SaveFile(path, [&](const TextSink& sink) { WritePlainText(model, sink, progress); });
}

}  // namespace ferrotap
