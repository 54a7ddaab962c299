#pragma once
// What both viewers share: the window caption, the colour of the "Тип" cell
// and the answer of a row selection.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "logs/records.h"
#include "text/tree.h"

namespace pkt {

// "Сообщения - %s" with the file name when the caption text is empty,
// otherwise "Сообщения - %s - %s" with the caption text and the file name.
std::string ViewerCaption(const std::string& captionText, const std::string& fileName);

// Font colour of the "Тип" cell: kinds 2-5 blue, 6 green, 7 red, any other black.
enum class TKindColour { Black, Blue, Green, Red };
TKindColour KindColour(TRecordKind kind);

using TTreeForest = std::vector<std::unique_ptr<TreeNode>>;

// What selecting a row does to the message tree.
struct TSelection {
  enum Action {
    Clear,     // no row selected: the tree is emptied
    Keep,      // a record without body: the tree keeps what it shows
    Show,      // the tree is replaced by nodes (empty when the message does not parse)
  };
  Action action = Clear;
  TTreeForest nodes;  // top-level nodes, in order; the window expands them all
};

// Deletes the viewer's temporary merged log; the result is ignored (a file that
// cannot be deleted goes at the next start-up's clean-up).
void DeleteTemporaryFile(const std::string& path);

}  // namespace pkt

namespace pkt {
// A row outside the list: AppError "Неверный индекс пакета!".
[[noreturn]] void RaiseBadRow();
}  // namespace pkt
