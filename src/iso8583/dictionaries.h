#pragma once
// Field dictionaries of the two ISO 8583 dialects found in host-to-host logs:
// the BFKO dialect (records of kinds 13 and 14) and the host-to-host dialect
// (kinds 10 and 11). Constant data: each decoder walks a message's bitmaps and
// looks every present field up here for its name and its length coding.
#include <cstddef>
#include <cstdint>
#include <span>

#include "logs/records.h"

namespace pkt {

// How a field's data length is written in front of its data (both dialects).
enum class TIsoLength : std::uint8_t {
  Fixed,  // no prefix: the dictionary's length
  L,      // 1 ASCII decimal digit
  LL,     // 2 digits
  LLL,    // 3 digits
  LLLLL,  // 5 digits
  Bcd,    // 2 bytes of packed BCD
};

// How a field's data is shown: as characters, or in hexadecimal.
enum class TIsoData : std::uint8_t { Text, Binary };

// One field of a dialect. A field of the secondary bitmap (65 to 128) is read
// leniently whatever its columns say: its prefix characters count as their
// code minus 48 unchecked, a BCD length is not read (the dictionary length
// counts) and its data is shown as characters.
struct FIELD_DESC {
  std::int32_t number;      // 2 to 128
  TIsoLength lengthType;
  std::int32_t length;      // data length of a fixed field, the maximum of a variable one
  const char* name;         // shown in the listing
  TIsoData data = TIsoData::Text;
};

// One fixed sub-field of a fixed-length BFKO field.
struct EXT_FIELD_DESC {
  std::int32_t number;  // counting from 1 in table order
  std::int32_t length;  // characters
  const char* name;
};

// One element tag of field 48 (written in the message as two decimal digits).
struct TAG_DESC {
  std::int32_t tag;
  const char* name;
};

// One EMV tag of field 55: a one-byte tag as its byte value, a two-byte tag as
// first byte times 256 plus second byte.
struct EMV_TAG_DESC {
  std::int32_t tag;
  const char* name;
};

// clang-format off
inline constexpr FIELD_DESC BFKO_FIELDS[] = {
    {2, TIsoLength::LL, 19, "PAN"},
    {3, TIsoLength::Fixed, 7, "Processing Code"},
    {4, TIsoLength::Fixed, 12, "Amount transaction"},
    {6, TIsoLength::Fixed, 12, "Amount cardholder transaction"},
    {7, TIsoLength::Fixed, 10, "Transmission date and time"},
    {11, TIsoLength::Fixed, 6, "Systems Trace Audit Number"},
    {12, TIsoLength::Fixed, 6, "Time, local transaction"},
    {13, TIsoLength::Fixed, 4, "Date, local transaction"},
    {18, TIsoLength::Fixed, 4, "Merchant Type"},
    {19, TIsoLength::Fixed, 3, "Acq intitution country code"},
    {22, TIsoLength::Fixed, 3, "POS data mode"},
    {23, TIsoLength::Fixed, 3, "Card Sequence Number"},
    {25, TIsoLength::Fixed, 3, "Pos condition code"},
    {26, TIsoLength::Fixed, 4, "Card acceptor business code"},
    {28, TIsoLength::Fixed, 9, "Acquirer Fee Amount"},
    {32, TIsoLength::LL, 11, "Acquiring institution ID code"},
    {33, TIsoLength::LL, 11, "Forwarding institution ID code"},
    {35, TIsoLength::LL, 37, "Track 2"},
    {37, TIsoLength::Fixed, 12, "Retrieval reference number"},
    {38, TIsoLength::Fixed, 6, "Authorization Identification Response"},
    {39, TIsoLength::Fixed, 5, "Response code"},
    {41, TIsoLength::LL, 16, "Card acceptor terminal id"},
    {43, TIsoLength::Fixed, 222, "Card acceptor name/location"},
    {44, TIsoLength::Fixed, 2, "PIN/CVV verification result"},
    {48, TIsoLength::Fixed, 31, "Message Control data"},
    {49, TIsoLength::Fixed, 3, "Trans Currency code"},
    {51, TIsoLength::Fixed, 3, "Cardholder Billing Currency Code"},
    {52, TIsoLength::Fixed, 16, "PIN Data"},
    {53, TIsoLength::Fixed, 48, "Security related information"},
    {55, TIsoLength::LLL, 255, "ICC data"},
    {61, TIsoLength::Fixed, 14, "Card Issuer Data"},
    {62, TIsoLength::LLL, 999, "External Transaction Attributes"},
    {63, TIsoLength::Fixed, 16, "New PIN"},
    {64, TIsoLength::Fixed, 16, "Message authentication code"},
    {70, TIsoLength::Fixed, 3, "Network Management Code"},
    {95, TIsoLength::Fixed, 24, "Replacement Amounts"},
    {102, TIsoLength::LL, 30, "Account Identification 1"},
    {103, TIsoLength::LL, 30, "Account Identification 2(TO)"},
    {105, TIsoLength::Fixed, 25, "Account balance data"},
    {106, TIsoLength::Fixed, 46, "Multi Currency Data"},
    {108, TIsoLength::LLL, 999, "Regional Listing Data/String Message"},
    {110, TIsoLength::L, 9, "Numeric Message"},
    {121, TIsoLength::Fixed, 47, "Additional POS Data"},
    {123, TIsoLength::LLL, 999, "Miscellaneous transaction attributes"},
    {124, TIsoLength::LLLLL, 99999, "Miscellaneous transaction attributes2"},
    {126, TIsoLength::Fixed, 34, "Preauthorization parameters"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD3_SUBFIELDS[] = {
    {1, 3, "Transaction code"},
    {2, 2, "From account type"},
    {3, 2, "To account type"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD43_SUBFIELDS[] = {
    {1, 30, "Terminal owner"},
    {2, 30, "Terminal city"},
    {3, 3, "Terminal state"},
    {4, 3, "Terminal country"},
    {5, 30, "Terminal address"},
    {6, 30, "Terminal branch"},
    {7, 30, "Terminal region"},
    {8, 3, "Terminal class"},
    {9, 8, "Terminal date"},
    {10, 10, "Terminal payment system name"},
    {11, 4, "Terminal financial institution name"},
    {12, 25, "Terminal retailer name"},
    {13, 3, "Terminal county"},
    {14, 9, "Terminal zip code"},
    {15, 4, "Terminal time offset"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD44_SUBFIELDS[] = {
    {1, 1, "PIN verification result"},
    {2, 1, "CVV/CVV2 verification result"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD95_SUBFIELDS[] = {
    {1, 12, "Replacement Amount"},
    {2, 12, "Replacement Original Amount"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD105_SUBFIELDS[] = {
    {1, 12, "Common balance"},
    {2, 12, "Available balance"},
    {3, 1, "Balance currency type"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD106_SUBFIELDS[] = {
    {1, 3, "TO Account Currency"},
    {2, 3, "Original Currency"},
    {3, 12, "TO Account Amount"},
    {4, 12, "Original Amount"},
    {5, 8, "FROM Account Exchange Rate"},
    {6, 8, "TO Account Exchange Rate"},
};

inline constexpr EXT_FIELD_DESC BFKO_FIELD121_SUBFIELDS[] = {
    {1, 2, "Transaction category"},
    {2, 1, "Transaction recieve mode"},
    {3, 3, "CVV2"},
    {4, 16, "Clerk ID"},
    {5, 16, "Invoice number"},
    {6, 9, "POS Batch and Shift Data"},
};

inline constexpr FIELD_DESC H2H_FIELDS[] = {
    {2, TIsoLength::LL, 19, "PAN"},
    {3, TIsoLength::Fixed, 6, "Processing Code"},
    {4, TIsoLength::Fixed, 12, "Amount transaction"},
    {7, TIsoLength::Fixed, 10, "Transmission date and time"},
    {11, TIsoLength::Fixed, 6, "Systems Trace Audit Number"},
    {12, TIsoLength::Fixed, 12, "Date and time, local transaction"},
    {14, TIsoLength::Fixed, 4, "Expiry date"},
    {18, TIsoLength::Fixed, 4, "Merchant Type"},
    {20, TIsoLength::Fixed, 3, "Country code PAN"},
    {22, TIsoLength::Fixed, 12, "POS data code"},
    {23, TIsoLength::Fixed, 3, "Card Sequence Number"},
    {24, TIsoLength::Fixed, 3, "Function code"},
    {25, TIsoLength::Fixed, 4, "Message reason code"},
    {26, TIsoLength::Fixed, 4, "Card acceptor business code"},
    {30, TIsoLength::Fixed, 24, "Original amount"},
    {32, TIsoLength::LL, 11, "Acquiring institution ID code"},
    {35, TIsoLength::LL, 37, "Track 2"},
    {37, TIsoLength::Fixed, 12, "Retrieval reference number"},
    {38, TIsoLength::Fixed, 6, "Authorization Identification Response"},
    {39, TIsoLength::Fixed, 2, "Response code"},
    {41, TIsoLength::Fixed, 8, "Card acceptor terminal id"},
    {42, TIsoLength::Fixed, 15, "Card acceptor id"},
    {43, TIsoLength::LL, 99, "Card acceptor name/location"},
    {48, TIsoLength::LLL, 999, "Message Control data"},
    {49, TIsoLength::Fixed, 3, "Currency code"},
    {52, TIsoLength::Fixed, 8, "PIN Data"},
    {53, TIsoLength::LL, 48, "Security related information"},
    {55, TIsoLength::Bcd, 76, "Binary Field 55", TIsoData::Binary},
    {56, TIsoLength::LL, 35, "Original data elements"},
    {59, TIsoLength::LLL, 999, "Transport data"},
    {60, TIsoLength::LLL, 999, "Accounts, additional"},
    {62, TIsoLength::LLL, 999, "Product sets"},
    {63, TIsoLength::LLL, 999, "Product data"},
    {64, TIsoLength::Fixed, 8, "Message authentication code"},
    {70, TIsoLength::Fixed, 3, "Network Management Code"},
    {95, TIsoLength::Fixed, 12, "Replacement Amounts"},
    {102, TIsoLength::LL, 99, "Account identification"},
    {128, TIsoLength::Fixed, 1, "Secondary MAC Data"},
};

inline constexpr TAG_DESC FIELD48_TAGS[] = {
    {1, "User Login"},
    {2, "User Password Clear"},
    {3, "Wallet Number"},
    {12, "Payment order number"},
    {13, "Payment dynamic number (data)"},
    {14, "Plastic ID"},
    {15, "Korvan card number"},
    {16, "Korvan terminal ID"},
    {17, "Operator card number"},
    {18, "Korvan Service ID"},
    {19, "Service amount"},
    {20, "Service price"},
    {27, "Action code"},
    {31, "Mini Statement Record"},
    {35, "SMS Text"},
    {36, "Mobile Phone Number"},
    {39, "Additional response code"},
    {40, "Additional response text"},
    {42, "Security level indicator"},
    {49, "Service Type"},
    {50, "Payment Service Identifier"},
    {51, "Cardholder Identification Information"},
    {52, "Payment Service Authorization Code"},
    {53, "Expiration date of second card ( for P2P credit card )"},
    {54, "User Entered Data"},
    {55, "User Entered Data Additional"},
    {57, "Payment Specific data"},
    {58, "Payment Specific data"},
    {59, "Payment Specific data"},
    {60, "Payment Specific data"},
    {61, "Payment Specific data"},
    {62, "Payment Specific data"},
    {63, "Payment Specific data"},
    {64, "Payment Specific data"},
    {65, "Payment Specific data"},
    {73, "Receiver Name"},
    {79, "External Transaction ID"},
    {85, "Customer Id"},
    {87, "Virtual Card number"},
    {88, "Virtual Card expiration date"},
    {89, "Virtual Card product type"},
    {92, "CVV2"},
    {95, "Hot Card status"},
};

inline constexpr EMV_TAG_DESC EMV_TAGS[] = {
    {0x5A, "app_prim_acc_num"},
    {0x5F2A, "trans_curr_code"},
    {0x9F36, "app_trans_count"},
    {0x9F37, "unpred_number"},
    {0x9F10, "iss_app_data"},
    {0x9F26, "app_crypt"},
    {0x91, "Issuer Authentication Data"},
    {0x8A, "Authorisation Response Code"},
};
// clang-format on

// The sub-field table of one BFKO field.
struct TSubFieldTable {
  std::int32_t field;
  std::span<const EXT_FIELD_DESC> subFields;
};

inline constexpr TSubFieldTable BFKO_SUBFIELD_TABLES[] = {
    {3, BFKO_FIELD3_SUBFIELDS},     {43, BFKO_FIELD43_SUBFIELDS},   {44, BFKO_FIELD44_SUBFIELDS},
    {95, BFKO_FIELD95_SUBFIELDS},   {105, BFKO_FIELD105_SUBFIELDS}, {106, BFKO_FIELD106_SUBFIELDS},
    {121, BFKO_FIELD121_SUBFIELDS},
};

// The dialects, chosen by the kind of the log record that carries the message.
enum class TIsoDialect { None, Bfko, HostToHost };

// Kinds 13 and 14 carry BFKO messages, 10 and 11 host-to-host ones; every
// other kind carries no ISO 8583 message.
TIsoDialect IsoDialectOfKind(TRecordKind kind);

// Everything one decoder looks up: the field dictionary and the BFKO sub-field
// tables (none for the host-to-host dialect). The decoders take the dialect's
// built-in dictionary; a changed one can be handed to them for testing.
struct TIsoDictionary {
  std::span<const FIELD_DESC> fields;
  std::span<const TSubFieldTable> subFieldTables;
};

inline constexpr TIsoDictionary BFKO_DICTIONARY{BFKO_FIELDS, BFKO_SUBFIELD_TABLES};
inline constexpr TIsoDictionary H2H_DICTIONARY{H2H_FIELDS, {}};

const TIsoDictionary& DictionaryOf(TIsoDialect dialect);

// The first entry of the dictionary with this field number, or nullptr (unknown).
const FIELD_DESC* FindField(const TIsoDictionary& dictionary, int number);
const FIELD_DESC* FindField(TIsoDialect dialect, int number);

// The sub-fields of a field, in order; empty when the field has none.
std::span<const EXT_FIELD_DESC> FindSubFields(const TIsoDictionary& dictionary, int field);
std::span<const EXT_FIELD_DESC> BfkoSubFields(int field);

// The name of a field-48 element tag, or nullptr (unknown).
const char* Field48TagName(int tag);
// The name of an EMV tag of field 55, or nullptr (unknown).
const char* EmvTagName(int tag);

}  // namespace pkt
