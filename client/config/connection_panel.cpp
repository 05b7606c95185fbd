#include "config/connection_panel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/profile_store.h"
#include "widgets/window_messages.h"

namespace kelvara {

CConnection::CConnection(QWidget* parent, QObject* hub, CameraLink& link) : QWidget(parent), hub_(hub), link_(link) {
  setObjectName(QStringLiteral("id101"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* group = new QGroupBox(QStringLiteral(" Connection"), this);
  group->setAccessibleName(QStringLiteral("Connection"));
  outer->addWidget(group);
  auto* grid = new QGridLayout(group);

  auto* port_label = new QLabel(QStringLiteral("Serial Port"), group);
  ports_ = new QComboBox(group);
  ports_->setObjectName(QStringLiteral("id1001"));
  ports_->setAccessibleName(port_label->text());
  port_label->setBuddy(ports_);
  // The baud rate is never chosen: the library's default rate is used.
  auto* baud_label = new QLabel(QStringLiteral("Baudrate"), group);
  auto* baud = new QComboBox(group);
  baud->setObjectName(QStringLiteral("id1002"));
  baud->setAccessibleName(baud_label->text());
  baud_label->hide();
  baud->hide();
  refresh_ = new QPushButton(QStringLiteral("Refresh"), group);
  refresh_->setObjectName(QStringLiteral("id1003"));
  refresh_->setAccessibleName(refresh_->text());
  connect_ = new QPushButton(QStringLiteral("Connect"), group);
  connect_->setObjectName(QStringLiteral("id1004"));
  connect_->setAccessibleName(connect_->text());
  open_recording_ = new QPushButton(QStringLiteral("Open recording..."), group);
  open_recording_->setAccessibleName(open_recording_->text());
  open_recording_->setToolTip(QStringLiteral("Play back a recording (.kvrec) as a camera"));
  for (QPushButton* b : {refresh_, connect_, open_recording_}) b->setAutoDefault(false);

  grid->addWidget(port_label, 0, 0);
  grid->addWidget(ports_, 0, 1);
  grid->addWidget(refresh_, 0, 2);
  grid->addWidget(connect_, 0, 3);
  grid->addWidget(baud_label, 1, 0);
  grid->addWidget(baud, 1, 1);
  grid->addWidget(open_recording_, 1, 2, 1, 2);

  connect(refresh_, &QPushButton::clicked, this, &CConnection::Refresh);
  connect(connect_, &QPushButton::clicked, this, &CConnection::Connect);
  connect(open_recording_, &QPushButton::clicked, this, &CConnection::OpenRecording);
}

void CConnection::OpenRecording() {
  std::string path;
  if (chooser_) {
    path = chooser_();
  } else {
    path = QFileDialog::getOpenFileName(this, QStringLiteral("Open recording"), QString(),
                                        QStringLiteral("Recordings (*.kvrec);;All files (*)"))
               .toStdString();
  }
  if (!path.empty() && opener_) opener_(path);
}

void CConnection::Initialise() {
  IniReadString("Application", "COMPortName", "", &port_name_);
  Refresh();
}

void CConnection::Refresh() {
  SendWindowMessage(hub_, UWM_DISCONNECTED);
  link_.Close();
  ports_->clear();
  ports_->setEnabled(true);
  const std::vector<int> ports = link_.ListPorts();
  // The list holds at most 10 entries, as the library is asked for 10.
  const int n = static_cast<int>(ports.size() < 10 ? ports.size() : 10);
  for (int i = 0; i < n; ++i) ports_->addItem(QStringLiteral("COM%1").arg(ports[static_cast<size_t>(i)]));
  if (n <= 0) {
    ports_->setCurrentIndex(-1);
    return;
  }
  int selected = 0;
  const QString saved = QString::fromStdString(port_name_);
  if (!saved.isEmpty()) {
    for (int i = 0; i < ports_->count(); ++i) {
      if (ports_->itemText(i).startsWith(saved, Qt::CaseInsensitive)) {
        selected = i;
        break;
      }
    }
  }
  ports_->setCurrentIndex(selected);
}

void CConnection::Connect() {
  if (ports_->currentIndex() < 0) return;
  port_name_ = ports_->currentText().toStdString();
  IniWriteString("Application", "COMPortName", port_name_);
  const std::string digits = port_name_.size() > 3 ? port_name_.substr(3) : std::string();
  if (connector_) connector_(ParseLeadingInt(digits), port_name_);
}

void CConnection::SetConnected(bool connected) { ports_->setEnabled(!connected); }

void CConnection::EnableButtons(bool enable) {
  refresh_->setEnabled(enable);
  connect_->setEnabled(enable);
  open_recording_->setEnabled(enable);
}

}  // namespace kelvara
