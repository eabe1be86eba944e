#pragma once
// Target requests: the binary messages the online server library writes into
// the service channel buffer of a target and the answers the target places in
// the same buffer. Byte 0 of a request is its code, the data follow. All
// numbers are little-endian unless a comment says "target order" (the software
// PLC is a little-endian target, so there the two are the same).
//
// This header is shared by the software PLC (which answers) and the online
// server library (which sends); it holds only constants and small inline
// little-endian helpers, no state. Keep it stable: both sides depend on it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace protocol {

// ---------------------------------------------------------------------------
// Little-endian helpers (explicit byte order, never a struct dump).
inline std::uint16_t getU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t getU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void putU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putU32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// ---------------------------------------------------------------------------
// The channel buffer of the software PLC.
inline constexpr std::size_t kSoftChannelSize = 2000;
// The usable size a sender caps itself to after the short kernel information
// of a kernel older than version 3.00.
inline constexpr std::size_t kOldKernelUsableSize = 900;
// A sender keeps this many bytes of the usable size free when it cuts a memory
// transfer into pieces (piece = usable size - kPieceReserve).
inline constexpr std::size_t kPieceReserve = 8;

// Request codes (byte 0 of a request).
enum RequestCode : std::uint8_t {
  kReqGetState = 0,          // {0}                                 -> 2 bytes {mode, error byte}
  kReqSetState = 1,          // {1, mode, error byte}               -> no answer
  kReqShortInfo = 2,         // {2}                                 -> 21-byte short kernel information
  kReqStart = 3,             // {3}                                 -> no answer
  kReqReadMemory = 4,        // {4, u32 address, u16 count}         -> count + 1 bytes
  kReqWriteMemory = 5,       // {5, u32 address, data...}           -> no answer
  kReqVersionText = 6,       // {6}                                 -> text + zero (74 bytes on the PLC)
  kReqErrorWord = 7,         // {7}                                 -> u16 (target order)
  kReqNop = 9,               // {9}                                 -> no answer
  kReqReadValues = 13,       // {13, n x {u32 address, u8 size}}    -> u32 time counter, values, 1 more byte
  kReqSetTimeCounter = 15,   // {15, u32 time counter}              -> no answer
  kReqParamChanged = 16,     // {16}                                -> 1 byte (1 changed, 0 not)
  kReqSaveParams = 17,       // {17}                                -> no answer
  kReqResources = 32,        // {32, ResourceRequest}               -> full kernel information (description image)
  kReqFullInfo = 33,         // {33}                                -> full kernel information
  kReqTextCommand = 34,      // {34 '"', text, 0}                   -> text + zero
  kReqFileWrite = 35,        // {35 '#', u16 L, name, 0, mode, data}-> text + zero ("OK" when stored)
};

// Fixed request lengths and the smallest length of requests with data
// (the header a request must at least carry to be looked at).
inline constexpr std::size_t kLenGetState = 1;
inline constexpr std::size_t kLenSetState = 3;
inline constexpr std::size_t kLenShortInfo = 1;
inline constexpr std::size_t kLenStart = 1;
inline constexpr std::size_t kLenReadMemory = 7;
inline constexpr std::size_t kMinLenWriteMemory = 5;      // code + address; data follow
inline constexpr std::size_t kLenVersionText = 1;
inline constexpr std::size_t kLenErrorWord = 1;
inline constexpr std::size_t kMinLenReadValues = 1;       // code; 5 bytes per value follow
inline constexpr std::size_t kReadValueItemSize = 5;      // u32 address, u8 size
inline constexpr std::size_t kLenSetTimeCounter = 5;
inline constexpr std::size_t kMinLenResources = 5;        // code + u32 count; 26-byte entries follow
inline constexpr std::size_t kMinLenTextCommand = 1;
inline constexpr std::size_t kMinLenFileWrite = 5;        // code + u16 L + zero + mode (L = 0)

// Offsets inside requests.
inline constexpr std::size_t kOffSetStateMode = 1;
inline constexpr std::size_t kOffSetStateError = 2;
inline constexpr std::size_t kOffMemAddress = 1;          // requests 4 and 5
inline constexpr std::size_t kOffReadCount = 5;           // request 4
inline constexpr std::size_t kOffWriteData = 5;           // request 5
inline constexpr std::size_t kOffTimeCounter = 1;         // request 15
inline constexpr std::size_t kOffResourceRequest = 1;     // request 32: the ResourceRequest
inline constexpr std::size_t kOffText = 1;                // request 34
inline constexpr std::size_t kOffFileNameLength = 1;      // request 35: u16 L
inline constexpr std::size_t kOffFileName = 3;            // request 35: name, then a zero at 3 + L
// Request 35: the mode byte stands at L + 4, the data start at L + 5.
inline constexpr std::size_t fileWriteModeOffset(std::size_t nameLength) { return nameLength + 4; }
inline constexpr std::size_t fileWriteDataOffset(std::size_t nameLength) { return nameLength + 5; }
inline constexpr char kFileModeCreate = 'w';              // first piece
inline constexpr char kFileModeAppend = 'a';              // every later piece
// Data bytes per request-35 piece for a name of length L: usable - L - 14.
inline constexpr std::size_t fileWritePieceSize(std::size_t usable, std::size_t nameLength) {
  return usable > nameLength + 14 ? usable - nameLength - 14 : 0;
}
inline constexpr std::string_view kFileWriteOk = "OK";

