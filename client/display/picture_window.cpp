#include "display/picture_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "config/profile_store.h"
#include "display/colour_table.h"
#include "display/pixel_readout.h"
#include "display/rendering_model.h"
#include "widgets/window_messages.h"

namespace kelvara {
namespace {

constexpr char kSection[] = "View";
constexpr uint32_t kOpaque = 0xff000000u;  // display words carry no alpha byte

// A legend of the model as drawn: row 255 at the top.
QImage LegendImage(const uint32_t* words) {
  QImage image(kLegendWidth, kLegendHeight, QImage::Format_RGB32);
  for (int y = 0; y < kLegendHeight; ++y) {
    const uint32_t* row = words + (kLegendHeight - 1 - y) * kLegendWidth;
    auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < kLegendWidth; ++x) out[x] = row[x] | kOpaque;
  }
  return image;
}

// Copies a display image into `image` with the mirrors applied.
void CopyImage(const uint32_t* words, bool mirror_x, bool mirror_y, QImage* image) {
  for (int y = 0; y < kImageHeight; ++y) {
    const uint32_t* row = words + (mirror_y ? kImageHeight - 1 - y : y) * kImageWidth;
    auto* out = reinterpret_cast<uint32_t*>(image->scanLine(y));
    if (mirror_x) {
      for (int x = 0; x < kImageWidth; ++x) out[x] = row[kImageWidth - 1 - x] | kOpaque;
    } else {
      for (int x = 0; x < kImageWidth; ++x) out[x] = row[x] | kOpaque;
    }
  }
}

QRect ToQRect(const PixelRect& r) { return QRect(r.left, r.top, r.width, r.height); }

// Text with its top-left corner at (x, y), black on white like the
// platform's default text colours.
void DrawTextAt(QPainter& painter, int x, int y, const QString& text) {
  painter.drawText(QRect(x, y, 4096, 256), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

}  // namespace

QEvent::Type CViewPicture::FrameRenderedEventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

CViewPicture::CViewPicture(RenderingModel& model, QWidget* parent) : QWidget(parent, Qt::Window), model_(model) {
  setWindowTitle(QStringLiteral("Qor Imager - Image View"));
  setObjectName(QStringLiteral("id105"));
  // 340 x 200 dialog units of the 8-point dialog font.
  resize(510, 325);
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);

  int value = 1;
  IniReadInt(kSection, "AmpGain", 1, &value);
  model_.amp_gain = value;
  IniReadInt(kSection, "Saturation", 1, &value);
  model_.saturation = value;
  IniReadInt(kSection, "Overflow", 1, &value);
  model_.overflow = value;
  model_.BuildLegends();
  legends_[0] = LegendImage(model_.DistanceLegend());
  legends_[1] = LegendImage(model_.AmplitudeLegend());
  for (QImage& image : images_) image = QImage(kImageWidth, kImageHeight, QImage::Format_RGB32);

  // ClearImages may come from any thread; the repaint happens on this one.
  model_.SetImagesClearedCallback([this] { QMetaObject::invokeMethod(this, [this] { update(); }); });
}

CViewPicture::~CViewPicture() {
  model_.SetImagesClearedCallback(nullptr);
  IniWriteInt(kSection, "AmpGain", model_.amp_gain.load());
  IniWriteInt(kSection, "Saturation", model_.saturation.load());
  IniWriteInt(kSection, "Overflow", model_.overflow.load());
}

void CViewPicture::ClearImages() { model_.ClearImages(); }

void CViewPicture::SetDisplayFormat(int format_index) { model_.display_format = format_index; }

void CViewPicture::SetRange(int minimum, int maximum) {
  model_.range_min = minimum;
  model_.range_max = maximum;
}

void CViewPicture::SetMirror(int mirror_x, int mirror_y) {
  model_.mirror_x = mirror_x;
  model_.mirror_y = mirror_y;
  update();
}

void CViewPicture::SetCenterMark(int on) {
  centre_mark_ = on;
  update();
}

void CViewPicture::FrameRendered() {
  update();
  // The distance between two marked pixels follows the frames.
  if (marks_.count() == 2) ReportMarks();
}

void CViewPicture::SetStale(bool stale) {
  if (stale_ == stale) return;
  stale_ = stale;
  update();
}

void CViewPicture::PostFrameRendered() {
  if (!frame_pending_.exchange(true)) QCoreApplication::postEvent(this, new QEvent(FrameRenderedEventType()));
}

bool CViewPicture::event(QEvent* event) {
  if (event->type() == FrameRenderedEventType()) {
    // Cleared before the paint, so a frame rendered meanwhile posts again.
    frame_pending_ = false;
    FrameRendered();
    return true;
  }
  if (event->type() == WindowMessageEvent::Type()) {
    if (static_cast<WindowMessageEvent*>(event)->message() == UWM_LOG_PROGRESS) update();
    return true;
  }
  return QWidget::event(event);
}

void CViewPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  last_layout_ = PictureLayout();
  last_readout_.clear();
  last_measure_lines_.clear();
  if (isMinimized()) return;

