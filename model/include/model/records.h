#pragma once
// The in-memory records of a project: document, modules, logics (worksheets and
// subprograms), gates with their pins and wires, and the run-time value records
// (instances). Records are plain structs linked by native pointers; they are
// allocated zero-filled and released with their size through the memory manager
// (model/memory.h). Every file format is written by explicit serializers, never
// by dumping these structs; fields that the files carry but the model does not
// interpret are kept under names that say where they come from.
#include <cstddef>
#include <cstdint>

namespace model {

struct DocumentRecord;
struct ProjectModule;
struct LogicRecord;
struct GateRecord;
struct GateTypeRecord;
struct GateInstance;
struct WirePoint;

// Signal type of a pin:
//   0 sequence link, 1 binary, 2..16 word of that many bits, 17 word of open
//   width, 18 open type, 20 REAL, 21..83 REAL vector of (type - 19) elements.
using PinSignalType = std::uint16_t;
enum : PinSignalType {
  kTypeSequence = 0, kTypeBinary = 1, kTypeOpenWord = 17, kTypeOpen = 18,
  kTypeReal = 20, kTypeMaxVector = 83
};

// Gate kind codes with a name in the code (the full table is model/gatekinds.h).
enum GateKind : std::uint8_t {
  kKindCall = 0, kKindAnd = 1, kKindOr = 2, kKindExor = 3, kKindCounter = 11,
  kKindMemory = 13, kKindMultiplexer = 14, kKindDecoder = 15,
  kKindIntegration = 28, kKindInput = 44, kKindOutput = 45,
  kKindDigIndicator = 47, kKindBargraph = 52, kKindPolynom = 54,
  kKindVecSummation = 55, kKindMatMultiplic = 56, kKindParamVariation = 61,
  kKindStep = 62, kKindStart = 63, kKindStop = 64, kKindBranch = 65,
  kKindText = 66, kKindSpline = 76, kKindIntegrationLim = 78, kKindMarker = 81,
  kKindDefineMarker = 82, kKindReferenceMarker = 83, kKindSetMarker = 84,
  kKindDisableLogic = 85, kKindLastBuiltIn = 89,
  kKindCompiled = 133, kKindCompiledNative = 134
};

// Element count of a signal type: 1 below 21, type - 19 from 21 on.
inline unsigned elementCount(PinSignalType t) { return t >= 21 ? unsigned(t) - 19u : 1u; }

// Step settings and state of a logic. Its byte layout (44 bytes, little-endian,
// in this field order) is a file format; serializers write it field by field.
struct StepBlock {
  double simTime;        // simulated time of the logic
  double interval;       // step width of the next step
  double minInterval;
  double maxInterval;
  double incrInterval;   // factor by which the width grows or shrinks
  std::uint16_t maxIterations;
  std::uint16_t stepFlags;  // bit 0: variable step width
};

struct WirePoint {
  WirePoint* Next;
  std::int16_t X;
  std::int16_t Y;
};

// One input of a gate. The connection lives entirely here.
struct InputPin {
  GateRecord* Source;        // gate whose output feeds this input; null when unconnected
  std::uint16_t SourcePin;   // that gate's output number from 1; 0 when unconnected
  PinSignalType Type;
  std::uint16_t Flags;       // bit 0: input negated; bit 1: negation really applied
  WirePoint* Wire;           // drawn route, from its start to this pin; null when none
  GateRecord* BranchOf;      // gate whose input wire this wire starts on; null: starts at the output
};
enum : std::uint16_t { kPinNegated = 1, kPinAppliedNegation = 2 };

struct OutputPin {
  std::uint16_t FirstElement;  // index from 1 of the pin's first element in the output values
  PinSignalType Type;
  std::uint16_t Flags;         // bit 0: output negated
};

// One row of a logic's port table (one per Input or Output gate).
struct PortRow {
  std::int16_t X;
  std::int16_t Y;
  std::uint16_t Slot;   // 65535: not yet placed
};
enum : std::uint16_t { kPortSlotUnplaced = 65535 };

struct LogicRecord {
  LogicRecord* Next;
  char Name[17];                 // up to 16 characters, zero-terminated
  std::uint16_t AuxWord;         // 0 on creation, copied with the logic
  std::uint16_t InputPortCount;  // number of Input gates = rows of InputPorts
  std::uint16_t OutputPortCount;
  GateRecord* FirstGate;         // execution order
  GateInstance* FirstInstance;   // one record per gate, same order
  std::uint32_t AuxLong;         // 0 on creation, copied with the logic
  std::uint16_t Flags;           // bits 11..13 set on creation
  std::uint16_t FlagsAux;        // word after Flags, copied with the logic
  std::int16_t Height;           // symbol size of a gate calling this logic
  std::int16_t Width;
  PortRow* InputPorts;           // null when the count is 0
  PortRow* OutputPorts;
  std::uint16_t GateCounter;     // last gate number handed out
  model::StepBlock StepBlock;
  double currentStep;
  double previousStep;
  char Text1[16];
  char Text2[16];
  char Text3[16];
  std::uint8_t Further[68];      // further fields, zero on creation, kept as they stand
  std::uint32_t LinkId;          // in memory only: identity while a project file is read or written
};
enum : std::uint16_t { kLogicCreationFlags = 0x3800 };

struct GateRecord {
  GateRecord* Next;
  std::uint8_t Kind;
  std::int16_t X;
  std::int16_t Y;
  std::uint16_t InputCount;
  std::uint16_t OutputCount;
  std::uint16_t ExtraCount;
  std::uint16_t StateCount;
  std::uint16_t VectorDimension;
  InputPin* Inputs;        // InputCount rows, null when 0
  OutputPin* Outputs;      // OutputCount rows, null when 0
  double* Extra;           // ExtraCount rows of 8 bytes, null when 0
  // Kind 0: the called LogicRecord; 133/134: the GateTypeRecord; 83/84: the
  // Marker or Define-Marker gate referred to; null otherwise. Use the typed
  // accessors below.
  void* Sub;
  std::uint16_t Flags;     // bit 0 mirrored; bit 1 extra values shared by all instances
  std::uint16_t UseCount;  // 1 after creation, copied with the gate
  std::uint16_t GateNumber;
  std::uint32_t LinkId;    // 0; identity while a project file is read or written
  // Kind 0 calling a '$' logic: the cycle time of its task, milliseconds (100
  // after creation, copied with the gate, kept by the project files).
  std::uint32_t AuxLong;
  std::uint8_t AuxByte;    // 0 on creation
  std::uint8_t AuxByte2;
  std::uint16_t AuxWord54;
  std::uint16_t Selected;      // 1 while selected in the editor
  std::uint16_t HeldSelected;  // the second mark word of the editor
  std::uint16_t BitCount;      // sequence bookkeeping of the code writer
  std::uint16_t WordCount;
  std::uint16_t SequenceNumber;
  std::uint16_t AuxWord66;
  // In memory only.
  GateRecord* SequenceLink;    // stack link of an open parallel sequence (code writer)
};
enum : std::uint16_t { kGateMirrored = 1, kGateSharedExtra = 2 };

inline LogicRecord* subLogic(const GateRecord* g) {
  return g && g->Kind == kKindCall ? static_cast<LogicRecord*>(g->Sub) : nullptr;
}
inline GateTypeRecord* subType(const GateRecord* g) {
  return g && (g->Kind == kKindCompiled || g->Kind == kKindCompiledNative)
             ? static_cast<GateTypeRecord*>(g->Sub) : nullptr;
}
inline GateRecord* subMarker(const GateRecord* g) {
  return g && (g->Kind == kKindReferenceMarker || g->Kind == kKindSetMarker)
             ? static_cast<GateRecord*>(g->Sub) : nullptr;
}

// One row of a compiled type's pin table (16 bytes in the files).
struct TypePinRow {
  std::int16_t X;
  std::int16_t Y;
  std::uint16_t Side;   // 1..4
  PinSignalType Type;
  std::uint8_t Carried[8];
};

// A gate type of a compiled module (block library).
struct GateTypeRecord {
  GateTypeRecord* Next;
  char Name[16];
  std::uint16_t ExtraCount;
  std::uint16_t StateCount;
  std::uint16_t InputCount;
  std::uint16_t OutputCount;
  void* StepProc;              // interpreter code of the step procedure
  ProjectModule* Module;       // owning module
  TypePinRow* InputPins;       // InputCount rows
  TypePinRow* OutputPins;
  std::int16_t Height;
  std::int16_t Width;
  std::uint16_t VariableCount;
  std::uint16_t ParamFieldCount;
  std::uint8_t AuxType[2];
  std::uint16_t Flags;         // bit 1: not a counted gate; bit 6: parallel sequence
  std::uint16_t StepLength;    // byte length of the step code; 0 = native step procedure
  std::uint16_t ProcLength[7]; // code lengths of the further procedures
  void* Procs[7];              // first and second code, allocation, end of run, parameters, two drawing
  void* VariableTable;
  void* ParamFields;
  std::uint32_t LinkId;
};
enum : std::uint16_t { kTypeNotCounted = 2, kTypeParallelSequence = 0x40 };

struct ProjectModule {
  ProjectModule* Next;
  char Name[12];               // plain: file name with ".MDL"; compiled: base name
  std::uint16_t Flags;         // bit 0 compiled; bit 2 current record sizes
  std::uint16_t AuxWord;
  void* List;                  // first LogicRecord (plain) or GateTypeRecord (compiled)
  void* CodeBlock;
  std::uint32_t CodeBlockSize;
  void* VariableBlock;
  std::uint32_t VariableBlockSize;
  void* ConstantBlock;
  std::uint32_t ConstantBlockSize;
  std::uint32_t Loaded;
};
enum : std::uint16_t { kModuleCompiled = 1, kModuleCurrentSizes = 4 };

inline bool isCompiled(const ProjectModule* m) { return m && (m->Flags & kModuleCompiled); }
inline LogicRecord* firstLogicOf(const ProjectModule* m) {
  return m && !isCompiled(m) ? static_cast<LogicRecord*>(m->List) : nullptr;
}
inline GateTypeRecord* firstTypeOf(const ProjectModule* m) {
  return m && isCompiled(m) ? static_cast<GateTypeRecord*>(m->List) : nullptr;
}

// Values of one gate at one place where its logic is used. Every value takes
// an 8-byte slot: an f64 for REAL types, the first 16 bits (u16) for 1..19.
struct GateInstance {
  GateInstance* Next;
  std::uint16_t GateNumber;
  double** InputRefs;     // InputCount pointers at the slot each input reads
  double* InputValues;    // own input element slots
  double* OutputValues;
  double* ExtraValues;    // own copy, or the gate's Extra when the gate shares it
  // StateCount slots. For a Reference-Marker or Set-Marker this points into the
  // marker's instance and is not owned. Null for a call (kind 0).
  double* StateValues;
  GateInstance* Children; // kind 0: instance records of the called logic's gates
  std::uint8_t RunFields[65];  // run-time fields of the engine, kept as they stand
  // In memory only: the slot counts the arrays were allocated with.
  std::uint16_t InputRefCount;
  std::uint16_t InputSlotCount;
  std::uint16_t OutputSlotCount;
  std::uint16_t ExtraSlotCount;   // 0 while the values are the gate's shared Extra
  std::uint16_t StateSlotCount;   // 0 while StateValues is borrowed (markers) or null
};

struct ScrollPos {
  std::int16_t X;
  std::int16_t Y;
};

constexpr int kMaxMacroLevel = 25;

// One project. Only the model's fields and those shared with the view and the
// engine are named; the whole record is copied between documents.
struct DocumentRecord {
  std::uint32_t EditorState;      // first word; read from the TemplateDocument
  std::int16_t MenuWord;          // second field, read signed by the menu-state rule
  GateRecord* PendingGate;        // third field: pending gate of the tool handlers
  GateRecord* CurrentGate;        // gate whose instances ge_GrowInstances inserts
  GateInstance* CurrentInstance;
  std::uint8_t PaletteOrderOption;  // 0 grouped palette order, else alphabetical
  std::uint32_t PortChangeCount;  // counted on the TemplateDocument
  std::uint16_t MacroLevel;       // 0 no worksheet; 1 own logic; up to 25
  LogicRecord* LevelLogics[kMaxMacroLevel + 1];
  GateInstance* LevelInstances[kMaxMacroLevel + 1];
  ScrollPos LevelScroll[kMaxMacroLevel + 1];
  ProjectModule* FirstModule;
  ProjectModule* LastModule;
  LogicRecord* FirstLogic;
  LogicRecord* LastLogic;
  model::StepBlock DefaultStepBlock;
  double InitialValue;

