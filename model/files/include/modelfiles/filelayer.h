#pragma once
// The file layer: small integer file handles over the system's file calls,
// path helpers and the file selector by file kind. Everything the project,
// library, state and value files do on disk goes through it. A handle below 1
// means no file; -1 is a failed open.
//
// Paths accept "/" and "\" and are handed to the platform layer, which finds
// existing files ignoring case.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace modelfiles {

using FileHandle = std::int16_t;

// The dialog services of the shell that answer the file selector.
enum class FileDialog {
  AnswerPendingOpenB,  // command 207: save the project under a new name
  AnswerNoneA,         // second kind character "P": no file
  AnswerNoneB,         // second kind character "V": no file
  AnswerNoneC,         // command 288, third kind character "P": no file
  AnswerNoneD,         // command 287: no file
  AnswerPendingOpen,   // ".MDL"
  AskOpenPreset,       // second kind character "M"
  OpenWithDirList,     // anything else: the open dialog with the pattern
};

// What the file layer and the loaders need of the shell and of the settings
// library. The defaults answer "no file", use $TMPDIR (or /tmp) as the
// temporary folder and know no library directory. Tests install fakes.
class FileServices {
public:
  virtual ~FileServices() = default;
  // Runs a dialog service with the search pattern (directory, "*" and kind).
  // True with the chosen name (a bare name or a full path) when chosen.
  virtual bool fileDialog(FileDialog service, const std::string& pattern, std::string& chosen);
  // The temporary folder of the settings.
  virtual std::string tempDir();
  // The library path list of the settings: mode 0 the first entry, 1 the next,
  // 2 ends the walk. "" when there is none (more).
  virtual std::string libraryDir(int mode) { return {}; }
  // The real name remembered for the chosen-name placeholder ("" when none).
  virtual std::string rememberedName() { return {}; }
  virtual void waitCursor(bool on) {}
  // The settings' answer whether modules without entries are listed.
  virtual bool getRemoveSysLib() { return false; }
};
FileServices& fileServices();
// Installs services (null restores the defaults); returns the previous ones.
FileServices* setFileServices(FileServices* s);

// The number of the command the current document is carrying out; the file
// selector picks its dialog by it (207 save as, 287, 288).
extern std::uint16_t FileCommandCode;

// Index just after the last separator; 0 when there is none or when fewer
// than 17 places of a buffer of size would stay after it.
std::size_t gem_LastSlash(std::string_view path, std::size_t size);
// The path up to its last separator, a separator, and the name cut to 16 characters.
std::string gem_JoinPath(std::string_view path, std::string_view name);
// The path made to end with a separator.
std::string gem_CurrentDir(std::string_view path);
// The dialog service the selector uses for a kind text (".MDL") and command.
FileDialog gem_DialogFor(std::string_view kind, std::uint16_t command);
// File selector: the path's directory with "*" and the kind as pattern; on a
// choice the name part of path is replaced by it (a full path replaces all)
// and the result is true. Else path holds the pattern and the result is false.
bool gem_FileSelect(std::string& path, std::string_view kind);
// Selector with a preset name; on a choice deletes the chosen file, then
// opens (creates) it. -1 when nothing was chosen.
FileHandle gem_OpenSelected(std::string& path, std::string_view kind);

// Opens or creates a file for reading and writing; an open handle given in is
// closed first. A relative name that does not start with "." lies in the
// temporary folder. name receives the path used. Returns the handle (-1).
FileHandle gem_OpenOrCreate(std::string& name, FileHandle& handle);
// Opens an existing, non-empty file (read-write, else read-only); -1 when
// missing or empty. A bare name lies in the temporary folder.
FileHandle gem_OpenExisting(std::string& name, FileHandle& handle);
// The same; a missing or empty file is created empty before -1 is returned.
FileHandle gem_OpenExistingOrMark(std::string& name, FileHandle& handle);
// Creates (truncates) a file for writing; -1 on failure. No temp-folder rule.
FileHandle gem_Create(const std::string& path);
void gem_Fclose(FileHandle handle);
// Reads up to count bytes; count becomes the number read.
void gem_Fread(FileHandle handle, long& count, void* buffer);
void gem_Fwrite(FileHandle handle, long& count, const void* buffer);
void gem_Fdelete(std::string_view name);
// origin 0 start, 1 current position, 2 end; position receives the new one (-1 on failure).
void gem_Fseek(long offset, FileHandle handle, int origin, long& position);
bool gem_SkipForward(FileHandle handle, long offset);
bool gem_ReadChecked(FileHandle handle, void* buffer, long count);
// True when all bytes went; else shows 50037 and returns false.
bool gem_WriteChecked(FileHandle handle, const void* buffer, long count);
// Keeps a backup: the file gets the extension "MD~" (an older backup is
// deleted first). Returns false as the system's call does.
bool gem_Frename(std::string_view name);
// Reads from the current position to the end of the file (at most maxBytes);
// false on a read error or when the file is larger.
bool gem_ReadRest(FileHandle handle, std::vector<std::uint8_t>& out, std::size_t maxBytes = std::size_t(1) << 31);
// Reads a whole existing, non-empty regular file (a bare name lies in the
// temporary folder, as for gem_OpenExisting). A device, a directory, a link to
// either, or a file larger than maxBytes fails. Every reader of project and
// library files (the tools too) goes through it.
bool gem_ReadFile(const std::string& path, std::vector<std::uint8_t>& out,
                  std::size_t maxBytes = std::size_t(1) << 30);
// The few calls of the older environment that are still made: the printer
// is never ready, the drive is 0, the directory query writes nothing.
inline bool gem_PrnOS() { return false; }
inline int gem_GetDrv() { return 0; }
inline void gem_DirPathQuery(std::string&) {}
// Number of handles open through this layer (tests check that none leak).
int gem_OpenCount();

} // namespace modelfiles
