// A record file of each kind (".VDB", ".VAT", ".VAL") from any bytes, opened
// by a Read-Record gate and read record by record to its end.
#include "common.h"
#include "recorder/recordgate.h"

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rec::fuzz::fuzzLogic();
  if (size < 1) return 0;
  static const char* kinds[] = {".VDB", ".VAT", ".VAL"};
  const std::string path = "/tmp/zf" + std::to_string(::getpid()) + kinds[data[0] % 3];
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 1) std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  model::GateRecord gate{};
  gate.Kind = rec::kKindReadRecord;
  gate.OutputCount = 3;
  std::vector<double> extra(4), state(1), outputs(3);
  model::GateInstance inst{};
  inst.ExtraValues = extra.data();
  inst.ExtraSlotCount = 4;
  inst.StateValues = state.data();
  inst.StateSlotCount = 1;
  inst.OutputValues = outputs.data();
  inst.OutputSlotCount = 3;
  rec::vdb_StoreState(&gate, &inst, rec::RecordFileState{});
  if (rec::vdb_OpenRecordFile(&gate, &inst, path)) {
    rec::RecordFileState st;
    rec::vdb_LoadState(&gate, &inst, st);
    st.skip = std::uint16_t(data[0] >> 4);
    rec::vdb_StoreState(&gate, &inst, st);
    for (int i = 0; i < 10000 && state[0] != rec::kNoRecordFile; ++i) rec::vdb_ReadRecord(&gate, &inst);
    rec::vdb_RewindRecordFile(&gate, &inst);
    rec::vdb_CloseRecordFile(&gate, &inst);
  }
  std::remove(path.c_str());
  return 0;
}
