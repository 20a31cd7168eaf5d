// The main window's side of the figure store: the messages, the status bar, the undo button and
// the redraw over the repainted picture.
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <optional>

#include "app/Form1.h"
#include "core/edit/TrimExtend.h"
#include "core/model/ControlIndexes.h"
#include "platform/Modal.h"
#include "render/FigureBands.h"
#include "render/FigureRenderer.h"
#include "view/CanvasWidget.h"
#include "view/StretchCopy.h"

namespace velmor {

namespace {
using platform::kProgramName;
}  // namespace

bool Form1::AddFigure() {
  const EditBracket edit(*this);
  NewFigureAttributes attributes;
  attributes.LineStyleIndex = static_cast<int16_t>(LineStyleIndex());
  attributes.EllipseRatioText = EllipseRatioText().toStdString();
  attributes.FillStyleIndex = static_cast<int16_t>(FillStyleIndex());
  attributes.Text = Text3->text().toStdString();
  attributes.FontName = settings.Get(slot::kFontName);
  attributes.FontSize = settings.Get(slot::kFontSize);
  attributes.FontBold = settings.Get(slot::kFontBold);
  attributes.FontItalic = settings.Get(slot::kFontItalic);
  attributes.MarkerRadius = MarkerRadius(Canvas(), MarkerPoints(attributes.FontSize));
  attributes.HighlightBox = drag.ShiftHeld;
  if (!velmor::AddFigure(figures, panel, drag, view.ZoomPercent, work.WorkAngle, attributes)) {
    platform::ShowMessage(QString::fromUtf8(kTableFullMessage.data(), kTableFullMessage.size()),
                          kProgramName);
    return false;
  }
  SetStatus(status::kFigureCount, QString::number(figures.FigureCount));
  return true;
}

void Form1::FindNearestFigure() {
  velmor::FindNearestFigure(figures, panel.ToolMode, view.ZoomPercent, drag);
}

void Form1::DeleteNearestFigure() {
  const EditBracket edit(*this);
  const bool deleted =
      velmor::DeleteNearestFigure(figures, panel.ToolMode, view.ZoomPercent, drag, undo);
  UNDB->setEnabled(undo.UndoAvailable);
  if (deleted) RefreshView();
}

void Form1::SaveUndoRecord() {
  velmor::SaveUndoRecord(figures, drag, panel.ToolMode, undo);
  UNDB->setEnabled(undo.UndoAvailable);
}

void Form1::UNDB_Click() {
  // Not in the middle of an edit (a press let through while its message box waits).
  if (history.Recording()) return;
  if (history.Undo(figures)) {
    // The one-step record has been used, as when it was the only way back.
    undo.UndoAvailable = false;
    // A pick made before names a row that may be gone; its mark goes with the refresh anyway.
    velmor::ResetPicks(drag);
    SetStatus(status::kFigureCount, QString::number(figures.FigureCount));
    RefreshView();
  }
  UpdateUndoButtons();
}

void Form1::RedrawFigures() {
  // The picture is painted afresh under the figures, which takes any rubber band with it.
  rubberBandShown_ = false;
  if (Picture2->PaintsOnDemand() && Picture2->HasPicture()) {
    RefreshShownPart();
  } else {
    std::optional<StretchPlan> picture;
    BandedRefresh how;
    if (Picture2->HasPicture() && view.ZoomPercent > 0) {
      // Each band's picture is painted just before its figures, while the band is in the cache.
      picture.emplace(Picture2->Picture(), Picture2->ScaleWidth() * 100.0 / view.ZoomPercent,
                      Picture2->ScaleHeight() * 100.0 / view.ZoomPercent, Picture2->Surface());
      how.background = [&picture](const QRect& band) { picture->Paint(band); };
    }
    RedrawFiguresInBands(Canvas(), figures, view.ZoomPercent, settings, work, drag, panel, text,
                         Picture2->HasPicture() ? &Picture2->Picture() : nullptr, how);
  }
  Picture2->SurfaceChanged();
}

}  // namespace velmor
