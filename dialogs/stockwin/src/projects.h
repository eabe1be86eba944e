#pragma once
// The file helpers of the dialogs and the making of a new project from a
// template, without widgets: messages go through a function the caller gives.
#include "dialogkit/format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sw {

// Shows message id (formatted with args) with the given box flags; answers the button.
using Say = std::function<int(unsigned id, unsigned flags, const std::vector<kit::FormatArg>& args)>;

bool sw_DirExists(const std::string& path);
// Creates every missing directory of path. 1 when the whole path then is a
// directory; 0 when a part exists as something else or cannot be created.
int sw_CreatePath(const std::string& path);

// Copies src over dst in blocks. When dst exists the user is asked (100): Yes
// copies, No keeps dst and counts as done, Cancel (mode != 0 only: Yes/No/
// Cancel) fails and sets *cancelled. Failures show 503-507. 1 done, 0 failed.
int sw_CopyFile(const char* src, const char* dst, int mode, const Say& say, bool* cancelled = nullptr);

// A project name the dialogs accept: not empty, no "*", ":", "?", "\", "/",
// and not "." or "..".
bool isValidProjectName(const std::string& name);
// The first of tmpl formatted with 0..99 whose dir + name + ext does not
// exist; empty when all exist.
std::string suggestProjectName(const std::string& dir, const std::string& tmpl, const std::string& ext);

// ---- templates ----
struct Template {
  std::string dir;   // relative to the template directory
  std::string icon;  // picture file, full path ("" when none)
  std::string name;  // display name ("" : the directory is shown)
  std::string shown() const { return name.empty() ? dir : name; }
};
struct TemplateList {
  std::vector<Template> items;
  int defaultIndex = -1;  // none when no template has the default number
};
// Reads TEMPLATES.INI: sections "1", "2" ... up to the first without DIR;
// GENERAL/DEFAULT names the default. False (list empty) when the file is missing.
bool LoadTemplates(const std::string& iniPath, const std::string& templateDir, TemplateList& out);
// templateDir + "/" + dir ("\\" in dir separates too; existing parts as on
// disk, matched without regard to case); empty when either is empty.
std::string GetTemplateFullDir(const std::string& templateDir, const Template& t);

// ---- new project ----
// Copies the template directory src into dst (recursively): files whose base
// name (upper-cased) is base are renamed to newName + their extension, upper-
// cased; the renamed ".MDL" gets its name field. A destination equal to the
// template is refused with 503, one inside it with 502 (nothing copied).
// Answers true when everything was copied (or kept by the user's No).
bool copyTemplate(const std::string& src, const std::string& dst, const std::string& base, const std::string& newName,
                  const Say& say, bool* cancelled = nullptr);
// Writes the project file's name field: the file name, or its alias when it
// does not fit 12 characters, zero-padded to 12 bytes at offset 16 (after the
// magic words) or else 4. False (506 shown) when the file cannot be written.
bool writeProjectNameField(const std::string& path, const Say& say);

// ---- bitmaps ----
// The ".BMP" files of dir (any case of the extension), sorted without regard to case.
std::vector<std::string> bitmapFiles(const std::string& dir);
// The file of dir whose name equals name without regard to case ("" when none).
std::string findFileNoCase(const std::string& dir, const std::string& name);
// The bitmap file a name field names: the file of that name (case ignored),
// else the file with a name over 12 characters whose 8.3 alias the field
// holds (the first in sorted order); "" when none.
std::string findBitmapFile(const std::string& dir, const std::string& field);
// Where a preview of w x h goes in a frame: centred at its own size when it
// is smaller both ways, else stretched to the frame.
struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};
Rect previewRect(const Rect& frame, int w, int h);
// The bitmap name fields hold at most 12 characters.
constexpr std::size_t kBitmapNameChars = 12;

} // namespace sw
