#pragma once
// Initialisation (INI) files with the semantics of the Windows profile
// functions: section and key names ignore case, a missing key gives the
// default, writes are key by key and reach the file at once (through a
// temporary file and a rename, under a lock across processes), a null value
// deletes a key, a null key deletes a section. Text files are written with
// "\n"; "\r\n" is accepted on reading. Values are trimmed of blanks; a value in
// double or single quotes loses them, as the profile functions do.
#include "platform/export.h"
#include <string>
#include <utility>
#include <vector>

namespace plat::profile {

// The file path is taken as given after plat::path::resolveExisting (case
// ignored when the exact name does not exist).
PLATFORM_API std::string getString(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& def);
// Like GetPrivateProfileInt: leading digits of the value (an optional sign),
// def when the key is missing or has no digits.
PLATFORM_API long getInt(const std::string& file, const std::string& section,
                         const std::string& key, long def);
PLATFORM_API bool hasKey(const std::string& file, const std::string& section, const std::string& key);
// Writes one key; value == nullptr deletes the key. Creates the file and the
// section when missing. False when the file cannot be written.
PLATFORM_API bool writeString(const std::string& file, const std::string& section,
                              const std::string& key, const char* value);
PLATFORM_API bool deleteSection(const std::string& file, const std::string& section);
PLATFORM_API std::vector<std::string> sectionNames(const std::string& file);
PLATFORM_API std::vector<std::string> keyNames(const std::string& file, const std::string& section);
// Every key of a section with its value (as getString gives it), in file
// order; a key that occurs twice counts once (the first, as reads see it).
PLATFORM_API std::vector<std::pair<std::string, std::string>> sectionEntries(const std::string& file,
                                                                             const std::string& section);
// Writes are immediate; flush exists for callers that flush explicitly.
PLATFORM_API void flush(const std::string& file);

} // namespace plat::profile
