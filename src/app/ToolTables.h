// The fixed tables of the main window: toolbar buttons, drawing tools, and the panel's lists.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace velmor {

struct ToolbarButtonInfo {
  int index;  // 1..19
  bool separator;
  QString tooltip;
  QString icon;
  bool checkable = false;
};

struct ToolInfo {
  int mode;      // ToolMode and the index of its button
  QString name;  // tooltip
  QString hint;  // what status panel 1 shows when the tool is picked
  QString icon;
};

const std::vector<ToolbarButtonInfo>& ToolbarButtons();
const std::vector<ToolInfo>& Tools();
const ToolInfo* FindTool(int mode);

QStringList LineStyleNames();
QStringList FillStyleNames();
// "0.2" to "3.4" in steps of 0.2 (17 items).
QStringList EllipseRatioTexts();

}  // namespace velmor
