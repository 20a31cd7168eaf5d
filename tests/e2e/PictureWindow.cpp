// Another program's window for the Wayland scenarios: shows a picture, one picture pixel per
// device pixel, under the title given (sway's rules place it by that title).
// Usage: picture_window PNG TITLE
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {
class PictureWindow : public QWidget {
 public:
  explicit PictureWindow(QImage picture) : picture_(std::move(picture)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void Fit() {
    const double scale = devicePixelRatioF();
    setFixedSize(qRound(picture_.width() / scale), qRound(picture_.height() / scale));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), picture_, QRectF(picture_.rect()));
  }

 private:
  QImage picture_;
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  const QImage picture(QString::fromLocal8Bit(argv[1]));
  if (picture.isNull()) return 2;
  PictureWindow window(picture.convertToFormat(QImage::Format_RGB32));
  window.setWindowTitle(QString::fromLocal8Bit(argv[2]));
  window.Fit();
  window.show();
  return app.exec();
}
