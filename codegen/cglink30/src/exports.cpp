// The exported entries of cglink30.so.
#include "cglink30/cglink30.h"
#include "driver.h"
#include "library_binder.h"
#include "platform/export.h"

ZERLO_EXPORT int link_advmain(int argc, char** argv, CgAdvResult* result) {
  auto binder = cg::makeLibraryBinder();
  cg::RunOptions o;
  o.binder = binder.get();
  return cg::runCompile(argc, argv, result, o);
}

ZERLO_EXPORT int link_main(int argc, char** argv) {
  auto binder = cg::makeLibraryBinder();
  cg::RunOptions o;
  o.binder = binder.get();
  return cg::runCompile(argc, argv, nullptr, o);
}
