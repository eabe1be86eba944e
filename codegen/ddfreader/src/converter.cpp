// Binding of the message-conversion library of a data format.
#include "ddfreader/ddf_reader.h"

#include "platform/library.h"

#include <cstdio>
#include <string>

namespace ddf {

bool LibraryConverterLoader::load(const std::string& path, mc01::Table& t, void*& handle) {
  handle = nullptr;
  plat::lib::Handle h = plat::lib::load(path);
  if (!h) return false;
  mc01::Table n;
  // Looked up in this order; the first missing name fails the binding.
  n.GetDLLVersion = plat::lib::symbolAs<MC01_GetDLLVersion_t>(h, "MC01_GetDLLVersion");
  bool ok = n.GetDLLVersion != nullptr;
  auto look = [&](auto& slot, const char* name) {
    if (!ok) return;
    slot = plat::lib::symbolAs<std::decay_t<decltype(slot)>>(h, name);
    ok = slot != nullptr;
  };
  look(n.ConvertStringToBin, "MC01_ConvertStringToBin");
  look(n.BinToLong, "MC01_BinToLong");
  look(n.BinToWord, "MC01_BinToWord");
  look(n.BinToFloat, "MC01_BinToFloat");
  look(n.BinToString, "MC01_BinToString");
  look(n.WordToBin, "MC01_WordToBin");
  look(n.LongToBin, "MC01_LongToBin");
  look(n.FloatToBin, "MC01_FloatToBin");
  look(n.StringToBin, "MC01_StringToBin");
  if (!ok) {
    plat::lib::unload(h);
    return false;
  }
  // The reader does not use these; they are taken when present.
  n.ConvertBinToString = plat::lib::symbolAs<MC01_ConvertBinToString_t>(h, "MC01_ConvertBinToString");
  n.DeleteMStrBuf = plat::lib::symbolAs<MC01_DeleteMStrBuf_t>(h, "MC01_DeleteMStrBuf");
  t = n;
  handle = h;
  return true;
}

void LibraryConverterLoader::unload(void* handle) {
  if (handle) plat::lib::unload(handle);
}

bool ConverterBinding::bind(int format) {
  format = converterFormat(format);
  if (handle_ && format_ == format) return true;
  release();
  std::string path;
  if (!settings_.msgConvPath(format, path) || path.empty()) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", format);
    showMessage(kMsgNoConverter, text);
    return false;
  }
  mc01::Table t;
  void* h = nullptr;
  if (!loader_.load(path, t, h) || !t.GetDLLVersion) {
    if (h) loader_.unload(h);
    showMessage(kMsgDllMissing, path);
    return false;
  }
  if (!(t.GetDLLVersion() >= 1.0) || !t.ConvertStringToBin || !t.BinToLong || !t.BinToWord ||
      !t.BinToFloat || !t.BinToString || !t.WordToBin || !t.LongToBin || !t.FloatToBin ||
      !t.StringToBin) {
    loader_.unload(h);
    showMessage(kMsgDllMissing, path);
    return false;
  }
  table_ = t;
  handle_ = h;
  format_ = format;
  return true;
}

void ConverterBinding::release() {
  if (handle_) loader_.unload(handle_);
  handle_ = nullptr;
  format_ = -1;
  table_ = mc01::Table{};
}

}  // namespace ddf
