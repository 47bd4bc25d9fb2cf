// ExpandMacros (declared in FunctionKeys.h). The text is kept as a row of pieces, each either
// typed by the user or inserted by a macro; every step searches the typed pieces only. A plain
// replace on one string would let a later step find its macro inside an earlier step's names
// (a file "!:.txt" turning into "C:.txt"), and a piece boundary also keeps a macro from forming
// across an insertion ("!" + "" + ":" is not "!:").
#include <string>
#include <vector>

#include "app/FunctionKeys.h"
#include "base/Text.h"

namespace quill {
namespace {

struct TPiece {
  std::string text;
  bool typed = true;
};

class TPieces {
public:
  explicit TPieces(std::string_view text) { pieces_.push_back({std::string(text), true}); }

  bool Contains(std::string_view macro) const {
    for (const TPiece& piece : pieces_)
      if (piece.typed && piece.text.find(macro) != std::string::npos) return true;
    return false;
  }

  // Every occurrence in the typed pieces, left to right, without overlaps.
  void Replace(std::string_view macro, const std::string& value) {
    std::vector<TPiece> result;
    result.reserve(pieces_.size());
    for (TPiece& piece : pieces_) {
      if (!piece.typed) {
        result.push_back(std::move(piece));
        continue;
      }
      size_t from = 0;
      for (size_t at; (at = piece.text.find(macro, from)) != std::string::npos; from = at + macro.size()) {
        result.push_back({piece.text.substr(from, at - from), true});
        result.push_back({value, false});
      }
      result.push_back({piece.text.substr(from), true});
    }
    pieces_ = std::move(result);
  }

  // Removes the first occurrence in the typed pieces; false when there is none.
  bool EraseFirst(std::string_view macro) {
    for (TPiece& piece : pieces_) {
      if (!piece.typed) continue;
      const size_t at = piece.text.find(macro);
      if (at == std::string::npos) continue;
      piece.text.erase(at, macro.size());
      return true;
    }
    return false;
  }

  std::string Joined() const {
    std::string text;
    for (const TPiece& piece : pieces_) text += piece.text;
    return text;
  }

private:
  std::vector<TPiece> pieces_;
};

std::string QuotedNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ' ';
    text += '"';
    text += name;
    text += '"';
  }
  return text;
}

}  // namespace

std::string ExpandMacros(std::string_view parameters, const TMacroContext& context) {
  TPieces pieces(parameters);
  // Collecting also sets the selection memory, so it happens only for a text that asks for it.
  if (pieces.Contains("!..!"))
    pieces.Replace("!..!", QuotedNames(context.collected ? context.collected() : std::vector<std::string>()));
  pieces.Replace("!:", context.drive);
  pieces.Replace("!.!", context.focusedName);
  pieces.Replace("!\\", context.folder);
  pieces.Replace("!,", context.focusedBase);
  pieces.Replace(",!", context.focusedExt);
  const bool edit = pieces.EraseFirst("%p") || pieces.EraseFirst("%P");
  std::string text = pieces.Joined();
  if (edit && context.editParameters) {
    std::string edited = text;
    if (context.editParameters(edited)) text = std::move(edited);
  }
  return Trim(text);
}

}  // namespace quill
