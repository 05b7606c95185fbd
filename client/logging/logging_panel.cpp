#include "logging/logging_panel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdint>

#include "config/profile_store.h"
#include "frame/frame_layout.h"
#include "logging/browse_folder_dialog.h"
#include "logging/log_names.h"
#include "logging/log_writer.h"
#include "logging/logging_options.h"
#include "logging/run_destination.h"
#include "widgets/number_field.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

constexpr int kNumberLimit = LoggingOptions::kNumberLimit;

QString Id(int control) { return QStringLiteral("id%1").arg(control); }

QCheckBox* Check(int control, const QString& text, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(Id(control));  // its accessible name follows its caption
  return box;
}

NumberField* Number(int control, int lowest, const QString& label, QWidget* parent) {
  auto* field = new NumberField(lowest, kNumberLimit, parent);
  field->setObjectName(Id(control));
  field->setAccessibleName(label);
  return field;
}

}  // namespace

CLogging::CLogging(QWidget* parent, QObject* hub, LogWriter& writer, Profile profile)
    : QWidget(parent), hub_(hub), writer_(writer), profile_(std::move(profile)) {
  setAccessibleName(QStringLiteral("Logging"));
  ask_ = [this](const QString& question) {
    return QMessageBox::question(this, QStringLiteral("Kelvara"), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  BuildControls();
  const LoggingOptions o = LoggingOptions::Load(profile_);
  csv_ = o.csv ? 1 : 0;
  png_ = o.png ? 1 : 0;
  bin_ = o.bin ? 1 : 0;
  pcd_ = o.pcd ? 1 : 0;
  total_ = o.schedule.total;
  once_ = o.schedule.once;
  interval_ = o.schedule.interval;
  file_name_ = QString::fromStdString(o.file_name);
  save_path_ = QString::fromStdString(o.save_path);
  ShowValues();
  TakeChecks();
  ShowFormatOptions(writer_.FormatIndex());
  choose_folder_ = [this](const QString& initial, QString* chosen) {
    CBrowseFolderDialog dialog(window());
    if (dialog.DoModal(initial) != CBrowseFolderDialog::kChosen) return false;
    *chosen = dialog.GetSelectedPath();
    return true;
  };
}

CLogging::~CLogging() {
  // A field that has the focus reports the end of its edit while the child
  // widgets are destroyed, after this object is gone: no checks from then on.
  for (QObject* field :
       {static_cast<QObject*>(total_field_), static_cast<QObject*>(once_field_), static_cast<QObject*>(interval_field_),
        static_cast<QObject*>(file_name_field_), static_cast<QObject*>(save_path_field_)})
    field->disconnect(this);
}

void CLogging::BuildControls() {
  auto* group = new QGroupBox(QStringLiteral(" Logging"), this);
  group->setAccessibleName(QStringLiteral("Logging"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(group);
  auto* grid = new QGridLayout(group);

  csv_box_ = Check(4000, QStringLiteral("CSV"), group);
  png_box_ = Check(4001, QStringLiteral("PNG"), group);
  bin_box_ = Check(4002, QStringLiteral("Binary"), group);
  pcd_box_ = Check(4003, QStringLiteral("PCD"), group);
  pcd_box_->hide();
  grid->addWidget(csv_box_, 0, 0);
  grid->addWidget(png_box_, 0, 1);
  grid->addWidget(pcd_box_, 0, 1);  // where "PNG" is; one of them is hidden
  grid->addWidget(bin_box_, 0, 2);

  total_field_ = Number(4010, 1, QStringLiteral("total"), group);
  once_field_ = Number(4012, 1, QStringLiteral("once"), group);
  interval_field_ = Number(4020, 0, QStringLiteral("s"), group);
  const int limit = LoggingOptions::kNumberLimit;
  total_field_->setToolTip(QStringLiteral("Frames logged in all, 1 to %1").arg(limit));
  once_field_->setToolTip(QStringLiteral("Frames logged at each interval, 1 to %1").arg(limit));
  interval_field_->setToolTip(QStringLiteral("Seconds between the logs, 0 to %1 s").arg(limit));
  grid->addWidget(new QLabel(QStringLiteral("Number of logs"), group), 1, 0);
  grid->addWidget(total_field_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("total"), group), 1, 2);
  grid->addWidget(once_field_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("once"), group), 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("Logging interval"), group), 3, 0);
  grid->addWidget(interval_field_, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("s"), group), 3, 2);

  file_name_field_ = new QLineEdit(group);
  file_name_field_->setObjectName(Id(4030));
  file_name_field_->setAccessibleName(QStringLiteral("File name"));
  grid->addWidget(new QLabel(QStringLiteral("Filename"), group), 4, 0);
  grid->addWidget(file_name_field_, 4, 1, 1, 2);

  save_path_field_ = new QPlainTextEdit(group);
  save_path_field_->setObjectName(Id(4040));
  save_path_field_->setAccessibleName(QStringLiteral("Save path"));
  save_path_field_->setTabChangesFocus(true);
  save_path_field_->setMaximumHeight(2 * fontMetrics().height() + 12);
  browse_ = new QPushButton(QStringLiteral("..."), group);
  browse_->setObjectName(Id(4041));
  browse_->setAutoDefault(false);
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(save_path_field_);
  folder_row->addWidget(browse_);
  grid->addLayout(folder_row, 5, 0, 1, 3);

  progress_ = new QProgressBar(group);
  progress_->setObjectName(Id(4050));
  progress_->setAccessibleName(QStringLiteral("Progress"));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  start_ = new QPushButton(QStringLiteral("Start"), group);
  start_->setObjectName(Id(3000));
  start_->setAutoDefault(false);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(progress_);
  bottom->addWidget(start_);
  grid->addLayout(bottom, 6, 0, 1, 3);

  for (QCheckBox* box : {csv_box_, png_box_, bin_box_, pcd_box_})
    connect(box, &QCheckBox::clicked, this, &CLogging::TakeChecks);
  connect(total_field_, &QSpinBox::editingFinished, this, [this] { CheckField(total_field_, 1, &total_); });
  connect(once_field_, &QSpinBox::editingFinished, this, [this] { CheckField(once_field_, 1, &once_); });
  connect(interval_field_, &QSpinBox::editingFinished, this, [this] { CheckField(interval_field_, 0, &interval_); });
  connect(file_name_field_, &QLineEdit::editingFinished, this, [this] { file_name_ = file_name_field_->text(); });
  connect(save_path_field_, &QPlainTextEdit::textChanged, this,
          [this] { save_path_ = save_path_field_->toPlainText(); });
  connect(browse_, &QPushButton::clicked, this, &CLogging::OnBrowse);
  connect(start_, &QPushButton::clicked, this, &CLogging::OnStartStop);
}

