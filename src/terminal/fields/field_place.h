#pragma once
// Where the field renderer writes: a node of the message tree (tree front end)
// or the export's flat list of strings (export front end). Every case of the
// renderer writes through a FieldPlace, so the two front ends take the same
// decisions and differ only where a table row says so.
#include <string>
#include <vector>

#include "text/tree.h"

namespace pkt {

enum class FrontEnd { Tree, Export };

class FieldPlace {
 public:
  static FieldPlace Tree(TreeNode& node) { return FieldPlace(&node, nullptr); }
  static FieldPlace Export(std::vector<std::string>& lines) { return FieldPlace(nullptr, &lines); }

  FrontEnd frontEnd() const { return node_ ? FrontEnd::Tree : FrontEnd::Export; }
  bool isExport() const { return node_ == nullptr; }

  // Tree: adds text as the last child of this place's node and returns the
  // place of the new node. Export: appends text to the list and returns the
  // same (flat) place.
  FieldPlace Add(std::string text) const {
    if (node_) return FieldPlace(&node_->Add(std::move(text)), nullptr);
    lines_->push_back(std::move(text));
    return *this;
  }

  // The common final step of a field: the tree adds a non-empty field text as
  // a child; the export appends it, also when it is empty.
  void Final(std::string fieldText) const {
    if (node_) {
      if (!fieldText.empty()) node_->Add(std::move(fieldText));
    } else {
      lines_->push_back(std::move(fieldText));
    }
  }

  TreeNode* node() const { return node_; }
  std::vector<std::string>* lines() const { return lines_; }

 private:
  FieldPlace(TreeNode* node, std::vector<std::string>* lines) : node_(node), lines_(lines) {}
  TreeNode* node_;
  std::vector<std::string>* lines_;
};

}  // namespace pkt
