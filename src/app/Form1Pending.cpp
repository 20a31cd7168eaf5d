// Operations whose subsystems have not landed yet: they do nothing.
#include "app/Form1.h"

namespace velmor {

bool Form1::AddFigure() { return false; }
void Form1::FindNearestFigure() {}
void Form1::DeleteNearestFigure() {}
void Form1::SaveUndoRecord() {}
void Form1::UNDB_Click() {}
void Form1::RedrawFigures() {}
void Form1::Picture2_MouseDown(int, int, float, float) {}
void Form1::Picture2_MouseMove(int, int, float, float) {}
void Form1::Picture2_MouseUp(int, int, float, float) {}
void Form1::MarkPickedSegment() {}
void Form1::TrimOrExtend() {}
void Form1::ResetPicks() {}
void Form1::OffsetParallel() {}
void Form1::CutFrame() {}
void Form1::CopyImage() {}
void Form1::PasteImage() {}

}  // namespace velmor
