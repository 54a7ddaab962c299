// The progress of long work: no dialog for short work, a dialog once the work
// has lasted over half a second.
#include <QThread>

#include "app/gui/long_work.h"
#include "gui_fixture.h"

namespace pkt::test {
namespace {

TEST(LongWork, ShowsItsDialogOnlyAfterHalfASecond) {
  App();
  QWidget parent;
  {
    TLongWork work(&parent);
    work.Step("Чтение журнала", 10, 100);
    EXPECT_FALSE(work.DialogShown());
    QThread::msleep(TLongWork::kShowAfterMs + 100);
    work.Step("Чтение журнала", 50, 100);
    ASSERT_TRUE(work.DialogShown());
    // Total 0 (unknown) and done beyond total do not upset the dialog.
    work.Step("Выгрузка в текстовый файл", 5, 0);
    work.Step("Выгрузка в текстовый файл", 200, 100);
  }
  // The dialog goes with the work.
  EXPECT_TRUE(parent.findChildren<QProgressDialog*>().isEmpty());
}

}  // namespace
}  // namespace pkt::test
