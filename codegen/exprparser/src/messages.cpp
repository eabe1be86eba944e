#include "messages.h"

namespace exprparser {

const char* builtinText(int id) {
  switch (id) {
    case kCaption: return "EXPRPARSER";
    case kToolMissing: return "Error!   Library OBELTOOL.DLL cannot be loaded.";
    case kLanguageMissing:
      return "Error!   The library for the selected language cannot be loaded.\n"
             "The library for the English language will be used.";
    case kUnknownCharacter: return "Error:   Unknown character %s. (Help: Press F1)";
    case kUnknownIdentifier: return "Error:   Unknown identifier %s. (Help: Press F1)";
    case kInvalidVariable: return "Error:   Invalid variable %s. (Help: Press F1)";
    case kNumberRange: return "Error:   Number %s exceeds range. (Help: Press F1)";
    case kSyntax: return "Error:   Invalid syntax. (Help: Press F1)";
    case kParserFailure: return "Sorry:  Not enough memory.";
    case kAssignTarget:
      return "Error:   Only variables (Var1-Var99) and counters (Z1-Z16) are allowed on the left side "
             "of assignments.";
    case kDivisionByZero: return "Error:   Division by zero is not allowed.";
    case kNotBoolean: return "Error:   Condition result must be either true or false.\n(Help: Press F1)";
    case kIntegerOperands:
      return "Error:   Only integer operands can be joined with +,-,*,/,=,<,>,<= and >=.\n"
             "Entering digital inputs or other Boolean operands is not allowed.\n(Help: Press F1)";
    case kBooleanOperands:
      return "Error:   Only digital inputs and other Boolean operands can be joined with AND, OR and "
             "NOT. (Help: Press F1)";
    case kCannotWrite: return "Error!   Cannot write to file %s.";
    case kCannotCreate: return "Error!   Cannot create file %s.";
    case kPathTooLong: return "Error!   Installation path is too long.";
    case kChecking: return "Checking: %s";
    default: return nullptr;
  }
}

std::string formatText(const std::string& text, const std::string& arg) {
  std::string out;
  out.reserve(text.size() + arg.size());
  bool done = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size()) {
      if (text[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (text[i + 1] == 's' && !done) {
        out += arg;
        done = true;
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

void ErrorList::clear() {
  lines_.clear();
  ids_.clear();
  count_ = 0;
}

std::string ErrorList::text(int id) const {
  std::string t;
  if (texts_ && texts_(id, t)) return t;
  const char* b = builtinText(id);
  return b ? b : std::string();
}

void ErrorList::error(int id, const std::string& arg) {
  lines_.push_back(formatText(text(id), arg));
  ids_.push_back(id);
  ++count_;
}

void ErrorList::note(int id, const std::string& arg) { lines_.push_back(formatText(text(id), arg)); }

std::string ErrorList::joined() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += '\n';
    out += lines_[i];
  }
  return out;
}

}  // namespace exprparser
