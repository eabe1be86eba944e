#pragma once
// Recorder files: the set-up file ".PAR", the value file ".VAL" (set-up,
// samples, end marker, logic state), the binary data file ".VDB", the text
// data file ".VAT" and the printer form. All numbers little-endian, text
// numbers locale-free. Files are written under a work name and renamed into
// place when complete, so a name never holds half a file.
#include "modelfiles/filelayer.h"
#include "recorder/recorder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rec {

// A positioned byte stream: a file of the file layer or a buffer in memory.
class RecStream {
public:
  virtual ~RecStream() = default;
  virtual bool read(void* out, std::size_t n) = 0;     // all n bytes or false
  virtual bool write(const void* p, std::size_t n) = 0;
  virtual long tell() = 0;
  virtual bool seek(long pos) = 0;                     // absolute; false outside 0..size
  virtual long size() = 0;
  bool skip(long n) { return seek(tell() + n); }
};

class MemStream : public RecStream {
public:
  std::vector<std::uint8_t> data;
  MemStream() = default;
  explicit MemStream(std::vector<std::uint8_t> d) : data(std::move(d)) {}
  MemStream(const std::uint8_t* p, std::size_t n) : data(p, p + n) {}
  bool read(void* out, std::size_t n) override;
  bool write(const void* p, std::size_t n) override;
  long tell() override { return long(pos_); }
  bool seek(long pos) override;
  long size() override { return long(data.size()); }
private:
  std::size_t pos_ = 0;
};

class FileStream : public RecStream {
public:
  // owns: the handle is closed with the stream.
  explicit FileStream(modelfiles::FileHandle h, bool owns = true) : h_(h), owns_(owns) {}
  ~FileStream() override;
  modelfiles::FileHandle handle() const { return h_; }
  // Writes go through a buffer that reaches the file before anything reads,
  // positions or closes (one system call per buffer, not per number).
  bool flush();
  bool read(void* out, std::size_t n) override;
  bool write(const void* p, std::size_t n) override;
  long tell() override;
  bool seek(long pos) override;
  long size() override;
private:
  modelfiles::FileHandle h_;
  bool owns_;
  std::vector<std::uint8_t> pending_;
  bool failed_ = false;
};

// Little-endian field helpers on a stream.
bool putU8(RecStream& s, std::uint8_t v);
bool putU16(RecStream& s, std::uint16_t v);
bool putI16(RecStream& s, std::int16_t v);
bool putF64(RecStream& s, double v);
bool getU8(RecStream& s, std::uint8_t& v);
bool getU16(RecStream& s, std::uint16_t& v);
bool getI16(RecStream& s, std::int16_t& v);
bool getF64(RecStream& s, double& v);

// Sizes of the layouts.
inline constexpr std::size_t kHeaderFixed = 29;
inline constexpr std::size_t kChannelRecordSize = 64;
inline constexpr std::size_t kAxisRecordSize = 80;
inline constexpr int kMaxPathWords = 101;   // 100 macro levels, the gate, the 0

// The numbered messages of the recorder and its files.
const char* recMessageText(int number);
int recShowMessage(int number, unsigned style = 0);

// Output kind of a name (messages 50044 / 50016 shown for invalid names).
std::uint16_t vf_OutputKindOf(std::string_view name);
// The base name of a path (after the last "/" or "\").
std::string_view vf_BaseName(std::string_view path);

// The printer status query (the printer of this system is never ready unless
// a test or the shell says so).
void vf_SetPrinterReady(bool ready);
bool vf_PrinterReady();

// Header. vf_ReadHeader: 0 read, 1 read but a channel could not be bound
// again, -1 failed (nothing half-loaded: the recorder keeps its settings and
// channels when the header is refused).
bool vf_WriteHeader(RecStream& s, const Recorder& r, const model::LogicRecord* owner);
int vf_ReadHeader(RecStream& s, Recorder& r, model::LogicRecord* owner);
// The gate path of a channel (numbers outermost first, then 0).
std::vector<std::uint16_t> vf_GatePath(const model::LogicRecord* owner, const ChannelRecord& c);

// Set-up files (chosen through the file selector when path is empty).
bool vf_WriteParFile(Recorder& r, model::LogicRecord* owner, const std::string& path);
bool vf_ReadParFile(Recorder& r, model::LogicRecord* owner, const std::string& path);

// The output. The name decides the kind (vf_OpenOutputAs) or it is ".VAL".
bool vf_OpenOutputAs(Recorder& r, model::LogicRecord* owner, const std::string& name);
bool vf_OpenOutputVal(Recorder& r, model::LogicRecord* owner);
bool vf_OpenValForReplay(Recorder& r, model::LogicRecord* owner, const std::string& name);
void vf_CloseOutput(Recorder& r, bool final);
bool tr_WriteSample(Recorder& r);
bool tr_ReadSample(Recorder& r);
// The output name after the output is closed: the temporary directory and "TEMP.VAL".
std::string vf_TempValName(const Recorder& r);
// Make the trend window's output start anew as a ".VAL" under the current name.
void tr_RestartOutput(Recorder& r, model::LogicRecord* owner);

// Text forms.
std::string vf_NumberField(double v, int width);          // REAL, left-aligned, "*" when too wide
std::string vf_VatHead(unsigned count);                   // 3 digit bytes (unused 0), CR, LF
std::string vf_VatRecord(const double* values, std::size_t n, int blanks);
std::string vf_PrinterRecord(const double* values, std::size_t n, int blanks);

} // namespace rec
