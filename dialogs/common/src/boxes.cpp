#include "dialogkit/boxes.h"

#include "platform/paths.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>
#include <sys/stat.h>

namespace kit {

using namespace plat::ui;

BoxStyle decodeStyle(unsigned style) {
  static const std::vector<int> kSets[6] = {
      {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
  BoxStyle b;
  unsigned type = style & 0xF;
  b.buttons = kSets[type > 5 ? 0 : type];
  b.defaultAnswer = defaultAnswer(style);
  if (std::find(b.buttons.begin(), b.buttons.end(), IDCANCEL) != b.buttons.end()) b.escapeAnswer = IDCANCEL;
  else if (b.buttons.size() == 1) b.escapeAnswer = IDOK;
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND: b.icon = BoxIcon::Stop; break;
    case MB_ICONQUESTION: b.icon = BoxIcon::Question; break;
    case MB_ICONEXCLAMATION: b.icon = BoxIcon::Exclamation; break;
    case MB_ICONINFORMATION: b.icon = BoxIcon::Information; break;
    default: b.icon = BoxIcon::None; break;
  }
  b.topmost = (style & (MB_TOPMOST | MB_SYSTEMMODAL)) != 0;
  b.foreground = (style & MB_SETFOREGROUND) != 0;
  return b;
}

int boxById(const Resources& res, unsigned number, unsigned captionId, unsigned style, bool format,
            const std::vector<FormatArg>& args) {
  auto tmpl = res.string(number);
  if (!tmpl) return IDCANCEL;
  std::string text = format ? formatChecked(*tmpl, args) : *tmpl;
  return messageBox(text, res.text(captionId), style);
}

bool requestHelp(const Resources& res, const HelpTexts& texts, bool showNumber, const std::string& helpFile,
                 unsigned context, const std::string& keyword, std::uint32_t owner) {
  bool byKeyword = !keyword.empty();
  if (showNumber) {
    if (byKeyword && texts.keywordText) boxById(res, texts.keywordText, texts.caption, MB_ICONINFORMATION, true, {keyword});
    else if (!byKeyword) boxById(res, texts.contextText, texts.caption, MB_ICONINFORMATION, true, {context});
  }
  if (helpFile.empty()) return false;
  HelpRequest r;
  r.file = helpFile;
  r.byKeyword = byKeyword;
  r.context = context;
  r.keyword = keyword;
  r.owner = owner;
  return help(r);
}

namespace {
bool isFile(const std::string& p) {
  struct stat st{};
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
// The words of s joined by single blanks.
std::string collapseBlanks(const std::string& s) {
  std::istringstream in(s);
  std::string out;
  for (std::string w; in >> w;) out += (out.empty() ? "" : " ") + w;
  return out;
}
} // namespace

std::optional<std::string> resolveHelpPage(const HelpRequest& r) {
  std::string file = plat::path::resolveExisting(plat::path::normalize(r.file));
  if (!isFile(file)) return std::nullopt;
  std::ifstream in(file + ".idx");
  if (!in) return std::nullopt;
  std::string dir = plat::path::dirName(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string kind, key, page;
    if (!(ls >> kind) || kind[0] == '#') continue;
    // The page is the line's last word; a key word may hold blanks
    // ("Function block: WAITV3").
    std::vector<std::string> words;
    for (std::string w; ls >> w;) words.push_back(w);
    if (words.size() < 2) continue;
    page = words.back();
    for (std::size_t i = 0; i + 1 < words.size(); ++i) key += (i ? " " : "") + words[i];
    bool hit = false;
    if (kind == "context" && !r.byKeyword) hit = key == std::to_string(r.context);
    else if (kind == "keyword" && r.byKeyword) hit = upper(key) == upper(collapseBlanks(r.keyword));
    if (!hit) continue;
    std::string full = page[0] == '/' ? page : plat::path::join(dir, page);
    if (!isFile(full)) return std::nullopt;
    return full;
  }
  return std::nullopt;
}

Point placeAtCursor(int w, int h, std::optional<Point> cursor, const Rect& s) {
  Point c = cursor.value_or(Point{s.x + s.w / 2, s.y + s.h / 2});
  int x = c.x - w / 2, y = c.y - h / 2;
  x = std::max(x, s.x + 10);
  y = std::max(y, s.y + 10);
  if (x + w > s.x + s.w - 10) x = s.x + s.w - 10 - w;
  if (y + h > s.y + s.h - 10) y = s.y + s.h - 10 - h;
  return {x, y};
}

} // namespace kit
