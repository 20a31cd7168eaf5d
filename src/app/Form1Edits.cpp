// The drafting edits as the canvas runs them: trim, extend or cut, and the parallel segment,
// with their messages and the refresh that takes the pick marks away.
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "app/Form1.h"
#include "core/edit/ParallelOffset.h"
#include "core/edit/TrimExtend.h"
#include "platform/Modal.h"

namespace velmor {

namespace {
QString Qs(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
}  // namespace

void Form1::TrimOrExtend() {
  const EditBracket edit(*this);
  const TrimResult result =
      velmor::TrimOrExtend(figures, drag, panel.ToolMode, view.ZoomPercent, work, undo);
  // The rows were saved before the edit was tried, so undo is offered even after a failure.
  UNDB->setEnabled(undo.UndoAvailable);
  if (result == TrimResult::kNoIntersection)
    platform::ShowMessage(Qs(kNoIntersectionMessage), Qs(kEditErrorTitle),
                          platform::MsgIcon::Exclamation);
  ResetPicks();
}

void Form1::ResetPicks() {
  velmor::ResetPicks(drag);
  RefreshView();
}

void Form1::OffsetParallel() {
  const EditBracket edit(*this);
  const OffsetResult result =
      velmor::OffsetParallel(figures, drag, panel, static_cast<int16_t>(LineStyleIndex()),
                             view.ZoomPercent, Text6->text().toStdString(), work);
  switch (result) {
    case OffsetResult::kNeedDistance:
      // Nothing was added; the pick stays until the next click replaces it.
      platform::ShowMessage(Qs(kNeedDistanceMessage), Qs(kNeedDistanceTitle),
                            platform::MsgIcon::Question);
      return;
    case OffsetResult::kCannotOffset:
      platform::ShowMessage(Qs(kCannotOffsetMessage), Qs(kEditErrorTitle),
                            platform::MsgIcon::Exclamation);
      break;
    case OffsetResult::kTableFull:
      platform::ShowMessage(Qs(kTableFullMessage), platform::kProgramName);
      break;
    case OffsetResult::kAdded:
      break;
  }
  ResetPicks();
}

}  // namespace velmor
