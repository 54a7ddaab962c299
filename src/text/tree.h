#pragma once
// A Qt-free tree of text nodes: what a decoded message shows. The desktop
// viewers copy it into their tree widget; pktdump prints it.
#include <memory>
#include <string>
#include <vector>

namespace pkt {

struct TreeNode {
  std::string text;  // UTF-8
  std::vector<std::unique_ptr<TreeNode>> children;

  TreeNode() = default;
  explicit TreeNode(std::string t) : text(std::move(t)) {}

  // Adds a node as the last child and returns it. References to earlier nodes stay valid.
  TreeNode& Add(std::string childText) {
    children.push_back(std::make_unique<TreeNode>(std::move(childText)));
    return *children.back();
  }
  std::size_t size() const { return children.size(); }
  const TreeNode& operator[](std::size_t i) const { return *children[i]; }
};

// The nodes one per line, depth first in adding order, each indented by two
// blanks per level below the top (pktdump's tree form). Lines end with '\n'.
std::string TreeText(const std::vector<std::unique_ptr<TreeNode>>& topLevel);

}  // namespace pkt
