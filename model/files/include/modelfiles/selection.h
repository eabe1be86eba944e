#pragma once
// Logic selection: the list dialogs of the shell through which a logic
// (subprogram), a library block or a library is named, fed by enumeration
// callbacks over the sources ("Standard" for the built-in kinds, "Projekt"
// for the main module, each library module by name) and their entries. In
// some editor states the last chosen name is answered without a dialog.
#include "model/records.h"

#include <cstdint>
#include <string>

namespace modelfiles {

// The five selection flags and the preview flag that the editor sets.
struct SelectionFlags {
  std::uint8_t flag1 = 0, flag2 = 0, flag3 = 0, flag4 = 0, flag5 = 0;
  std::uint8_t preview = 0;
};
extern SelectionFlags SelectFlags;

// The shell's list dialogs. Each calls the callbacks below to fill its lists
// and, on a choice, leaves the name with ls_SetLastChosen (and the source
// positioned on the chosen source). The defaults are cancelled dialogs.
class SelectionDialogs {
public:
  virtual ~SelectionDialogs() = default;
  virtual bool blockDialog(bool withPreview) { return false; }
  virtual bool removeLibraryDialog() { return false; }
  virtual bool replaceLibraryDialog() { return false; }
};
SelectionDialogs* setSelectionDialogs(SelectionDialogs* d);

// Enumeration callbacks: false when there is no (further) entry.
bool ls_FirstModule(std::string& name);
bool ls_NextModule(std::string& name);
bool ls_PrevModule(std::string& name);
bool ls_FirstEntry(std::string& name);
bool ls_NextEntry(std::string& name);
bool ls_FirstLogic(std::string& name);
bool ls_NextLogic(std::string& name);
bool ls_NoSecondList(std::string& name);
// Preview area size of a block dialog: with the preview of the chosen entry,
// and the fixed 50 x 50 of the dialogs without preview.
void ls_PreviewBlock(int& width, int& height);
void ls_ClearPreview();
void ls_NoPreviewSize(int& width, int& height);
void ls_NoPreview();
// The source the walk stands on: null for "Standard".
model::ProjectModule* ls_CurrentSource();

void ls_SetLastChosen(const std::string& name, const std::string& second = std::string());
std::string ls_LastChosen();
std::string ls_LastChosenSecond();

// The selector: kinds 1, 3, 4 name a logic of the document, any other kind a
// block of a source. True on a choice; name receives it, module the source
// (null for "Standard").
bool ls_SelectList(int kind, std::string& name, std::string& second, model::ProjectModule*& module);
// 1 a logic of the document (logic set), 2 a library block (logic null) or,
// with kind 4, the second name's logic; 0 nothing. field receives the chosen
// name blank-padded to 16 characters.
int ls_FindLogicByName(char* field, std::size_t length, model::LogicRecord*& logic, int kind);
int ls_FindLogicDirect(const std::string& name, char* field, std::size_t length, model::LogicRecord*& logic,
                       int kind);
bool ls_SelectLogic(model::ProjectModule*& module);
// Replace-library selection: the dialog, then a library load into the
// template document, which is made current (the caller switches back).
bool ls_ReplaceLibrary(model::ProjectModule*& module);
bool ls_SelectAndLoad(model::ProjectModule*& module);
void ls_UnitInit();

} // namespace modelfiles
