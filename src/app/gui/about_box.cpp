#include "app/gui/about_box.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "pkt_version.h"
#include "text/format.h"

namespace pkt {

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QString::fromUtf8("О программе"));
  setFixedSize(388, 283);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  auto* panel = new QFrame(this);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Sunken);

  ProgramIcon = new QLabel(panel);
  ProgramIcon->setFixedSize(65, 57);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setAttribute(Qt::WA_TranslucentBackground);
  ProgramIcon->setPixmap(style()->standardIcon(QStyle::SP_FileDialogContentsView).pixmap(65, 57));

  ProductName = new QLabel(QString::fromUtf8("Модуль просмотра журнала сетевых сообщений"), panel);
  QFont productFont(QStringLiteral("Tahoma"));
  productFont.setPixelSize(19);
  ProductName->setFont(productFont);
  ProductName->setWordWrap(true);

  lbAboutVersion = new QLabel(panel);
  lbAboutBuild = new QLabel(panel);
  lbAboutPurpose = new QLabel(
      QString::fromUtf8("Просмотр, отбор и расшифровка журналов обмена сервера сети с терминалами и хостами."),
      panel);
  lbAboutPurpose->setWordWrap(true);

  auto* top = new QHBoxLayout;
  top->addWidget(ProgramIcon, 0, Qt::AlignTop);
  top->addWidget(ProductName, 1);
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->addLayout(top);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(lbAboutVersion);
  panelLayout->addWidget(lbAboutBuild);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(lbAboutPurpose);
  panelLayout->addStretch(1);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  OKButton = new QPushButton(QString::fromUtf8("Закрыть"), this);
  OKButton->setDefault(true);
  OKButton->setAutoDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKButton);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel, 1);
  layout->addWidget(line);
  layout->addLayout(buttons);

  FormCreate();
}

QString TAboutBox::VersionText() { return QString::fromUtf8(PKTVIEW_VERSION_TEXT); }

QString TAboutBox::BuildText() { return QString::fromUtf8(format("%s %s", __DATE__, __TIME__)); }

void TAboutBox::FormCreate() {
  lbAboutVersion->setText(QString::fromUtf8(format("Версия: %s", VersionText().toUtf8().constData())));
  lbAboutBuild->setText(QString::fromUtf8(format("Дата сборки: %s", BuildText().toUtf8().constData())));
}

}  // namespace pkt
