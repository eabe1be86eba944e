#pragma once
// The system clipboard of the Qt windows for the editor's script buffers: a
// script goes on the clipboard as one QMimeData holding only our own MIME
// type; reading takes that type, else plain text (as Latin-1, other
// characters become '?'); a sheet picture is added to what is there.
#include "editor/clipboard.h"

namespace editor {

class QtClipboard : public ClipboardPort {
public:
  bool empty() override;
  bool hasScript() override;
  bool hasText() override;
  bool script(std::string& out) override;
  bool text(std::string& out) override;
  bool setScript(const std::string& bytes) override;
  bool addImage(const ClipImage& image) override;
};

} // namespace editor
