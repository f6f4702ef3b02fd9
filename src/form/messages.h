// The program's own texts, in Turkish.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/file_ops.h"

namespace dorvan::messages {

inline constexpr std::string_view kStartPrompt = "KADEME SEÇİMİ YAPINIZ";

// Why a file operation failed, as a user reads it.
std::string reason(const FileResult& r);

std::string stageFileMissing(std::string_view file);
std::string stageFileUnreadable(std::string_view file, const FileResult& r);
std::string stageFileTooShort(std::string_view file, int lineCount);
// A stage file holds more than eight extra windows for these ports (in port order).
std::string tooManyExtraWindows(std::string_view file, const std::vector<int>& ports);
// The port's extra windows changed elsewhere while their dialog was open.
std::string extrasChangedElsewhere(int port);
std::string stageSaveFailed(std::string_view file, SaveStep step, const FileResult& r);
// The journal could not be written; said once a run.
std::string journalUnwritable(std::string_view file, const FileResult& r);
// The journal passed its bound but could not be put aside under the older name.
std::string journalNotRotated(std::string_view file, std::string_view older, const FileResult& r);
// The network settings file exists but cannot be read.
std::string settingsUnreadable(std::string_view file, const FileResult& r);
// It holds a password and others may read it.
std::string settingsReadableByOthers(std::string_view file);
// The page's private key, which others on the computer could use to pose as it.
std::string keyReadableByOthers(std::string_view file);
// The command line held something other than one stage number.
std::string startArgumentRefused(std::string_view given);

}  // namespace dorvan::messages
