#pragma once
// The device description reader's core: reading a description file through a
// message converter, the module and memory area tables, the queries, the text
// dump and the resource request. The exported DDF01_ operations of DdfReader.so
// are a thin layer over one Reader.
#include "ddfreader/ddf01.h"
#include "msgconv/mc01_table.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ddf {

// ---- seams ---------------------------------------------------------------

// What the reader needs of the settings library.
class Settings {
public:
  virtual ~Settings() = default;
  // The path of the message-conversion library for a data format; false when
  // none is configured.
  virtual bool msgConvPath(int format, std::string& path) = 0;
};

// Loads a message-conversion library by path and looks up its operations.
class ConverterLoader {
public:
  virtual ~ConverterLoader() = default;
  // Fills every entry of the table; false (nothing held) when the library
  // cannot be loaded or an operation is missing.
  virtual bool load(const std::string& path, mc01::Table& table, void*& handle) = 0;
  virtual void unload(void* handle) = 0;
};

// Loader over plat::lib (the libraries on disk).
class LibraryConverterLoader : public ConverterLoader {
public:
  bool load(const std::string& path, mc01::Table& table, void*& handle) override;
  void unload(void* handle) override;
};

// Message boxes of the library (captioned "DdfReader.dll").
enum MessageId {
  kMsgPrefix = 1,
  kMsgNoMsgWindow = 2,
  kMsgNoConverter = 3,
  kMsgDllMissing = 4,
  kMsgCaption = 5,
  kMsgNoSubElements = 6,
  kMsgDefaultRes = 7,
  kMsgInvalidFormat = 8,
  kMsgCannotOpen = 9,
};
// The text of a message id ("" for an unknown id).
const char* messageText(int id);
// Shows the message with its argument through the platform UI sink; returns
// the answer, 2 when the id has no text.
int showMessage(int id, const std::string& arg = std::string());

// ---- the description -------------------------------------------------------

struct Header {
  uint16_t version = 0;       // 100 for the plain form
  bool plainForm = false;
  std::string device;         // at most 12 characters
  std::string processor;      // at most 12 characters
  uint8_t dataFormat = 0;     // as stored
  uint32_t progMemAddr = 0;
  uint32_t progMemSize = 0;
  uint32_t progTableAddr = 0;
  uint16_t progTableCount = 0;
  uint32_t projInfoAddr = 0;
  uint16_t projInfoSize = 0;
  uint8_t addressFormat = 0;  // as stored; every value but 2 means 4-byte addresses
  uint32_t minCycleTime = 0;  // 0 below version 200
  uint32_t structInfoAddr = 0;
  uint32_t structInfoSize = 0;
  int addressWidth() const { return addressFormat == 2 ? 2 : 4; }
};

struct Module {
  std::string name;
  uint32_t address = 0;
};

struct Segment {
  uint32_t address = 0;
  uint32_t size = 0;
};

struct Area {
  std::string name;
  int kind = 0;            // 0 contiguous, 1 segmented
  uint32_t elemNum = 0;
  uint32_t elemSize = 0;
  uint32_t memAddr = 0;     // contiguous
  uint32_t subElemSize = 0; // contiguous
  uint16_t segmNum = 0;     // segmented
  std::vector<Segment> segments;
};

// A table of named entries in N lists chosen by the sum of the name's bytes
// modulo N, each list sorted byte-wise; the first entry of a name wins.
template <class T, size_t N> class NameTable {
public:
  static size_t bucketOf(std::string_view name) {
    size_t sum = 0;
    for (unsigned char c : name) sum += c;
    return sum % N;
  }
  // False when the name is present already (the entry is dropped).
  bool insert(T entry);
  // Looks a name up without making a string of it (the queries pass C texts).
  const T* find(std::string_view name) const;
  void clear() {
    for (auto& b : buckets_) b.clear();
  }
  size_t size() const {
    size_t n = 0;
    for (const auto& b : buckets_) n += b.size();
    return n;
  }
  const std::array<std::vector<T>, N>& buckets() const { return buckets_; }

private:
  std::array<std::vector<T>, N> buckets_;
};

using ModuleTable = NameTable<Module, 100>;
using AreaTable = NameTable<Area, 20>;

