#include "terminal/fields/field_place.h"

#include "text/delimited.h"

namespace pkt {

void ExportLine::Field(std::string_view utf8) {
  // The tab and the field in the room of one bounds check.
  char* o = out_->Room(1 + DelimitedUtf8FieldRoom(utf8.size()));
  if (count_ != 0 || afterPrefix_) *o++ = '\t';
  out_->Commit(PutDelimitedUtf8Field(o, utf8));
  ++count_;
  lastEmpty_ = utf8.empty();
}

}  // namespace pkt
