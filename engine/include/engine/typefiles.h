#pragma once
// The data files of compiled gate types. A described parameter field of type
// 4 is a file record in the gate's parameter block: char[128] path, char[6]
// mask, i16 handle (below 1: closed). Handles index the interpreter's table of
// open files; each open file remembers the record it was opened for, so a
// handle number read from a project file or copied into another record never
// closes a file that record did not open.
#include <cstddef>
#include <cstdint>

namespace engine {

inline constexpr std::size_t kTypeFieldSize = 48;   // one described field
inline constexpr std::uint8_t kTypeFieldFile = 4;   // field type of a file record

// For each of count described fields (48 bytes each) of type 4, the file
// record at base + the field's offset (bytes 44..45): with close set its file
// is closed when it is open for that record; the handle becomes -1 in any
// case. Records that do not lie whole inside baseBytes are left alone. True
// when a file was closed.
bool gt_CloseRecordFiles(const void* entries, unsigned count, std::uint8_t* base, std::size_t baseBytes, bool close);
// Closes the record's file, puts ".*" into an empty mask, proposes the last
// component of the path (at most 12 characters; the current directory when
// the path is empty) and runs the file selector; on a choice the record's path
// becomes the chosen file. False when nothing was chosen.
bool gt_SelectRecordFile(std::uint8_t* record);
// True when the record's handle names a file open for that record.
bool vm_FileOpenFor(const std::uint8_t* record);

} // namespace engine
