#include "terminal/catalogues.h"
#include "platform/bytes.h"

#include <cstdio>

#include <array>
#include <iterator>

#include "text/format.h"

namespace pkt {
namespace {

struct NamedValue {
  std::uint8_t value;
  const char* text;
};

// Names of the message types (the value of MF_TYPE_ID).
constexpr NamedValue kMessageTypes[] = {
    {1, "Проверка наличия карты в ЧС - запрос"},
    {2, "Проверка наличия карты в ЧС - ответ"},
    {3, "Уведомление о наличии изменений в файлах"},
    {4, "Ответ с запросом данных из файлов"},
    {5, "Информация о содержимом файлов"},
    {6, "Проверка наличия ОИ для карты - запрос"},
    {7, "Проверка наличия ОИ для карты - ответ"},
    {8, "Транзакция на дебет - запрос"},
    {9, "Транзакция на дебет - ответ"},
    {10, "Транзакция на кредит - запрос"},
    {11, "Транзакция на кредит - ответ"},
    {12, "Транзакция на возврат - запрос"},
    {13, "Транзакция на возврат - ответ"},
    {14, "Подтверждение транзакции - запрос"},
    {15, "Подтверждение транзакции - ответ"},
    {16, "Отмена транзакции - запрос"},
    {17, "Отмена транзакции - ответ"},
    {18, "Инфо по карте - запрос"},
    {19, "Инфо по карте - ответ"},
    {20, "Диапазон онлайн карт - запрос"},
    {21, "Диапазон онлайн карт - ответ"},
    {22, "Транзакция на \"ручной\" дебет - запрос"},
    {23, "Транзакция на \"ручной\" дебет - ответ"},
    {24, "Ошибка"},
    {39, "Диапазон онлайн карт расш. - запрос"},
    {40, "Диапазон онлайн карт расш. - ответ"},
    {41, "OOB - запрос"},
    {45, "MT_TRANZ_LNR_REQUEST"},
    {46, "MT_TRANZ_LNR_REQUEST"},
    {48, "OOB - ответ"},
    {53, "MT_CHANGE_PIN_ONLINE_REQUEST"},
    {54, "MT_CHANGE_PIN_ONLINE_RESPONSE"},
    {57, "MT_CHANGE_CARD_MAG_REQUEST"},
    {58, "MT_CHANGE_CARD_MAG_RESPONSE"},
    {59, "Диапазон онлайн карт по H2H - запрос"},
    {60, "Диапазон онлайн карт по H2H - ответ"},
    {61, "Обновление тарифов - запрос"},
    {62, "Обновление тарифов - ответ"},
    {63, "Обновление категории карты - запрос"},
    {64, "Обновление категории карты - ответ"},
    {65, "Активация карты - запрос"},
    {66, "Активация карты - ответ"},
    {67, "Транзакция на отмену кредита - запрос"},
    {68, "Транзакция на отмену кредита - ответ"},
    {69, "Транзакция на реализацию ОП - запрос"},
    {70, "Транзакция на реализацию ОП - ответ"},
    {71, "Транзакция на реализацию ОС - запрос"},
    {72, "Транзакция на реализацию ОС - ответ"},
    {75, "Получение параметров эл. талона для дебета - запрос"},
    {76, "Получение параметров эл. талона для возврата - запрос"},
    {77, "Получение параметров эл. талона - ответ"},
    {90, "Получение номера карты Korvan по метке (МТС+BP)"},
    {94, "Загрузка ключей кредитования - запрос"},
    {95, "Загрузка ключей кредитования - ответ"},
    {96, "Кредитование карты - запрос"},
    {97, "Кредитование карты - ответ"},
    {98, "Список онлайн-эмитентов - запрос"},
    {99, "Список онлайн-эмитентов - ответ"},
    {100, "Транзакция на дебет по карте А по host2host - запрос"},
    {101, "Транзакция на возврат по карте А по host2host - запрос"},
    {102, "Запрос на инфо по карте А по host2host"},
    {104, "Обновление тарифов онлайн - запрос"},
    {105, "Обновление тарифов онлайн - ответ"},
    {106, "Запрос с информацией о выполненных криптограммах"},
    {107, "Ответ на запрос с информацией о выполненных криптограммах"},
    {112, "Транзакция кредитования карты - запрос"},
    {113, "Транзакция кредитования карты - ответ"},
    {114, "Транзакция отмены кредитования карты - запрос"},
    {115, "Транзакция отмены кредитования карты - ответ"},
    {116, "Транзакция реализации ОИЛ - запрос"},
    {117, "Транзакция реализации ОИЛ - ответ"},
    {118, "Транзакция смены тарифа - запрос"},
    {119, "Транзакция смены тарифа - ответ"},
    {120, "Транзакция открытия/закрытия смены - запрос"},
    {121, "Транзакция открытия/закрытия смены - ответ"},
    {125, "Списание бонусов по карте ЛНР - запрос"},
    {126, "Списание бонусов по карте ЛНР - ответ"},
    {129, "Дебет по карте ЛНР за наличные - запрос"},
    {130, "Дебет по карте ЛНР за наличные - ответ"},
    {131, "Отмена дебета по карте ЛНР за наличные - запрос"},
    {132, "Отмена дебета по карте ЛНР за наличные - ответ"},
    {133, "Реализация ОИБ по карте ЛНР - запрос"},
    {134, "Реализация ОИБ по карте ЛНР - ответ"},
    {135, "Инфо по карте ЛНР - запрос"},
    {136, "Инфо по карте ЛНР - ответ"},
};

// Texts of the response codes (MF_TRZ_RESPCODE and the token lists).
constexpr NamedValue kResponseCodes[] = {
    {0, "Успешное выполнение"},
    {1, "Недостаточно средств"},
    {2, "Превышение лимита"},
    {3, "Карта неизвестна"},
    {4, "Карта заблокирована"},
    {5, "Неизвестная ошибка"},
    {6, "Сервис недоступен"},
    {7, "Дополнительная авторизация неуспешна"},
    {8, "Требуется доп. авторизация"},
    {9, "Неверный номер эмитента"},
    {10, "Неверный номер терминала"},
    {11, "Неверная транзакция"},
    {12, "Неверный тип сервера"},
    {13, "Таймаут авторизации"},
    {14, "Требует голосовой авторизации"},
    {15, "Изъять карту"},
    {16, "Срок действия карты истек"},
    {17, "Отказ без причины"},
    {18, "Обработчик транзакций недоступен"},
    {19, "Неверные данные"},
    {20, "Ошибка коммуникации с обработчиком"},
    {21, "Ошибка операционной системы"},
    {22, "В текущее время не обслуживается"},
    {23, "В текущий день не обслуживается"},
    {24, "Не прошел интервал между транзакциями"},
    {25, "Неверный PIN"},
    {26, "Неверный номер а/м"},
    {27, "Цена не известна"},
    {28, "PIN заблокирован"},
    {29, "Неверный код"},
    {30, "Неверный PIN терминала, исп. мониторингом"},
    {31, "Неверный ключ терминала, исп. мониторингом"},
    {32, "ЧС на АС устарел"},
    {33, "Недостаточно средств эмитента"},
    {34, "Недостаточно средств филиала"},
    {35, "Нет онлайн лимитов по карте"},
    {36, "Неверное время на терминале"},
    {38, "TC_CARD_NOT_ACTIVATED"},
    {39, "TC_CARD_ALREADY_ACTIVATED"},
    {40, "TC_CANNOT_CHANGE_CARD"},
    {41, "TC_CARD_PROHIB_ON_GR_TO"},
    {42, "TC_BONUS_DEBIT_PROHIB_ON_TO"},
    {43, "TC_ACTIVATION_PROHIB_TO"},
    {44, "Обслужить карту как А"},
    {46, "Неверные данные на карте (для счетчиков)"},
    {47, "Dat-файл эмитента карты или отсутствует или устарел"},
    {48, "Dat-файл эквайера карты или отсутствует или устарел"},
    {49, "Ошибка обслуживания по карте DKV"},
    {50, "Возврат по карте невозможен"},
    {52, "Ошибка обслуживания по карте Routex"},
    {53, "Повторная отмена"},
    {54, "Получено больше записей из таблиц БД, чем ожидалось"},
    {55, "Ошибка множественного обслуживания Routex - неизвестные коды услуг, не найдены в БД"},
    {56, "Ошибка HSM"},
    {57, "Некорректный TEK"},
    {58, "Неизвестное устройство ввода PIN"},
    {59, "Ошибка кросс-курсирования"},
    {60, "Пересчетное обсл. запрещено"},
    {61, "Прием талона данного эмитента не разрешен"},
    {62, "Талон с таким номером уже обслужен"},
    {63, "Талон с таким номером не существует"},
    {64, "Неверные настройки (в БД на АС)"},
    {65, "Возврат невозможен (по талону)"},
    {66, "Кредит на терминале не разрешен"},
    {67, "Отсутствует эмиссия для кредитования"},
    {69, "Ошибка при проверке сертификата карты"},
    {70, "Не удалось загрузить мастер ключ(и) эмитента"},
};

// One slot per byte value, filled from a {value, text} table at compile time,
// so that a lookup is one index (the export asks for millions of them).
template <std::size_t N>
constexpr std::array<const char*, 256> Index(const NamedValue (&rows)[N]) {
  std::array<const char*, 256> slots{};
  for (const NamedValue& row : rows) slots[row.value] = row.text;
  return slots;
}

static_assert(std::size(kMessageTypes) == 85 && std::size(kResponseCodes) == 67);

constexpr auto kMessageTypeIndex = Index(kMessageTypes);
constexpr auto kResponseCodeIndex = Index(kResponseCodes);

// Day names, bit 0 (Monday) to bit 6 (Sunday).
constexpr const char* kDayNames[7] = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};

}  // namespace

