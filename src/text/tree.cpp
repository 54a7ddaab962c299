#include "text/tree.h"

namespace pkt {

namespace {
void Append(std::string& out, const TreeNode& node, std::size_t depth) {
  out.append(2 * depth, ' ');
  out += node.text;
  out += '\n';
  for (const auto& child : node.children) Append(out, *child, depth + 1);
}
}  // namespace

std::string TreeText(const std::vector<std::unique_ptr<TreeNode>>& topLevel) {
  std::string out;
  for (const auto& node : topLevel) Append(out, *node, 0);
  return out;
}

}  // namespace pkt