  // View (worksheet view and drawing).
  std::int16_t ViewHandle;
  std::int16_t WorldX, WorldY, WorldW, WorldH;
  std::int16_t ScrollX, ScrollY;
  std::int16_t MaxScrollX, MaxScrollY;
  std::int16_t SavedWorldX, SavedWorldY, SavedWorldW, SavedWorldH;
  std::int16_t PrintScrollX, PrintScrollY, PrintMaxScrollX, PrintMaxScrollY;
  std::int16_t CharWidth, LineHeight;
  double ViewScale;
  std::uint16_t WindowKind;
  std::uint16_t SheetWidth, SheetHeight;

  // Simulation.
  LogicRecord* SimLogic;          // the simulated logic
  GateInstance* SimInstances;
  std::uint16_t iterationCounter;
  std::uint16_t changed;
  std::uint16_t firstIteration;
  std::uint16_t converged;
  std::uint16_t acceptStep;
  std::uint16_t atTimeZero;
  std::uint16_t rejectStep;
  double requestedStep;
  std::uint16_t frameRequest;
  std::uint16_t frameArgument;
  std::uint16_t stepAborted;
  std::uint16_t runError;
  std::uint8_t stepWidened;
  std::uint8_t stepWidthChanged;
  std::uint8_t convergenceCheck;
  std::uint8_t singleIteration;
  std::uint8_t runFlag;
  std::uint8_t setupByte;
  std::uint8_t followSequence;    // option: follow the active sequence step
  std::uint8_t holdDisplay;       // editor flag that holds the display back
  GateRecord* MarkedGate;

