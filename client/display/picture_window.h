#pragma once
// CViewPicture: the picture window (Qt), a top-level window the user cannot
// close, painting the rendering model's images. This header is what the main
// dialog uses of it.
#include <QWidget>

namespace kelvara {

class RenderingModel;

class CViewPicture : public QWidget {
  Q_OBJECT
 public:
  // `model` outlives the window; the measurement loop renders into it.
  explicit CViewPicture(RenderingModel& model, QWidget* parent = nullptr);

  void ClearImages();               // empty images until the next frame
  void SetDisplayFormat(int format_index);
  void SetRange(int minimum, int maximum);
  void SetMirror(int mirror_x, int mirror_y);  // repaints with erasing
  void SetCenterMark(int on);                  // repaints with erasing
  // A new frame was rendered (posted from the measurement loop): repaint
  // without erasing; repaints are coalesced.
  void FrameRendered();
};

}  // namespace kelvara