std::string_view MessageTypeName(std::uint8_t id, TCatalogueText& buffer) {
  if (const char* name = kMessageTypeIndex[id]) return name;
  const int n = std::snprintf(buffer.data(), buffer.size(), "%u", unsigned(id));
  return {buffer.data(), static_cast<std::size_t>(n)};
}

std::string MessageTypeName(std::uint8_t id) {
  TCatalogueText buffer;
  return std::string(MessageTypeName(id, buffer));
}

std::string_view ResponseCodeText(std::uint8_t code, TCatalogueText& buffer) {
  if (const char* text = kResponseCodeIndex[code]) return text;
  const int n = std::snprintf(buffer.data(), buffer.size(), "Неопознанная ошибка - %02X", unsigned(code));
  return {buffer.data(), static_cast<std::size_t>(n)};
}

std::string ResponseCodeText(std::uint8_t code) {
  TCatalogueText buffer;
  return std::string(ResponseCodeText(code, buffer));
}

std::string_view TokenText(const std::uint8_t* b, TCatalogueText& buffer) {
  // A 32-bit and two 16-bit little-endian numbers, then eight single bytes:
  // the digits of each number come most significant byte first.
  static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  char* p = buffer.data();
  for (int i : kOrder) p = PutHexByte(p, b[i]);
  return {buffer.data(), 32};
}