  const PictureLayout layout =
      LayoutPicture(width(), height(), model_.display_format.load(), model_.range_min.load(), model_.range_max.load());
  const bool mirror_x = model_.mirror_x.load() != 0;
  const bool mirror_y = model_.mirror_y.load() != 0;
  const int count = static_cast<int>(layout.images.size());
  bool drawn[2] = {false, false};
  struct Probe {
    const ImagePlacement* image;
    ProbePixel pixel;
    int16_t value = 0, amplitude = 0;
  };
  std::vector<Probe> probes;
  for (const ImagePlacement& image : layout.images) {
    if (image.rect.StrictlyContains(click_.x(), click_.y()))
      probes.push_back({&image, ProbeAt(click_.x(), click_.y(), image.rect, mirror_x, mirror_y)});
  }
  {
    // The picture lock is held only while the images and samples are copied.
    PictureReader reader = model_.ReadPicture();
    if (!reader.SlotReady(0) || !layout.visible) return;
    for (int i = 0; i < count; ++i) {
      const int slot = layout.images[i].slot;
      if (!reader.SlotReady(slot)) continue;
      CopyImage(reader.SlotPixels(slot), mirror_x, mirror_y, &images_[slot]);
      drawn[i] = true;
    }
    for (Probe& probe : probes) {
      probe.value = reader.SamplePlane(probe.image->plane)[probe.pixel.Index()];
      probe.amplitude = reader.SamplePlane(1)[probe.pixel.Index()];
    }
  }
  last_layout_ = layout;

  QFont label_font = font();
  label_font.setPixelSize(12);
  QFont readout_font = font();
  readout_font.setPixelSize(14);
  painter.setBackgroundMode(Qt::OpaqueMode);
  painter.setBackground(Qt::white);
  painter.setPen(Qt::black);
  painter.setFont(label_font);
  // Legends and images are scaled by repeating or dropping pixels, never blended.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  for (const LegendPlacement& legend : layout.legends)
    painter.drawImage(ToQRect(legend.rect), legends_[legend.amplitude ? 1 : 0]);
  for (const TextPlacement& label : layout.labels)
    DrawTextAt(painter, label.x, label.y, QString::fromStdString(label.text));
  for (int i = 0; i < count; ++i) {
    if (drawn[i]) painter.drawImage(ToQRect(layout.images[i].rect), images_[layout.images[i].slot]);
  }
  if (centre_mark_) {
    for (int i = 0; i < count; ++i) {
      const CentreCross cross = CentreMarkOf(layout.images[i].rect);
      painter.fillRect(ToQRect(cross.vertical), Qt::white);
      painter.fillRect(ToQRect(cross.horizontal), Qt::white);
    }
  }
  // The key of the colours that are no distance, under the first image.
  if (!layout.images.empty()) {
    const ImagePlacement& first = layout.images.front();
    const int y = first.rect.top + first.rect.height + 5;
    if (y + 12 <= height()) {
      struct Key {
        uint32_t colour;
        const char* text;
      };
      const bool distances = first.probe != ProbeKind::kAmplitude;
      const Key keys[] = {{kBlack, "no data"},
                          {kOutOfRangeColour, distances ? "out of range" : nullptr},
                          {kSaturationColour, "saturated"},
                          {kOverflowColour, "overflow"}};
      int x = first.rect.left;
      painter.save();
      painter.setBackgroundMode(Qt::TransparentMode);
      for (const Key& key : keys) {
        if (!key.text) continue;
        painter.fillRect(QRect(x, y + 1, 10, 10), QColor::fromRgb(key.colour | kOpaque));
        const QString text = QString::fromLatin1(key.text);
        DrawTextAt(painter, x + 13, y - 1, text);
        x += 13 + painter.fontMetrics().horizontalAdvance(text) + 10;
      }
      painter.restore();
    }
  }
  DrawMarks(painter, layout, mirror_x, mirror_y);
  if (stale_) {
    // The last picture of an ended run: washed out, so that it does not pass for a live one.
    for (int i = 0; i < count; ++i) painter.fillRect(ToQRect(layout.images[i].rect), QColor(255, 255, 255, 96));
  }
  painter.setFont(readout_font);
  for (const Probe& probe : probes) {
    const int px = click_.x(), py = click_.y();
    painter.save();
    painter.setPen(QPen(QColor(255, 128, 255), 2));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRect(px - 2, py - 2, 4, 4));
    painter.restore();
    const std::vector<std::string> lines = ReadoutLines(probe.image->probe, probe.pixel, probe.value, probe.amplitude);
    for (size_t k = 0; k < lines.size(); ++k) {
      const QString line = QString::fromStdString(lines[k]);
      DrawTextAt(painter, px + 6, py + 6 + 12 * static_cast<int>(k), line);
      last_readout_.append(line);
    }
  }
  painter.end();
  // The readout under the mouse follows every new frame.
  if (hover_.x() >= 0) ReportHover();
}

