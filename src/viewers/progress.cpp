#include "viewers/progress.h"

namespace pkt {

const char* WorkStageText(TWorkStage stage) {
  switch (stage) {
    case TWorkStage::Merge: return "Объединение файлов";
    case TWorkStage::Index: return "Чтение журнала";
    case TWorkStage::Charts: return "Построение графиков";
    case TWorkStage::Export: return "Выгрузка в текстовый файл";
  }
  return "";
}

}  // namespace pkt
