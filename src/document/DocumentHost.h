// What opening, saving and the clipboard commands ask of the window besides the canvas.
#pragma once

#include <QImage>
#include <QString>

namespace velmor::document {

class DocumentHost {
 public:
  virtual ~DocumentHost() = default;
  // Panel text of the status bar (1..6).
  virtual void SetStatus(int panel, const QString& text) = 0;
  // A new document: the figures and their undo dropped, `stampName` as the name the stamp and
  // the segment caption print.
  virtual void StartDocument(const QString& stampName) = 0;
  // `picture` shown at 100 percent in place of the canvas's picture, the viewport reset.
  virtual void ShowPicture(const QImage& picture) = 0;
  virtual void SetCaption(const QString& caption) = 0;
};

}  // namespace velmor::document