// The converter bound for one data format (6 taken as 2).
class ConverterBinding {
public:
  ConverterBinding(Settings& settings, ConverterLoader& loader) : settings_(settings), loader_(loader) {}
  ~ConverterBinding() { release(); }
  ConverterBinding(const ConverterBinding&) = delete;
  ConverterBinding& operator=(const ConverterBinding&) = delete;
  // Binds the converter of the format (shows message 3 or 4 on failure).
  bool bind(int format);
  void release();
  bool bound() const { return handle_ != nullptr; }
  int format() const { return format_; }
  const mc01::Table& table() const { return table_; }

private:
  Settings& settings_;
  ConverterLoader& loader_;
  void* handle_ = nullptr;
  int format_ = -1;
  mc01::Table table_;
};

// The data format whose converter a description uses (6 is read as 2).
inline int converterFormat(int dataFormat) { return dataFormat == 6 ? 2 : dataFormat; }

class Reader {
public:
  Reader(Settings& settings, ConverterLoader& loader);
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Reads the file; true when all three parts were read (the description is
  // then open). A file that cannot be opened fails silently; a bad one shows
  // message 8 and leaves the reader closed.
  bool open(const std::string& path);
  // Reads an image in memory (as open() does with a file; path names it in messages).
  bool openImage(const std::vector<uint8_t>& image, const std::string& path);
  void close();
  bool isOpen() const { return open_; }

  const Header& header() const { return header_; }
  const ModuleTable& modules() const { return modules_; }
  const AreaTable& areas() const { return areas_; }
  // The converter of the open description (null when none is bound).
  const mc01::Table* converter() const { return conv_.bound() ? &conv_.table() : nullptr; }

  // The DDF01_ queries with their answers.
  int16_t getFileVersion(uint16_t* v) const;
  int16_t getTargetFormat(uint8_t* f) const;
  int16_t getTargetAddressFormat(uint8_t* f) const;
  int16_t getDevice(char* buf, int32_t length) const;
  int16_t getProzessorTyp(char* buf, int32_t length) const;
  int16_t getProgInfo(uint32_t* addr, uint32_t* size) const;
  int16_t getMinCycleTime(uint32_t* ms) const;
  int16_t getMVLAddressAndSize(uint32_t* addr, uint32_t* size) const;
  int16_t getMVLTableAddressAndSize(uint32_t* addr, uint16_t* count) const;
  int16_t getMVLStructInfoAddressAndSize(uint32_t* addr, uint32_t* size) const;
  int16_t getModulAddress(const char* name, uint32_t* addr) const;
  int16_t getMemoryElementNumber(const char* name, uint32_t* count) const;
  int16_t getVarSizeAndAddress(DdfVarQuery* q) const;

  int16_t convertStringToBin(DdfVarValue* var, const char* value) const;
  int16_t convertLongToBin(uint32_t v, unsigned char* out, int32_t len) const;
  int16_t convertWordToBin(uint16_t v, unsigned char* out, int32_t len) const;
  int16_t convertFloatToBin(float v, unsigned char* out, int32_t len) const;
  int16_t convertTextToBin(const char* text, int32_t textSize, unsigned char* out, int32_t outSize) const;
  int16_t convertAddressToBin(uint32_t v, unsigned char* out, int32_t len) const;
  int16_t convertDLBlockStartAddressToBin(uint32_t v, unsigned char* out, int32_t len) const;
  int16_t convertBinToLong(const unsigned char* in, int32_t count, uint32_t* v) const;
  int16_t convertBinToWord(const unsigned char* in, int32_t count, uint16_t* v) const;
  int16_t convertBinToFloat(const unsigned char* in, int32_t count, float* v) const;
  int16_t convertBinToText(const unsigned char* in, int32_t count, char* text, int32_t cap) const;

  // The text dump of a description file into a text file. The description
  // held by the reader is left as it is.
  bool prettyPrint(const std::string& ddfPath, const std::string& textPath);
  // The dump of an image (without the three file lines), as text; false when
  // the contents are bad (the text then holds what was dumped).
  bool dumpImage(const std::vector<uint8_t>& image, std::string& text);

  // The resource request into buf (size bytes); its length, 0 when not open
  // or when the buffer cannot hold the two fixed entries.
  int32_t buildResourceRequest(unsigned char* buf, int32_t size, const char* resourcePath) const;

private:
  Settings& settings_;
  ConverterLoader& loader_;
  ConverterBinding conv_;
  bool open_ = false;
  Header header_;
  ModuleTable modules_;
  AreaTable areas_;
};

}  // namespace ddf
