// The export writes each item line while the renderer runs (ExportLine),
// numbers and the fields of one-byte codes straight into the line. Its bytes
// must be those of the item's field texts, each made, converted to cp1251 and
// joined by the delimited-text rule, for every row of the tag table and every
// shape of value, also when one line object serves many items, fields and
// nesting depths in a row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/field_lines.h"
#include "support/tlv_builder.h"
#include "terminal/fields/field_place.h"
#include "terminal/fields/renderer.h"
#include "terminal/tlv.h"
#include "text/codepage.h"
#include "text/delimited.h"

namespace pkt {
namespace {

using test::AddFieldLines;
using test::B;
using test::Bytes;
using test::TlvBuilder;

// The item line joined from the texts of its fields, each made and converted
// (none written straight into the line). afterPrefix: the line starts after
// a field already written (the first item line of a message).
std::string JoinedFromList(const TTLVStorage& storage, const TTLV& item, bool afterPrefix) {
  std::vector<std::string> fields;
  AddFieldLines(fields, storage, item, /*textsOnly=*/true);
  std::string out;
  if (!afterPrefix && fields.size() == 1 && fields[0].empty()) return "\"\"";
  bool first = !afterPrefix;
  for (const std::string& field : fields) {
    if (!first) out += '\t';
    first = false;
    AppendDelimitedField(out, Utf8ToCp1251(field));
  }
  return out;
}

std::string WrittenOnLine(ExportLine& line, const TTLVStorage& storage, const TTLV& item, bool afterPrefix) {
  TTextBuffer out;
  line.Begin(out, afterPrefix);
  AddField(FieldPlace::Export(line), storage, item);
  line.End();
  return out.str();
}

// The whole line with its end, as the export writes it.
std::string WholeLine(ExportLine& line, const TTLVStorage& storage, const TTLV& item, bool afterPrefix) {
  TTextBuffer out;
  AddExportLine(line, out, afterPrefix, storage, item);
  return out.str();
}

void ExpectSameLines(const Bytes& tlv, ExportLine& line) {
  TTLVStorage storage;
  ASSERT_EQ(storage.Parse(tlv.data(), tlv.size()), TLV_OK);
  for (std::uint32_t i = 0; i < storage.Count(); ++i) {
    const TTLV& item = *storage.Item(i);
    for (bool afterPrefix : {false, true}) {
      const std::string joined = JoinedFromList(storage, item, afterPrefix);
      ASSERT_EQ(WrittenOnLine(line, storage, item, afterPrefix), joined)
          << "item " << i << " tag " << item.GetTag() << (afterPrefix ? " after the prefix" : "");
      ASSERT_EQ(WholeLine(line, storage, item, afterPrefix), joined + "\r\n")
          << "whole line of item " << i << " tag " << item.GetTag() << (afterPrefix ? " after the prefix" : "");
    }
  }
}

// Values of the lengths and contents that the readers and rules tell apart.
std::vector<Bytes> ValueShapes() {
  const Bytes nested = TlvBuilder().Byte(2, 5).Str(45, "x \"y\"").Bcd(8, "1234567890123456789").bytes();
  const Bytes deeper = TlvBuilder().Nested(34, TlvBuilder().Nested(50, TlvBuilder().Byte(7, 1))).Byte(9, 0).bytes();
  return {
      {},
      B({0x00}),
      B({0x09}),
      B({0x12, 0x34}),
      B({0xFF, 0xFF, 0xFF, 0xFE}),
      B({116, 4, 6, 13, 29, 48}),
      B({0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x34}),
      B({0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99}),
      B({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
      test::Text("AB \"q\"\t"),
      B({0xC0, 0xFF, 0x98, 0xB9, ' ', 0xA0, 0x22, 0x00, 'z'}),
      nested,
      deeper,
      // BCD values with leading zero digits, all zeros, and one nibble too large late in the value.
      B({0x00, 0x00, 0x05, 0x10}),
      B({0x00, 0x00}),
      B({0x01, 0x23, 0x45, 0x67, 0x89, 0x01, 0x23, 0x45, 0x67, 0x8A}),
      // Texts at the edges of the text buffers (a track of 39 and 40, 79 and 80 characters).
      test::Text(std::string(39, '7')),
      test::Text(std::string(40, '7')),
      test::Text(std::string(79, 'x')),
      test::Text(std::string(80, 'x')),
      test::Text("plain;text=1?"),
  };
}

TEST(ExportLine, ReadsBackIntoTheTextsItWasWrittenFrom) {
  // The tests read field texts back from export lines: every text must come
  // back as it was, whatever the quoting rule did to it.
  const std::vector<std::vector<std::string>> lists = {
      {}, {""}, {"", ""}, {"a", "", "b"}, {"x \"y\"\tz", "\"\""}, {"Неизвестное поле", "  "}, {"1;2", "end "},
  };
  for (const auto& texts : lists) {
    TTextBuffer out;
    ExportLine line;
    line.Begin(out, false);
    for (const std::string& text : texts) line.Field(text);
    line.End();
    EXPECT_EQ(test::SplitExportLine(out.view()), texts) << out.str();
  }
}

TEST(ExportLine, WritesTheJoinedListOfEveryRowAndValueShape) {
  ExportLine line;  // one line object for all messages, as in the export
  for (const Bytes& value : ValueShapes()) {
    TlvBuilder message;
    for (std::uint32_t tag = 2; tag <= 254; ++tag) message.Item(tag, value);
    ExpectSameLines(message.bytes(), line);
  }
}

TEST(ExportLine, RepeatedTagsReadTheFirstItemLikeTheList) {
  ExportLine line;
  const std::vector<Bytes> shapes = ValueShapes();
  TlvBuilder message;
  for (std::uint32_t tag = 2; tag <= 254; ++tag) {
    message.Item(tag, shapes[tag % shapes.size()]);
    message.Item(tag, shapes[(tag + 5) % shapes.size()]);
  }
  ExpectSameLines(message.bytes(), line);
}

TEST(ExportLine, NamesKeptByValueStayThoseOfTheirOwnValue) {
  // Message type names, response code texts and day masks are kept per value
  // once written: every value, met twice and in changing order, must still
  // give its own text, and a field that cannot be read must not take the
  // kept text of another value.
  ExportLine line;
  for (int round = 0; round < 2; ++round) {
    for (int v = 0; v < 256; ++v) {
      const auto value = static_cast<std::uint8_t>(round == 0 ? v : 255 - v);
      ExpectSameLines(TlvBuilder().Byte(2, value).Byte(31, value).Byte(80, value).bytes(), line);
    }
    ExpectSameLines(TlvBuilder().Item(2, {}).Item(31, B({1, 2})).Item(80, {}).bytes(), line);
  }
}

TEST(ExportLine, DeepNestingStaysBoundedAndEqual) {
  TlvBuilder inner = TlvBuilder().Byte(7, 3).Str(45, "a b");
  for (int depth = 0; depth < 40; ++depth) inner = TlvBuilder().Nested(depth % 2 ? 50 : 179, inner).Byte(2, 1);
  ExportLine line;
  ExpectSameLines(inner.bytes(), line);
}

}  // namespace
}  // namespace pkt
