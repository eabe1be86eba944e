// Writes the seed corpora of the recorder fuzz targets with the recorder's own
// writers: value files (".VAL", with and without the gate channel), ".VDB"
// and ".VAT" record files and ".PAR" set-ups of the fuzz logic, each in the
// form its target takes (a leading byte that chooses the path where the
// target has one).
//   recorder_fuzz_seeds OUTDIR
#include "common.h"
#include "recorder/recfiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool put(const std::filesystem::path& file, int prefix, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  if (prefix >= 0) f.put(char(prefix));
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return f.good();
}

// Records samples of the fuzz logic's connection into a file of the kind its
// extension names; returns its bytes.
std::vector<std::uint8_t> record(const std::string& tmp, const std::string& name, int channels, bool gateChannel,
                                 int samples) {
  model::LogicRecord* logic = rec::fuzz::fuzzLogic();
  rec::Recorder r;
  rec::vf_UnitInit(r, tmp);
  rec::tr_SetChannelCount(r, 1, channels);
  rec::tr_BindChannel(r, logic, logic->FirstInstance, 200, 120);
  rec::tr_SetGateChannel(r, gateChannel);
  const std::string path = tmp + "/" + name;
  if (!rec::vf_OpenOutputAs(r, logic, path)) return {};
  for (int i = 0; i < samples; ++i) {
    logic->FirstInstance->OutputValues[0] = 1.25 * i - 3.0;
    rec::tr_TakeSample(r, false, 0.5 * i);
  }
  rec::vf_CloseOutput(r, true);
  std::vector<std::uint8_t> bytes = readAll(path);
  std::remove(path.c_str());
  return bytes;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: recorder_fuzz_seeds OUTDIR\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const std::string tmp = (out / "tmp").string();
  std::filesystem::create_directories(tmp);
  bool ok = true;
  struct Kind {
    const char* ext;
    int recordFilePrefix;   // the record-file target's kind byte
  };
  for (const Kind k : {Kind{"VAL", 2}, Kind{"VDB", 0}, Kind{"VAT", 1}}) {
    for (int channels : {1, 3}) {
      for (int samples : {0, 2, 12}) {
        const bool gate = channels == 3;
        const std::string name = "S" + std::to_string(channels) + "_" + std::to_string(samples) + "." + k.ext;
        const std::vector<std::uint8_t> bytes = record(tmp, name, channels, gate, samples);
        ok &= !bytes.empty();
        ok &= put(out / "recorder_recordfile_fuzz" / name, k.recordFilePrefix, bytes);
        if (std::string(k.ext) == "VAL") {
          ok &= put(out / "recorder_valreplay_fuzz" / name, 1, bytes);
          ok &= put(out / "recorder_header_fuzz" / name, -1, bytes);
        }
        if (std::string(k.ext) == "VAT") ok &= put(out / "recorder_text_fuzz" / name, -1, bytes);
      }
    }
  }
  // Set-up files.
  model::LogicRecord* logic = rec::fuzz::fuzzLogic();
  for (int channels : {1, 4}) {
    rec::Recorder r;
    rec::vf_UnitInit(r, tmp);
    rec::tr_SetChannelCount(r, 1, channels);
    rec::tr_BindChannel(r, logic, logic->FirstInstance, 200, 120);
    const std::string path = tmp + "/SET.PAR";
    ok &= rec::vf_WriteParFile(r, logic, path);
    ok &= put(out / "recorder_header_fuzz" / ("SET" + std::to_string(channels) + ".PAR"), -1, readAll(path));
    std::remove(path.c_str());
  }
  std::filesystem::remove_all(tmp);
  if (!ok) std::fprintf(stderr, "recorder_fuzz_seeds: a seed could not be written\n");
  return ok ? 0 : 1;
}