LoggingOptions CLogging::Options() const {
  LoggingOptions o;
  o.csv = csv_ != 0;
  o.png = png_ != 0;
  o.bin = bin_ != 0;
  o.pcd = pcd_ != 0;
  o.schedule = {total_, once_, interval_};
  o.file_name = file_name_.toStdString();
  o.save_path = save_path_.toStdString();
  return o;
}

void CLogging::ShowValues() {
  csv_box_->setChecked(csv_ != 0);
  png_box_->setChecked(png_ != 0);
  bin_box_->setChecked(bin_ != 0);
  pcd_box_->setChecked(pcd_ != 0);
  total_field_->setValue(total_);
  once_field_->setValue(once_);
  interval_field_->setValue(interval_);
  file_name_field_->setText(file_name_);
  if (save_path_field_->toPlainText() != save_path_) save_path_field_->setPlainText(save_path_);
}

void CLogging::TakeChecks() {
  csv_ = csv_box_->isChecked() ? 1 : 0;
  png_ = png_box_->isChecked() ? 1 : 0;
  bin_ = bin_box_->isChecked() ? 1 : 0;
  pcd_ = pcd_box_->isChecked() ? 1 : 0;
  // The writers read the boxes at every frame.
  writer_.SetCsvCheck(csv_ != 0);
  writer_.SetPngCheck(png_ != 0);
  writer_.SetBinCheck(bin_ != 0);
  writer_.SetPcdCheck(pcd_ != 0);
}

bool CLogging::CheckField(NumberField* field, int lowest, int* value) {
  const int typed = field->value();
  if (typed >= lowest && typed <= kNumberLimit) {
    *value = typed;
    return true;
  }
  field->setValue(*value);
  field->setFocus();
  ShowPlainMessage(notifier_, this, RangeMessage(lowest, kNumberLimit));
  return false;
}

