#pragma once
#include <QMainWindow>
namespace velmor {
class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form1(const QString& settingsFolder, QWidget* parent = nullptr);
};
}  // namespace velmor
