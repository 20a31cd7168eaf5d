// The main window as the host of the file and clipboard commands.
#pragma once

#include <QLineEdit>
#include <QToolButton>

#include "app/Form1.h"
#include "core/edit/FigureStore.h"
#include "document/DocumentHost.h"
#include "view/CanvasWidget.h"

namespace velmor {

class FormDocumentHost : public document::DocumentHost {
 public:
  explicit FormDocumentHost(Form1& form) : form_(form) {}

  void SetStatus(int panel, const QString& text) override { form_.SetStatus(panel, text); }

  void StartDocument(const QString& stampName) override {
    form_.Text3->setText(stampName);
    ClearFigures(form_.figures, form_.undo);
    form_.FiguresDropped();
  }

  void ShowPicture(const QImage& picture) override {
    form_.view.ZoomPercent = 100;
    form_.Picture2->ReleasePicture();  // the old picture goes before the new one is copied
    form_.Picture2->SetPicture(picture);
    form_.Pic_int();
  }

  void SetCaption(const QString& caption) override { form_.setWindowTitle(caption); }

 private:
  Form1& form_;
};

}  // namespace velmor
