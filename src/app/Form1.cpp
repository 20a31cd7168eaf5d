#include "app/Form1.h"
namespace velmor {
Form1::Form1(const QString&, QWidget* parent) : QMainWindow(parent) {}
}  // namespace velmor
