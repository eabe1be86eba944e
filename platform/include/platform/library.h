#pragma once
// Libraries by their Windows name: "OBELTOOL.DLL" finds ObelTool.so (case
// ignored, ".DLL" becomes ".so") at the path given, else beside the caller,
// else in the program directory. A name with a directory is looked up there.
#include "platform/export.h"
#include <string>

// Module start and end: a library may export
//   int ZerloModuleInit(void)   called after its first load() in the process;
//                               0 refuses the load (unloaded, null, lastError
//                               tells why)
//   void ZerloModuleExit(void)  called before the unload() that drops its last load()
// Loads are counted per library, so a library held twice starts and ends once.
namespace plat::lib {

using Handle = void*;

// callerDir: where the caller lives ("" for the program directory only).
PLATFORM_API Handle load(const std::string& name, const std::string& callerDir = "");
PLATFORM_API void* symbol(Handle h, const char* name);
PLATFORM_API void unload(Handle h);
// The file the last load found (or tried), and the reason a load failed.
PLATFORM_API std::string lastError();
// The Linux file name for a Windows library name: "A\B\OBELTOOL.DLL" -> "A/B/OBELTOOL.so";
// the case is resolved against the directory when loading.
PLATFORM_API std::string linuxName(const std::string& name);

template <class Fn> Fn symbolAs(Handle h, const char* name) {
  return reinterpret_cast<Fn>(symbol(h, name));
}

} // namespace plat::lib
