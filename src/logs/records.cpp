#include "logs/records.h"

namespace pkt {

namespace {

// The log families a kind's name is shown in.
enum TFamilies : unsigned { kTerminalLog = 1, kH2HLog = 2, kBothLogs = kTerminalLog | kH2HLog };

struct KindName {
  TRecordKind kind;
  const char* name;
  unsigned families;
};

constexpr const char* kUnknownKind = "Неизвестный";

// Host-to-host logs name the raw, ISO and BFKO kinds by their direction only;
// kind 12 is a mobile-order notice in terminal logs alone.
constexpr KindName kKindNames[] = {
    {rkIncoming, "Входящий", kBothLogs},
    {rkOutgoing, "Исходящий", kBothLogs},
    {rkKeyRequest, "Запрос ключа", kBothLogs},
    {rkKeyIssue, "Выдача ключа", kBothLogs},
    {rkAuthRequest, "Запрос аутентификации", kBothLogs},
    {rkAuthSuccess, "Успешная аутентификация", kBothLogs},
    {rkConnect, "Подключение", kBothLogs},
    {rkDisconnect, "Отключение", kBothLogs},
    {rkRawIncoming, "Входящий", kH2HLog},
    {rkRawOutgoing, "Исходящий", kH2HLog},
    {rkIsoIncoming, "Входящий", kH2HLog},
    {rkIsoOutgoing, "Исходящий", kH2HLog},
    {rkMobileOrderNotice, "Уведомление (мобильный заказ)", kTerminalLog},
    {rkBfkoIncoming, "Входящий", kH2HLog},
    {rkBfkoOutgoing, "Исходящий", kH2HLog},
};

const char* Lookup(TFamilies family, TRecordKind kind) {
  for (const KindName& row : kKindNames)
    if (row.kind == kind && (row.families & family)) return row.name;
  return kUnknownKind;
}

}  // namespace

const char* TerminalKindName(TRecordKind kind) { return Lookup(kTerminalLog, kind); }
const char* H2HKindName(TRecordKind kind) { return Lookup(kH2HLog, kind); }

bool IsIsoKind(TRecordKind kind) {
  return kind == rkIsoIncoming || kind == rkIsoOutgoing || kind == rkBfkoIncoming || kind == rkBfkoOutgoing;
}

}  // namespace pkt
