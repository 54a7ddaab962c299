#pragma once
// Decoder of host-to-host-dialect ISO 8583 messages (records of kinds 10 and
// 11) into the same kind of listing as the BFKO decoder: the hex dump, the
// message type, one line per present field, indented lines for the elements of
// fields 48 and 55, and one error line where a malformed message stops it.
//
// Message layout: 4-character message type, the primary bitmap as 8 binary
// bytes, the secondary bitmap likewise when bit 1 is set, then the fields in
// bit order, each as its length prefix and data.
#include <cstddef>
#include <cstdint>
#include <string>

#include "iso8583/decode_log.h"

namespace pkt {

// The listing of one host-to-host message (the bytes after the record's
// 4-digit length prefix); empty for fewer than 12 bytes. Never throws.
std::string DecodeH2HMsgToLog(const std::uint8_t* msg, std::size_t n);

// Appends "    P%04d-%04X %s LEN=%d OFFS=%d '%s'" for each EMV element of
// field 55 (a tag byte whose low four bits are all set starts a two-byte tag;
// then one length byte and the value, shown in hex). The field must lie within
// the message. An unknown tag or an empty element ends the walk silently; an
// element of a known tag that does not fit into the field is reported.
TElementWalkEnd EmvTagWalk(TDecodeLog& log, int field, const std::uint8_t* msg, std::size_t fieldOffset,
                           std::size_t fieldLength);

}  // namespace pkt
