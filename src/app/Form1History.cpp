// Undo and redo through the edit history: each canvas action that changes the figures is one
// edit; dropping the figures forgets them all.
#include <QToolButton>

#include "app/CaptureDelay.h"
#include "app/Form1.h"
#include "core/edit/TrimExtend.h"
#include "core/model/ControlIndexes.h"

namespace velmor {

Form1::EditBracket::EditBracket(Form1& form) : form_(form) {
  form_.history.Begin(form_.figures);
}

Form1::EditBracket::~EditBracket() {
  form_.history.End(form_.figures);
  // The one-step record may have switched UNDB on or off inside; the history decides.
  if (!form_.history.Recording()) form_.UpdateUndoButtons();
}

void Form1::UpdateUndoButtons() {
  UNDB->setEnabled(history.CanUndo());
  RDOB->setEnabled(history.CanRedo());
}

void Form1::FiguresDropped() {
  history.Clear();
  UpdateUndoButtons();
  SetStatus(status::kFigureCount, QString::number(figures.FigureCount));
}

void Form1::RDOB_Click() {
  if (history.Recording()) return;
  if (history.Redo(figures)) {
    // A pick made before names a row that may be gone; its mark goes with the refresh anyway.
    velmor::ResetPicks(drag);
    SetStatus(status::kFigureCount, QString::number(figures.FigureCount));
    RefreshView();
  }
  UpdateUndoButtons();
}

void Form1::CancelPendingAction() {
  // A countdown to a capture is what Esc gives up first; an armed frame stays armed.
  if (Countdown().Cancel()) return;
  panel.FrameDragMode = framedrag::kNone;
  if (drag.Picks[0][0] == 0 && drag.Picks[1][0] == 0) return;
  ResetPicks();  // takes the pick mark away with a refresh
}

}  // namespace velmor