void CLogging::OnStartStop() {
  if (logging_) {
    ShowLogging(false);
    PostWindowMessage(hub_, UWM_STOP_LOGGING);
    return;
  }
  TakeChecks();
  // A number typed but not yet checked is checked now; a refused one
  // starts nothing.
  if (!CheckField(total_field_, 1, &total_) || !CheckField(once_field_, 1, &once_) ||
      !CheckField(interval_field_, 0, &interval_))
    return;
  file_name_ = file_name_field_->text();
  save_path_ = save_path_field_->toPlainText();
  LoggingOptions options = Options();
  const std::string refused = options.Validate();
  if (!refused.empty()) {  // the numbers were checked above: the file name
    file_name_field_->setFocus();
    ShowExclamationMessage(notifier_, this, QString::fromStdString(refused));
    return;
  }
  // The folder and the names are checked before anything is saved or
  // written; same-name files are overwritten only when the user says so.
  const std::string folder = CleanFolderText(options.save_path);
  const std::string base = RunBaseName(options.file_name);
  const std::string refused_destination = RefuseDestination(folder, base, total_);
  if (!refused_destination.empty()) {
    save_path_field_->setFocus();
    ShowExclamationMessage(notifier_, this, QString::fromStdString(refused_destination));
    return;
  }
  const std::vector<std::string> existing = ExistingRunFiles(folder, base);
  if (!existing.empty() && !ask_(QString::fromStdString(OverwriteQuestion(folder, existing)))) return;
  save_path_ = QString::fromStdString(folder);
  ShowValues();
  options.save_path = folder;
  options.Save(profile_);

  options.ApplyTo(writer_);
  writer_.StartRun(save_path_.toStdString(), file_name_.toStdString());
  failure_reported_ = false;
  progress_->setValue(0);
  ShowLogging(true);
  PostWindowMessage(hub_, UWM_SET_VIEW_RANGE);
  PostWindowMessage(hub_, UWM_START_LOGGING);
}

void CLogging::OnBrowse() {
  QString chosen;
  if (!choose_folder_ || !choose_folder_(save_path_, &chosen)) return;
  save_path_ = chosen;
  ShowValues();
}

void CLogging::ShowLogging(bool logging) {
  logging_ = logging;
  start_->setText(logging ? QStringLiteral("Stop") : QStringLiteral("Start"));
}

void CLogging::EnableControls(int enable) {
  if (!logging_) {
    start_->setEnabled(enable != 0);
  } else {
    start_->setEnabled(true);
    if (enable) ShowLogging(false);
  }
}

void CLogging::ShowFormatOptions(int format_index) {
  writer_.SetFormatIndex(format_index);
  const bool points = IsPointFrameFormat(format_index);
  pcd_box_->setVisible(points);
  png_box_->setVisible(!points);
  bin_box_->setVisible(!points);
}

int CLogging::TotalNumberOfLogs() const { return total_; }
int CLogging::NumberOfLogsAtOnce() const { return once_; }
int CLogging::LoggingInterval() const { return interval_; }

void CLogging::SetMirror(int mirror_x, int mirror_y) { writer_.SetMirror({mirror_x != 0, mirror_y != 0}); }

void CLogging::LoggingRunEnded() {
  EnableControls(1);
  const std::string failure = writer_.FirstFailure();
  if (failure.empty() || failure_reported_) return;
  failure_reported_ = true;
  ShowExclamationMessage(notifier_, this, QString::fromStdString(OutputFailureMessage(failure)));
}

QString CLogging::Destination() const {
  return QString::fromStdString(RunLogPath(save_path_.toStdString(), RunBaseName(file_name_.toStdString()), "*"));
}

bool CLogging::event(QEvent* event) {
  if (event->type() != WindowMessageEvent::Type()) return QWidget::event(event);
  const auto* message = static_cast<WindowMessageEvent*>(event);
  if (message->message() == UWM_LOG_PROGRESS && !writer_.BaseName().empty()) {
    // Unsigned 32-bit arithmetic: a total of -1 (after Stop) shows 0.
    const uint32_t logged = static_cast<uint32_t>(message->wparam());
    const uint32_t total = static_cast<uint32_t>(message->lparam());
    const uint32_t percent = total == 0 ? 0 : logged * 100u / total;
    progress_->setValue(static_cast<int>(percent > 100 ? 100 : percent));
  }
  return true;
}

}  // namespace kelvara
