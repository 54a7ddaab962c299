#include "terminal/fields/field_place.h"

#include "text/delimited.h"

namespace pkt {

void ExportLine::Field(std::string_view utf8) {
  if (count_ != 0 || afterPrefix_) out_->push_back('\t');
  AppendDelimitedUtf8Field(*out_, utf8);
  ++count_;
  lastEmpty_ = utf8.empty();
}

void ExportLine::End() {
  // An empty field appends nothing, so the quotes can follow it.
  if (!afterPrefix_ && count_ == 1 && lastEmpty_) out_->append("\"\"", 2);
}

}  // namespace pkt