  // Editing.
  void* CopyWork;                 // work pointer of the logic copy
  LogicRecord* UndoLogic;
  LogicRecord* PasteLogic;
  std::uint8_t ProjectLoaded;
  std::uint8_t DisplayChanged;
  std::uint8_t Busy;

  // Editor fields, in memory only: files never write them.
  std::uint16_t LastEventParam;   // key or command parameter of the last event
  std::uint8_t RunView;           // shown in a run window
  std::uint8_t EditView;          // shown in an editing window
  std::uint8_t ShowValues;        // list switches of the run display
  std::uint8_t ShowInstanceNames;
  std::int16_t ViewLeft, ViewTop, ViewRight, ViewBottom;    // visible part of the window
  std::int16_t TrendLeft, TrendTop, TrendRight, TrendBottom;
  std::int16_t PlotWidth, PlotHeight;
  std::int16_t GrabX, GrabY;      // offset of the picked point within the dragged object
  std::int16_t BoxW, BoxH;        // size of the dragged object
  LogicRecord* ReturnLogic;       // level to return to after a run view
  std::uint16_t ReturnLevel;
  char Title[64];                 // window title of the document
  std::uint8_t ListSwitch2;       // list switches 2..4 of the sheet view (ShowValues is switch 1)
  std::uint8_t ListSwitch3;
  std::uint8_t ListSwitch4;
  std::uint8_t TrendView;         // shown in a trend window
  std::uint8_t LevelReturn;       // the level-return slots hold a level to go back to
};

// The level-1 entries: the logic the worksheet shows and edits, and its instances.
inline LogicRecord*& EditLogic(DocumentRecord& d) { return d.LevelLogics[1]; }
inline GateInstance*& EditInstances(DocumentRecord& d) { return d.LevelInstances[1]; }

// The five document pointers.
extern DocumentRecord* CurrentDocument;   // the document nearly all code works on
extern DocumentRecord* TemplateDocument;  // first document; holds the editor state
extern DocumentRecord* PasteDocument;     // paste buffer
extern DocumentRecord* NewDocument;       // being built by a new-project command; else null
extern DocumentRecord* RunDocument;       // held around simulation and code generation

} // namespace model
