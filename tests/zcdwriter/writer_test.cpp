// The target program text of small diagrams: frames, tasks, sequences,
// Disable-Logic jump frames and the value resets of the text pass.
#include "diagram.h"

namespace zcdtest {
namespace {

TEST(Writer, FlatDiagramPrint) {
  Diagram d;
  ASSERT_TRUE(d.ok) << d.error;
  auto* c = d.block(d.main, "CNT", {5, 3, 150});
  auto* g = d.block(d.main, "GAIN", {6, 5, 2, 151});
  ASSERT_TRUE(d.wire(d.main, c, 1, g, 1));
  std::string text = d.write();
  std::cout << text;
}

} // namespace
} // namespace zcdtest
