// The walk over a message's bitmaps and fields, shared by both dialects, on
// messages cut at every byte: the cut listing keeps the lines of every field
// that still fits and ends with one failure naming where the first field that
// does not fit (its prefix, or its data) or the secondary bitmap would end.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "iso8583/iso8583.h"
#include "iso8583/sample_messages.h"

namespace pkt {
namespace {

using test::Bytes;

// One field of a whole message's listing: its data's place and its lines
// (the field line and the indented lines of its sub-fields or elements).
struct TListedField {
  int number = 0;
  std::size_t offset = 0, length = 0;
  std::string lines;
};

std::string AfterType(const std::string& listing) {
  const std::size_t type = listing.find("Message type ");
  if (type == std::string::npos) return listing;
  return listing.substr(listing.find('\n', type) + 1);
}

std::vector<TListedField> ListedFields(const std::string& listing) {
  std::vector<TListedField> fields;
  const std::string body = AfterType(listing);
  for (std::size_t pos = 0; pos < body.size();) {
    const std::size_t end = body.find('\n', pos) + 1;
    const std::string line = body.substr(pos, end - pos);
    if (line[0] == 'P') {
      TListedField f;
      f.number = std::stoi(line.substr(1, 4));
      f.length = std::stoul(line.substr(line.find(" LEN=") + 5));
      f.offset = std::stoul(line.substr(line.find(" OFFS=") + 6));
      fields.push_back(f);
    }
    EXPECT_FALSE(fields.empty()) << line;
    if (!fields.empty()) fields.back().lines += line;
    pos = end;
  }
  return fields;
}

using TPastEnd = std::string (*)(int field, std::size_t end, std::size_t n);

std::string BfkoPastEnd(int, std::size_t end, std::size_t n) {
  char text[160];
  std::snprintf(text, sizeof text,
                "\n Invalid BFKO-message. Field ending at: %zu. DataSize: %zu. Parsing process terminated. \n", end, n);
  return text;
}

std::string H2hPastEnd(int field, std::size_t end, std::size_t n) {
  const std::string what = field == 1 ? "\"Secondary Bitmap\"" : "Field " + std::to_string(field);
  char text[160];
  std::snprintf(text, sizeof text,
                "\n Invalid message. %s ending at: %zu. DataSize: %zu. Parsing process terminated. \n", what.c_str(),
                end, n);
  return text;
}

// What the walk lists of the message cut to n bytes, n at least fieldsStart
// (where the secondary bitmap ends): the whole message's fields that fit, then
// the failure of the first that does not.
std::string ExpectedCut(const std::vector<TListedField>& fields, std::size_t n, TPastEnd pastEnd) {
  std::string out;
  for (const TListedField& f : fields) {
    if (f.offset + f.length <= n) {
      out += f.lines;
      continue;
    }
    // The prefix lies between the previous field's data and this one's.
    return out + pastEnd(f.number, n < f.offset ? f.offset : f.offset + f.length, n);
  }
  return out;
}

void CheckEveryCut(TIsoDialect dialect, const Bytes& msg, std::size_t bitmapsStart, std::size_t bitmapSize,
                   TPastEnd pastEnd) {
  const std::vector<TListedField> fields = ListedFields(DecodeIsoMessage(dialect, msg.data(), msg.size()));
  ASSERT_GT(fields.size(), 10u);
  ASSERT_GT(fields.back().number, 64);  // the secondary bitmap is walked
  const std::size_t fieldsStart = bitmapsStart + 2 * bitmapSize;
  for (std::size_t n = bitmapsStart + bitmapSize; n <= msg.size(); ++n) {
    const Bytes cut = test::Prefix(msg, n);
    const std::string listing = AfterType(DecodeIsoMessage(dialect, cut.data(), cut.size()));
    if (n < fieldsStart)
      EXPECT_EQ(listing, pastEnd(1, fieldsStart, n)) << n;
    else
      EXPECT_EQ(listing, ExpectedCut(fields, n, pastEnd)) << n;
  }
}

TEST(IsoFieldWalk, BfkoMessagesCutAtEveryByte) {
  CheckEveryCut(TIsoDialect::Bfko, test::SampleBfkoResponse(), 12, 16, BfkoPastEnd);
}

TEST(IsoFieldWalk, HostToHostMessagesCutAtEveryByte) {
  CheckEveryCut(TIsoDialect::HostToHost, test::SampleH2hResponse(), 4, 8, H2hPastEnd);
}

// The message a record body holds, as the viewer decodes it: the prefix's
// length right behind it, refused when it is short or reaches past the bytes
// the body has in the file.
TEST(IsoMessageOfBody, TheAnnouncedLengthMustFitTheAvailableBytes) {
  const Bytes h2h = test::Text("0012" "0123456789AB");
  for (std::size_t available = 0; available <= h2h.size(); ++available) {
    const auto msg = IsoMessageOfBody(TIsoDialect::HostToHost, h2h.data(), available);
    ASSERT_EQ(msg.has_value(), available == h2h.size()) << available;
  }
  const auto whole = IsoMessageOfBody(TIsoDialect::HostToHost, h2h.data(), h2h.size());
  EXPECT_EQ(whole->data(), h2h.data() + 4);
  EXPECT_EQ(whole->size(), 12u);

  const Bytes shortH2h = test::Text("0011" "0123456789AB");
  const Bytes notDigits = test::Text("001A" "0123456789AB");
  EXPECT_FALSE(IsoMessageOfBody(TIsoDialect::HostToHost, shortH2h.data(), shortH2h.size()));
  EXPECT_FALSE(IsoMessageOfBody(TIsoDialect::HostToHost, notDigits.data(), notDigits.size()));
  EXPECT_FALSE(IsoMessageOfBody(TIsoDialect::None, h2h.data(), h2h.size()));

  Bytes bfko = test::B({0, 0, 0, 28});
  bfko.resize(4 + 28, '0');
  for (std::size_t available = 0; available <= bfko.size(); ++available)
    ASSERT_EQ(IsoMessageOfBody(TIsoDialect::Bfko, bfko.data(), available).has_value(), available == bfko.size());
  bfko[0] = 0xFF;  // a negative length
  EXPECT_FALSE(IsoMessageOfBody(TIsoDialect::Bfko, bfko.data(), bfko.size()));
}

}  // namespace
}  // namespace pkt
