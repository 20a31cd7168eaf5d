// The hidden batch command and the stamp (★), wired to the window: the batch shows each picture
// on the canvas and stamps it there, and keeps the lists of what it found.
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include "app/Form1.h"
#include "batch/BatchRun.h"
#include "batch/StampDrawing.h"
#include "core/batch/BatchNames.h"
#include "core/edit/FigureStore.h"
#include "platform/Modal.h"
#include "raster/GdiCanvas.h"
#include "view/CanvasWidget.h"

namespace velmor {

namespace {

using platform::kProgramName;

batch::StampLook PanelStampLook(const Form1& form) {
  batch::StampLook look;
  look.Text = form.Text3->text().toStdString();
  look.LineStyle = static_cast<int16_t>(form.LineStyleIndex());
  look.FillStyle = static_cast<int16_t>(form.FillStyleIndex());
  look.BackColor = form.BackColor();
  return look;
}

// The window as the batch's host: the picture of each file replaces the document, the stamp is
// drawn on the canvas, and the file's values stay in the window afterwards.
class WindowBatchHost : public batch::BatchHost {
 public:
  explicit WindowBatchHost(Form1& form) : form_(form) {}

  void Listed(const QStringList& listing) override {
    form_.List1->clear();
    form_.List1->addItems(listing);
    form_.List2->clear();
    for (qsizetype i = listing.size() - 1; i >= 0; --i) form_.List2->addItem(listing[i]);
  }

  batch::StampTarget Present(const batch::BatchItem& item, const QImage& picture) override {
    form_.ImageFolder = item.OutputFolder;
    form_.ImageFileName = item.OutputName;
    form_.Text3->setText(QString::fromStdString(item.StampText));
    ClearFigures(form_.figures, form_.undo);
    form_.FiguresDropped();
    form_.view.ZoomPercent = 100;
    form_.Picture2->SetPicture(picture);
    form_.Pic_int();
    return {form_.Canvas(), form_.Picture2->Surface(), form_.panel, form_.text, form_.work};
  }

  void YieldToEvents() override { platform::ProcessPendingEvents(); }
  batch::StampLook Look(const batch::BatchItem&) override { return PanelStampLook(form_); }
  void Stamped() override { form_.Picture2->SurfaceChanged(); }

  void Report(const QString& message) override {
    platform::ShowMessage(message, kProgramName, platform::MsgIcon::Exclamation);
  }

 private:
  Form1& form_;
};

}  // namespace

void Form1::BatchStampFolder() {
  BatchStampFolderIn(QString::fromUtf8(batch::kSourceFolder.data(),
                                       static_cast<qsizetype>(batch::kSourceFolder.size())));
}

batch::BatchSummary Form1::BatchStampFolderIn(const QString& sourceFolder) {
  WindowBatchHost host(*this);
  return batch::RunBatch({sourceFolder, &settings}, host);
}

void Form1::DrawStamp() {
  const batch::StampLook look = PanelStampLook(*this);
  batch::DrawStamp(Canvas(), Picture2->ScaleWidth(), Picture2->ScaleHeight(), look, settings,
                   view.ZoomPercent, panel, text, work);
  Picture2->SurfaceChanged();
}

}  // namespace velmor
