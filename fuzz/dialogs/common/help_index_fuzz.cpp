// Help index files (".HLP.idx" beside a help file) read from any text: the
// first byte chooses a request by context number (the next two bytes) or by
// key word (one of a few), the rest is the index. A page found is always a
// file that exists.
#include "dialogkit/boxes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string& helpDir() {
  static const std::string dir = [] {
    const std::filesystem::path d =
        std::filesystem::temp_directory_path() / ("zerlo-fuzz-help-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d / "pages");
    for (const char* page : {"compile.html", "connector.html", "pages/start.html"})
      std::ofstream(d / page) << "<html></html>\n";
    std::ofstream(d / "ZERLO.HLP");
    return d.string();
  }();
  return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::string help = helpDir() + "/ZERLO.HLP";
  {
    std::ofstream idx(help + ".idx", std::ios::binary | std::ios::trunc);
    idx.write(reinterpret_cast<const char*>(data + 3), std::streamsize(size - 3));
  }
  static const char* keywords[] = {"compile", "CONNECTOR", "start", "", "Übersicht"};
  plat::ui::HelpRequest r;
  r.file = help;
  r.byKeyword = data[0] & 1;
  r.context = unsigned(data[1]) | unsigned(data[2]) << 8;
  r.keyword = keywords[(data[0] >> 1) % 5];
  if (const auto page = kit::resolveHelpPage(r)) {
    struct stat st {};
    if (::stat(page->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) std::abort();
  }
  return 0;
}