std::string TokenText(const std::uint8_t* b) {
  TCatalogueText buffer;
  return std::string(TokenText(b, buffer));
}

std::string_view TransactionTokenText(const TTLVStorage& storage, std::uint32_t tag, TCatalogueText& buffer) {
  const TTLV* item = nullptr;
  return TransactionTokenText(storage.Find(tag, item, 0) == TLV_OK ? item : nullptr, buffer);
}

std::string_view TransactionTokenText(const TTLV* item, TCatalogueText& buffer) {
  if (item == nullptr) return "Failed to retrieve transaction token!";
  if (item->GetLength() != 16) return "Invalid transaction token!";
  std::uint8_t token[16];
  if (!item->ReadAt(token, 0, sizeof token)) return "Failed to extract transaction token from TLV!";
  return TokenText(token, buffer);
}

std::string TransactionTokenText(const TTLVStorage& storage, std::uint32_t tag) {
  TCatalogueText buffer;
  return std::string(TransactionTokenText(storage, tag, buffer));
}

std::string WeekDaysText(std::uint8_t mask) {
  mask &= 0x7F;  // bit 7 carries no day
  // One unbroken run of three or more days shows as a range ("Пн-Пт",
  // "Вт-Сб"); single days, two neighbouring days and days with gaps between
  // them show as the names one after the other ("Пн", "ПнВт", "ПнСр").
  int first = 0;
  while (first < 7 && !(mask & (1 << first))) ++first;
  int last = 6;
  while (last > first && !(mask & (1 << last))) --last;
  std::string out;
  if (first < 7) {
    unsigned run = ((1u << (last + 1)) - 1) & ~((1u << first) - 1);
    if (mask == run && last - first >= 2) {
      out.append(kDayNames[first]).push_back('-');
      out.append(kDayNames[last]);
      return out;
    }
  }
  for (int day = 0; day < 7; ++day)
    if (mask & (1 << day)) out.append(kDayNames[day]);
  return out;
}

void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t count) {
  const std::size_t at = out.size();
  out.resize(at + 3 * count);
  char* p = out.data() + at;
  for (std::size_t i = 0; i < count; ++i) {
    p = PutHexByte(p, bytes[i]);
    *p++ = ' ';
  }
}

std::string HexBytesText(const std::uint8_t* bytes, std::size_t count) {
  std::string out;
  AppendHexBytes(out, bytes, count);
  return out;
}

TSystemTime DecodeDateTime6(const std::uint8_t* b) {
  TSystemTime t;
  t.wYear = static_cast<std::uint16_t>(b[0] + 1900);
  t.wMonth = b[1];
  t.wDay = b[2];
  t.wHour = b[3];
  t.wMinute = b[4];
  t.wSecond = b[5];
  return t;
}

}  // namespace pkt