// Answer sizes that a sender can rely on.
inline constexpr std::size_t kAnsGetState = 2;            // {mode, error byte}
inline constexpr std::size_t kAnsShortInfo = 21;
inline constexpr std::size_t kAnsVersionTextPlc = 74;     // the PLC's version text with its zero
inline constexpr std::size_t kAnsErrorWord = 2;
inline constexpr std::size_t kAnsParamChanged = 1;
// Request 4: count + 1 bytes (the requested bytes and the one after them).
inline constexpr std::size_t readMemoryAnswerSize(std::size_t count) { return count + 1; }
// Request 13: u32 time counter, the values, one more byte.
inline constexpr std::size_t kReadValuesTimeSize = 4;
inline constexpr std::size_t readValuesAnswerSize(std::size_t sumOfSizes) { return 4 + sumOfSizes + 1; }
// A sender accepts a request-13 answer of at least this many bytes.
inline constexpr std::size_t readValuesMinAnswer(std::size_t sumOfSizes) { return 4 + sumOfSizes; }

// Answer of request 0.
inline constexpr std::size_t kOffStateMode = 0;
inline constexpr std::size_t kOffStateError = 1;

// Short kernel information (answer of request 2), 21 bytes.
inline constexpr std::size_t kOffShortMarker = 0;         // 2
inline constexpr std::size_t kOffShortMajor = 1;          // version = major * 100 + minor
inline constexpr std::size_t kOffShortMinor = 2;
inline constexpr std::size_t kOffShortDevice = 3;         // 12 bytes, zero-padded
inline constexpr std::size_t kShortDeviceSize = 12;
inline constexpr std::size_t kOffShortFormat = 15;        // data format (2 Intel)
inline constexpr std::size_t kOffShortAddrFormat = 16;    // address width (4)
inline constexpr std::size_t kOffShortUsableSize = 17;    // u32 usable size (version >= 300)
inline constexpr int kVersionWithUsableSize = 300;

// The software PLC's identification.
inline constexpr std::uint8_t kPlcMajor = 3;
inline constexpr std::uint8_t kPlcMinor = 1;              // version 301
inline constexpr std::string_view kPlcDeviceName = "RQTX1";
inline constexpr std::string_view kPlcProcessorName = "R512x86NWPT";
inline constexpr std::string_view kPlcVersionText =
    "vMAIN_KERNEL_VERSION:SUB_KERNEL_VERSION1:SUB_KERNEL_VERSION2:SUB_KERNEL_3";

// ---------------------------------------------------------------------------
// ResourceRequest (request 32 from byte 1): u32 count (host order), then
// count entries of 26 bytes.
inline constexpr std::size_t kResourceCountSize = 4;
inline constexpr std::size_t kResourceEntrySize = 26;
inline constexpr std::size_t kResOffName = 0;             // 16 bytes, zero-terminated when shorter
inline constexpr std::size_t kResNameSize = 16;
inline constexpr std::size_t kResOffNumber = 16;          // u32, target order
inline constexpr std::size_t kResOffSize = 20;            // u32, target order
inline constexpr std::size_t kResOffOption = 24;          // u8
// Option bits of an area declaration.
inline constexpr std::uint8_t kAreaOptOneBlockForm = 0x01; // written in the one-block (contiguous) form
inline constexpr std::uint8_t kAreaOptKeepOnReset = 0x02;
inline constexpr std::uint8_t kAreaOptBitArea = 0x04;      // one byte per bit
inline constexpr std::uint8_t kAreaOptSecondPool = 0x10;   // second pool, kept on reset

// ---------------------------------------------------------------------------
// Program information block in target memory (written with request 5 at the
// project information address of the description), 23 bytes.
inline constexpr std::size_t kProgInfoSize = 23;
inline constexpr std::size_t kProgInfoOffMagic = 0;       // "OBEL"
inline constexpr std::size_t kProgInfoOffName = 4;        // 8 bytes, zero-ended when shorter
inline constexpr std::size_t kProgInfoOffDay = 12;
inline constexpr std::size_t kProgInfoOffMonth = 13;
inline constexpr std::size_t kProgInfoOffYear = 14;
inline constexpr std::size_t kProgInfoOffHour = 15;
inline constexpr std::size_t kProgInfoOffMinute = 16;
inline constexpr std::size_t kProgInfoOffSecond = 17;
inline constexpr std::size_t kProgInfoOffSize = 18;       // u32
inline constexpr std::size_t kProgInfoOffCheck = 22;
// The PLC announces this much room for it.
inline constexpr std::size_t kPlcProgInfoRoom = 38;

// ---------------------------------------------------------------------------
// Target modes (TargetMode) and error bits (TargetErrorBits).
enum TargetMode : std::uint8_t {
  kModeNone = 0,
  kModeOnline = 1,      // run
  kModeOffline = 2,
  kModeStep = 3,
  kModeStop = 4,
  kModeReset = 5,
  kModeLoad = 6,
  kModeTest = 7,
  kModeAkxi = 8,
  kModeCheck = 9,
  kModeParaChange = 10,
  kModeTerminal = 11,
};
enum TargetErrorBits : std::uint8_t {
  kErrRealtime = 0x01,
  kErrCommunication = 0x02,
  kErrCommand = 0x04,
  kErrPowerFailure = 0x40,
};

} // namespace protocol
