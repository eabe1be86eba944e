#pragma once
// The file selectors that answer the file layer's selection calls, and the
// shared file state they leave behind (selected name, project file name and
// directory, pending open path, preset library).
#include "modelfiles/filelayer.h"
#include <cstdint>
#include <functional>
#include <string>

namespace shell {

struct FileState {
  std::string pendingOpen;     // at most 127 characters
  int pendingOpenFlag = 0;
  std::string projectFile;     // name with extension, at most 255 characters
  std::string projectDir;      // without a trailing "/" when set by a selector
  std::string selectedName;    // at most 127 characters
  std::string presetLibrary;   // used once
  bool havePreset = false;
};
FileState& fileState();
void fsel_Reset();

inline constexpr std::size_t kPathBuffer = 256;   // path buffers of the selectors
inline constexpr std::size_t kNameBuffer = 129;   // name buffers (128 characters)

// The selectors: path (directory and mask in, directory with "/" out, buffer
// of kPathBuffer), name (buffer of kNameBuffer), ok. Never write past either buffer.
void fsel_OpenWithDirList(char* path, char* name, std::uint16_t* ok);
void fsel_AnswerPendingOpen(char* path, char* name, std::uint16_t* ok);
void fsel_AnswerPendingOpenB(char* path, char* name, std::uint16_t* ok);
void fsel_AskOpenPreset(char* path, char* name, std::uint16_t* ok);
void fsel_AnswerNoneA(char* path, char* name, std::uint16_t* ok);
void fsel_AnswerNoneB(char* path, char* name, std::uint16_t* ok);
void fsel_AnswerNoneC(char* path, char* name, std::uint16_t* ok);
void fsel_AnswerNoneD(char* path, char* name, std::uint16_t* ok);

// The first selector's dialog for a caller that wants a file path: pattern
// (directory and mask), the name offered in the file field ("" for the mask)
// and whether the file is to be written. True with the chosen full path.
bool fsel_ChooseFile(const std::string& pattern, const std::string& offered, bool saving, std::string& chosen);

void fsel_SetPresetLibrary(const char* fullPath);
// Copies the selected name when shorter than capacity; the length in any case.
std::size_t fsel_GetSelectedName(char* buffer, std::size_t capacity);
void fsel_SetPendingOpen(const std::string& path);
// Copies the remembered file name over place when it is shorter than room;
// else the text stays. True when copied.
bool path_MakeTempName(char* place, std::size_t room);

// The open dialog the first selector shows: title "File", the filter
// (display text, pattern), the preset file field and the initial directory.
// Answers the chosen full path, or false when cancelled. The default shows Qt's
// non-native dialog when a QApplication runs, else answers "cancelled";
// tests install a script.
struct OpenDialogRequest {
  std::string title, filterText, filterPattern, fileField, initialDir;
  bool saving = false;   // a name that does not exist yet may be given
};
using OpenDialogFn = std::function<bool(const OpenDialogRequest&, std::string& chosen)>;
void setOpenDialog(OpenDialogFn fn);

// Caption: string 1, and with string 2 and a project file name, the name
// without its extension formatted with string 2.
void app_SetFrameTitle();
std::string app_FrameTitle();

// The FileDlgParams calls of the standard dialogs library.
int fsel_OpenProjectDialog();      // SW51_OpenMDLProject into the pending open buffer
int fsel_SaveAsProjectDialog();    // SW51_SaveAsMDLProject into the pending open buffer

// The model's file services answered by these selectors and the settings.
class ShellFileServices : public modelfiles::FileServices {
public:
  bool fileDialog(modelfiles::FileDialog service, const std::string& pattern, std::string& chosen) override;
  std::string tempDir() override;
  std::string libraryDir(int mode) override;
  std::string rememberedName() override;
  void waitCursor(bool on) override;
  bool getRemoveSysLib() override;
};

} // namespace shell
