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

// One field of a dialect.
struct FIELD_DESC {
  std::int32_t number;      // 2 to 128
  std::int32_t lengthType;  // the dialect's length-type code (see below)
  std::int32_t length;      // data length of a fixed field, the maximum of a variable one
  const char* name;         // shown in the listing
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

// Length-type codes of the BFKO dialect. The prefix is read directly in front
// of the field data; L..LLLLL prefixes are ASCII decimal digits.
namespace bfko_len {
constexpr std::int32_t kFixed = 0, kFixedToo = 1, kL = 2, kLL = 3, kLLToo = 4, kLLL = 5, kLLLToo = 6, kLLLLL = 7,
                       kBcdBinary = 8;
}
// Length-type codes of the host-to-host dialect.
namespace h2h_len {
constexpr std::int32_t kFixed = 0, kL = 1, kLL = 2, kLLL = 3, kBcdBinary = 4;
}

// clang-format off
inline constexpr FIELD_DESC BFKO_FIELDS[] = {
    {2, 3, 19, "PAN"},
    {3, 0, 7, "Processing Code"},
    {4, 0, 12, "Amount transaction"},
    {6, 0, 12, "Amount cardholder transaction"},
    {7, 0, 10, "Transmission date and time"},
    {11, 0, 6, "Systems Trace Audit Number"},
    {12, 0, 6, "Time, local transaction"},
    {13, 0, 4, "Date, local transaction"},
    {18, 0, 4, "Merchant Type"},
    {19, 0, 3, "Acq intitution country code"},
    {22, 0, 3, "POS data mode"},
    {23, 0, 3, "Card Sequence Number"},
    {25, 0, 3, "Pos condition code"},
    {26, 0, 4, "Card acceptor business code"},
    {28, 0, 9, "Acquirer Fee Amount"},
    {32, 3, 11, "Acquiring institution ID code"},
    {33, 3, 11, "Forwarding institution ID code"},
    {35, 3, 37, "Track 2"},
    {37, 0, 12, "Retrieval reference number"},
    {38, 0, 6, "Authorization Identification Response"},
    {39, 0, 5, "Response code"},
    {41, 3, 16, "Card acceptor terminal id"},
    {43, 0, 222, "Card acceptor name/location"},
    {44, 0, 2, "PIN/CVV verification result"},
    {48, 0, 31, "Message Control data"},
    {49, 0, 3, "Trans Currency code"},
    {51, 0, 3, "Cardholder Billing Currency Code"},
    {52, 1, 16, "PIN Data"},
    {53, 1, 48, "Security related information"},
    {55, 6, 255, "ICC data"},
    {61, 0, 14, "Card Issuer Data"},
    {62, 5, 999, "External Transaction Attributes"},
    {63, 1, 16, "New PIN"},
    {64, 1, 16, "Message authentication code"},
    {70, 0, 3, "Network Management Code"},
    {95, 0, 24, "Replacement Amounts"},
    {102, 3, 30, "Account Identification 1"},
    {103, 3, 30, "Account Identification 2(TO)"},
    {105, 0, 25, "Account balance data"},
    {106, 0, 46, "Multi Currency Data"},
    {108, 5, 999, "Regional Listing Data/String Message"},
    {110, 2, 9, "Numeric Message"},
    {121, 0, 47, "Additional POS Data"},
    {123, 5, 999, "Miscellaneous transaction attributes"},
    {124, 7, 99999, "Miscellaneous transaction attributes2"},
    {126, 0, 34, "Preauthorization parameters"},
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
    {2, 2, 19, "PAN"},
    {3, 0, 6, "Processing Code"},
    {4, 0, 12, "Amount transaction"},
    {7, 0, 10, "Transmission date and time"},
    {11, 0, 6, "Systems Trace Audit Number"},
    {12, 0, 12, "Date and time, local transaction"},
    {14, 0, 4, "Expiry date"},
    {18, 0, 4, "Merchant Type"},
    {20, 0, 3, "Country code PAN"},
    {22, 0, 12, "POS data code"},
    {23, 0, 3, "Card Sequence Number"},
    {24, 0, 3, "Function code"},
    {25, 0, 4, "Message reason code"},
    {26, 0, 4, "Card acceptor business code"},
    {30, 0, 24, "Original amount"},
    {32, 2, 11, "Acquiring institution ID code"},
    {35, 2, 37, "Track 2"},
    {37, 0, 12, "Retrieval reference number"},
    {38, 0, 6, "Authorization Identification Response"},
    {39, 0, 2, "Response code"},
    {41, 0, 8, "Card acceptor terminal id"},
    {42, 0, 15, "Card acceptor id"},
    {43, 2, 99, "Card acceptor name/location"},
    {48, 3, 999, "Message Control data"},
    {49, 0, 3, "Currency code"},
    {52, 0, 8, "PIN Data"},
    {53, 2, 48, "Security related information"},
    {55, 4, 76, "Binary Field 55"},
    {56, 2, 35, "Original data elements"},
    {59, 3, 999, "Transport data"},
    {60, 3, 999, "Accounts, additional"},
    {62, 3, 999, "Product sets"},
    {63, 3, 999, "Product data"},
    {64, 0, 8, "Message authentication code"},
    {70, 0, 3, "Network Management Code"},
    {95, 0, 12, "Replacement Amounts"},
    {102, 2, 99, "Account identification"},
    {128, 0, 1, "Secondary MAC Data"},
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

// The walk a present field's data gets after its field line.
enum class TInnerWalk { None, SubFields, Field48Elements, EmvTags };
TInnerWalk InnerWalkOf(TIsoDialect dialect, int field);

}  // namespace pkt
