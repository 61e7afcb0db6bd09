// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/colors.h"
#include "core/text_model.h"

namespace ferrotap {

// Maps a stored colour (possibly a system colour) to a plain 0x00BBGGRR one.
using ColorResolver = std::function<Color(Color)>;
using TextSink = std::function<void(std::string_view)>;
// Told the text done so far and the whole; false stops the save.
using SaveProgress = std::function<bool(std::size_t done, std::size_t total)>;
// What a save stopped by its progress function returns.
inline constexpr std::string_view kSaveCancelled = "cancelled";

inline constexpr std::string_view kDataWindowFontName = "Courier New";
// 13 pixels at 96 dpi, in the half points RTF counts in.
inline constexpr int kDataWindowRtfHalfPoints = 20;

// An RTF document: font table, colour table, every run in its colour, CR / LF / CR LF as
// paragraphs.
// A progress function that returns false ends the writing with SaveCancelledError.
void WriteRtf(const TextModel& model, const ColorResolver& resolve, const TextSink& sink,
              const SaveProgress& progress = {});
// The characters only, every line end written as CR LF.
void WritePlainText(const TextModel& model, const TextSink& sink,
                    const SaveProgress& progress = {});

struct SaveCancelledError {};

// Written through a temporary file and a rename, so a failed save leaves the old file. Empty on
// success, else a message naming the file and the system's reason.
// kSaveCancelled when the progress function stopped it; the old file is then left as it was.
std::string SaveRtfFile(const std::string& path, const TextModel& model,
                        const ColorResolver& resolve, const SaveProgress& progress = {});
std::string SaveTextFile(const std::string& path, const TextModel& model,
                         const SaveProgress& progress = {});

}  // namespace ferrotap
