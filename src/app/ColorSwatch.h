// A colour swatch of the tool panel: a small box whose back colour is the chosen colour.
#pragma once

#include <QFrame>
#include <cstdint>

namespace velmor {

class ColorSwatch : public QFrame {
  Q_OBJECT
 public:
  explicit ColorSwatch(QWidget* parent = nullptr);
  // RGB packed as red + 256 * green + 65536 * blue.
  uint32_t BackColor() const { return color_; }
  void SetBackColor(uint32_t rgb);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  uint32_t color_ = 0;
};

QColor ColorFromRgb(uint32_t rgb);
uint32_t RgbFromColor(const QColor& color);

}  // namespace velmor
