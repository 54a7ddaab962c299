// TLV messages of the terminal protocol: the parse, then every item through
// both front ends of the field renderer (message tree and export lines, the
// lines written as the export writes them and with every field's text made
// and converted, which must give the same bytes), the tree's printed form,
// and the storage's own guarantees.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "terminal/fields/field_place.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/text_buffer.h"
#include "text/tree.h"

using namespace pkt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TTLVStorage storage;
  const int rc = storage.Parse(data, size);
  if (rc != TLV_OK && rc != TLV_BAD_TAG && rc != TLV_BAD_LENGTH && rc != TLV_NO_DATA) fuzz::Fail("Parse answered an unknown code");
  if (storage.Count() == 0) fuzz::Fail("storage without its root");
  const TTLV* root = storage.Item(0);
  if (!root || root->GetTag() != 1 || root->GetKind() != tlvRoot) fuzz::Fail("item 0 is not the root");
  if (storage.Item(storage.Count()) != nullptr) fuzz::Fail("Item(Count) is not null");

  // The viewers render only a message that parsed; the items of a failed parse
  // are whole items all the same, so they go through the renderer too.
  TreeNode message("Сообщение ");
  TTextBuffer exported, texts;
  ExportLine line, reference;
  reference.SetTextsOnly(true);
  for (std::uint32_t i = 0; i < storage.Count(); ++i) {
    const TTLV& item = *storage.Item(i);
    // The root carries the announced length without a value of its own.
    if (i > 0 && item.GetLength() != 0 && item.GetData() == nullptr) fuzz::Fail("item with a length but no value");
    AddFieldNode(message, storage, item);
    AddExportLine(line, exported, i == 0, storage, item);
    AddExportLine(reference, texts, i == 0, storage, item);
  }
  fuzz::CheckTreeUtf8(message, "tree node text is not UTF-8");
  if (exported.view() != texts.view()) fuzz::Fail("an export line differs from the texts of its fields");

  std::vector<std::unique_ptr<TreeNode>> forest;
  forest.push_back(std::make_unique<TreeNode>(std::move(message)));
  const std::string printed = TreeText(forest);
  if (printed.empty() || printed.back() != '\n') fuzz::Fail("printed tree does not end with a line feed");

  // Each tag the message holds is found, and counted as often as it occurs.
  for (std::uint32_t i = 1; i < storage.Count(); ++i) {
    const std::uint32_t tag = storage.Item(i)->GetTag();
    if (tag < 1 || tag > 254) continue;
    const TTLV* found = nullptr;
    if (storage.Find(tag, found) != TLV_OK || !found) fuzz::Fail("Find misses a tag the message holds");
    if (storage.CountTag(tag) == 0) fuzz::Fail("CountTag misses a tag the message holds");
  }
  return 0;
}
