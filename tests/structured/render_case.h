#pragma once
// Runs one structured case the way the field renderer does: once for every
// item of the case's tag, in both front ends, with the common final step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/field_lines.h"
#include "support/tlv_builder.h"
#include "terminal/structured/structured_fields.h"
#include "text/tree.h"

namespace pkt::test {

inline void RunCase(StructuredCase fn, FieldPlace place, const TTLVStorage& storage, const TTLV& item) {
  std::string fieldText;
  if (fn(place, storage, item, fieldText) == CaseEnd::FinalStep) place.Final(std::move(fieldText));
}

struct Rendering {
  TreeNode tree;                   // the message node the tree front end adds under
  std::vector<std::string> lines;  // the export's strings
  std::string Tree() const { return TreeText(tree.children); }
};

inline Rendering RenderMessage(StructuredCase fn, std::uint32_t tag, const Bytes& message) {
  Rendering r;
  TTLVStorage storage;
  EXPECT_EQ(storage.Parse(message.data(), message.size()), TLV_OK);
  for (std::uint32_t i = 0; i < storage.Count(); ++i) {
    const TTLV& item = *storage.Item(i);
    if (item.GetTag() != tag) continue;
    RunCase(fn, FieldPlace::Tree(r.tree), storage, item);
    FieldLines written;
    RunCase(fn, written.Place(), storage, item);
    written.MoveTo(r.lines);
  }
  return r;
}

// A message holding one item of the tag with the value.
inline Rendering RenderValue(StructuredCase fn, std::uint32_t tag, const Bytes& value) {
  return RenderMessage(fn, tag, TlvBuilder().Item(tag, value).WithRoot());
}

// The case called with an item that is not in the storage (Find fails).
inline Rendering RenderAbsent(StructuredCase fn, std::uint32_t tag) {
  Rendering r;
  TTLVStorage empty;
  TTLV stray(tag, 0, tlvValue);
  RunCase(fn, FieldPlace::Tree(r.tree), empty, stray);
  FieldLines written;
  RunCase(fn, written.Place(), empty, stray);
  written.MoveTo(r.lines);
  return r;
}

using Lines = std::vector<std::string>;

}  // namespace pkt::test
