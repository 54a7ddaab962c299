#include "logs/records.h"

namespace pkt {

namespace {

struct KindName {
  TRecordKind kind;
  const char* name;
};

constexpr const char* kUnknownKind = "Неизвестный";

constexpr KindName kTerminalKinds[] = {
    {rkIncoming, "Входящий"},
    {rkOutgoing, "Исходящий"},
    {rkKeyRequest, "Запрос ключа"},
    {rkKeyIssue, "Выдача ключа"},
    {rkAuthRequest, "Запрос аутентификации"},
    {rkAuthSuccess, "Успешная аутентификация"},
    {rkConnect, "Подключение"},
    {rkDisconnect, "Отключение"},
    {rkMobileOrderNotice, "Уведомление (мобильный заказ)"},
};

// Host-to-host logs name the raw, ISO and BFKO kinds by their direction only;
// kind 12 is a mobile-order notice in terminal logs alone.
constexpr KindName kH2HKinds[] = {
    {rkIncoming, "Входящий"},
    {rkOutgoing, "Исходящий"},
    {rkKeyRequest, "Запрос ключа"},
    {rkKeyIssue, "Выдача ключа"},
    {rkAuthRequest, "Запрос аутентификации"},
    {rkAuthSuccess, "Успешная аутентификация"},
    {rkConnect, "Подключение"},
    {rkDisconnect, "Отключение"},
    {rkRawIncoming, "Входящий"},
    {rkRawOutgoing, "Исходящий"},
    {rkIsoIncoming, "Входящий"},
    {rkIsoOutgoing, "Исходящий"},
    {rkBfkoIncoming, "Входящий"},
    {rkBfkoOutgoing, "Исходящий"},
};

template <std::size_t N>
const char* Lookup(const KindName (&table)[N], TRecordKind kind) {
  for (const KindName& row : table)
    if (row.kind == kind) return row.name;
  return kUnknownKind;
}

}  // namespace

const char* TerminalKindName(TRecordKind kind) { return Lookup(kTerminalKinds, kind); }
const char* H2HKindName(TRecordKind kind) { return Lookup(kH2HKinds, kind); }

}  // namespace pkt
