#pragma once
// Renders test messages through both front ends, the way the viewers call
// the renderer: parse the TLV string, then one call per item from the root on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/field_lines.h"
#include "support/tlv_builder.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/tree.h"

namespace pkt::test {

// The tree text (two blanks per level) of the items from..to-1 of a message;
// to = 0 means every item.
inline std::string TreeOf(const Bytes& tlv, std::uint32_t from = 0, std::uint32_t to = 0) {
  TTLVStorage storage;
  EXPECT_EQ(storage.Parse(tlv.data(), tlv.size()), TLV_OK);
  TreeNode top;
  if (to == 0) to = storage.Count();
  for (std::uint32_t i = from; i < to && i < storage.Count(); ++i) AddFieldNode(top, storage, *storage.Item(i));
  return TreeText(top.children);
}

inline std::vector<std::string> LinesOf(const Bytes& tlv, std::uint32_t from = 0, std::uint32_t to = 0) {
  TTLVStorage storage;
  EXPECT_EQ(storage.Parse(tlv.data(), tlv.size()), TLV_OK);
  std::vector<std::string> lines;
  if (to == 0) to = storage.Count();
  for (std::uint32_t i = from; i < to && i < storage.Count(); ++i) AddFieldLines(lines, storage, *storage.Item(i));
  return lines;
}

// One item with tag and value, alone in its message: the tree text of that
// item (without the root) and its export strings.
inline std::string TreeOfField(std::uint32_t tag, const Bytes& value) {
  return TreeOf(TlvBuilder().Item(tag, value).bytes(), 1);
}
inline std::vector<std::string> LinesOfField(std::uint32_t tag, const Bytes& value) {
  return LinesOf(TlvBuilder().Item(tag, value).bytes(), 1);
}

// Both front ends of one field that shows one text: the tree node and the
// export string must both be text.
inline void ExpectField(std::uint32_t tag, const Bytes& value, const std::string& text) {
  EXPECT_EQ(TreeOfField(tag, value), text + "\n") << "tag " << tag;
  EXPECT_EQ(LinesOfField(tag, value), std::vector<std::string>{text}) << "tag " << tag;
}

// A field that shows nothing: no node, one empty export string.
inline void ExpectOmitted(std::uint32_t tag, const Bytes& value) {
  EXPECT_EQ(TreeOfField(tag, value), "") << "tag " << tag;
  EXPECT_EQ(LinesOfField(tag, value), std::vector<std::string>{""}) << "tag " << tag;
}

// The text of a field rendered with an item that the storage does not hold
// (the read fails for every reader): tree and export.
inline std::string TreeOfAbsent(std::uint32_t tag) {
  TTLVStorage empty;
  TTLV item(tag, 0, tlvValue);
  TreeNode top;
  AddFieldNode(top, empty, item);
  return TreeText(top.children);
}
inline std::vector<std::string> LinesOfAbsent(std::uint32_t tag) {
  TTLVStorage empty;
  TTLV item(tag, 0, tlvValue);
  std::vector<std::string> lines;
  AddFieldLines(lines, empty, item);
  return lines;
}

// Packed BCD of a string of decimal digits (an odd count gets a leading 0).
inline Bytes Bcd(std::string_view digits) {
  std::string d(digits);
  if (d.size() % 2) d.insert(d.begin(), '0');
  Bytes out;
  for (std::size_t i = 0; i < d.size(); i += 2) out.push_back(static_cast<std::uint8_t>(((d[i] - '0') << 4) | (d[i + 1] - '0')));
  return out;
}

inline Bytes Repeat(std::size_t n, std::uint8_t byte) { return Bytes(n, byte); }

}  // namespace pkt::test