void CViewPicture::ReportHover() {
  if (!pixel_listener_) return;
  QString text;
  const bool mirror_x = model_.mirror_x.load() != 0;
  const bool mirror_y = model_.mirror_y.load() != 0;
  for (const ImagePlacement& image : last_layout_.images) {
    if (!image.rect.StrictlyContains(hover_.x(), hover_.y())) continue;
    const ProbePixel pixel = ProbeAt(hover_.x(), hover_.y(), image.rect, mirror_x, mirror_y);
    int16_t value = 0, amplitude = 0;
    {
      PictureReader reader = model_.ReadPicture();
      if (!reader.SlotReady(image.slot)) break;
      value = reader.SamplePlane(image.plane)[pixel.Index()];
      amplitude = reader.SamplePlane(1)[pixel.Index()];
    }
    const std::optional<PointMm> point = point_source_ ? point_source_(pixel.Index()) : std::nullopt;
    text = QString::fromStdString(PixelReadoutText(image.probe, pixel, value, amplitude, point));
    break;
  }
  pixel_listener_(text);
}

void CViewPicture::mouseMoveEvent(QMouseEvent* event) {
  hover_ = event->position().toPoint();
  ReportHover();
  QWidget::mouseMoveEvent(event);
}

void CViewPicture::leaveEvent(QEvent* event) {
  hover_ = QPoint(-1, -1);
  if (pixel_listener_) pixel_listener_(QString());
  QWidget::leaveEvent(event);
}

void CViewPicture::resizeEvent(QResizeEvent* event) {
  click_ = QPoint(0, 0);
  update();
  QWidget::resizeEvent(event);
}

void CViewPicture::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    if (event->modifiers() & Qt::ShiftModifier) {
      MarkAt(event->position().toPoint());
    } else {
      click_ = event->position().toPoint();
      if (marks_.count() > 0) {
        marks_.Clear();
        ReportMarks();
      }
      update();
    }
  }
  QWidget::mousePressEvent(event);
}

void CViewPicture::MarkAt(const QPoint& at) {
  const PictureLayout layout =
      LayoutPicture(width(), height(), model_.display_format.load(), model_.range_min.load(), model_.range_max.load());
  if (!layout.visible) return;
  for (const ImagePlacement& image : layout.images) {
    if (!image.rect.StrictlyContains(at.x(), at.y())) continue;
    // Both images show the same camera pixels: either one marks them.
    marks_.Mark(ProbeAt(at.x(), at.y(), image.rect, model_.mirror_x.load() != 0, model_.mirror_y.load() != 0));
    ReportMarks();
    update();
    return;
  }
}

void CViewPicture::ReportMarks() {
  if (measure_listener_) measure_listener_(marks_);
}

void CViewPicture::DrawMarks(QPainter& painter, const PictureLayout& layout, bool mirror_x, bool mirror_y) {
  if (marks_.count() == 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const ImagePlacement& image : layout.images) {
    // The marked pixels where this image shows them now, flips and size as they are.
    QPointF ends[2];
    for (int k = 0; k < marks_.count(); ++k) {
      const PointInRect at = PixelCentre(k == 0 ? marks_.a() : marks_.b(), image.rect, mirror_x, mirror_y);
      ends[k] = QPointF(at.x, at.y);
    }
    painter.setClipRect(ToQRect(image.rect));
    // A white line on a black one shows on every colour of the picture.
    for (const QPen& pen : {QPen(Qt::black, 3), QPen(Qt::white, 1)}) {
      painter.setPen(pen);
      painter.setBrush(Qt::NoBrush);
      if (marks_.count() == 2) painter.drawLine(ends[0], ends[1]);
      for (int k = 0; k < marks_.count(); ++k) painter.drawEllipse(ends[k], 3.0, 3.0);
    }
    if (marks_.count() == 2) last_measure_lines_.append(QLineF(ends[0], ends[1]));
  }
  painter.restore();
}

void CViewPicture::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape must not close the window.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CViewPicture::closeEvent(QCloseEvent* event) {
  // The window lives as long as the main dialog; the user cannot close it.
  event->ignore();
}

}  // namespace kelvara
