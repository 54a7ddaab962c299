#include "viewers/viewer_common.h"

#include "app/log_opening.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "text/format.h"

namespace pkt {

std::string ViewerCaption(const std::string& captionText, const std::string& fileName) {
  if (captionText.empty()) return format("Сообщения - %s", fileName.c_str());
  return format("Сообщения - %s - %s", captionText.c_str(), fileName.c_str());
}

TKindColour KindColour(TRecordKind kind) {
  if (kind >= rkKeyRequest && kind <= rkAuthSuccess) return TKindColour::Blue;
  if (kind == rkConnect) return TKindColour::Green;
  if (kind == rkDisconnect) return TKindColour::Red;
  return TKindColour::Black;
}

void DeleteTemporaryFile(const std::string& path) {
  if (path.empty()) return;
  // A log read where it lies is the operator's own file: it is only let go of.
  if (!IsLogReadInPlace(path)) (void)DeleteFile(path);
  // Drop this copy's claim on the merged log, so that its disk space goes now.
  ReleaseTemporaryLog(path);
}

void RaiseBadRow() { throw AppError("Неверный индекс пакета!"); }

}  // namespace pkt
