// The main window. It owns the program's state as plain structs and hands them to the
// operations; the Form1*.cpp files wire the handlers to them, and the zoom and scroll, file,
// clipboard and batch operations live in their own folders (view, document, batch).
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "batch/BatchRun.h"
#include "capture/CaptureHost.h"
#include "core/edit/EditHistory.h"
#include "core/edit/FigureStore.h"
#include "core/geometry/Geometry.h"
#include "core/model/DragState.h"
#include "core/model/FigureTable.h"
#include "core/model/PanelState.h"
#include "core/model/ViewState.h"
#include "core/settings/Settings.h"
#include "platform/Modal.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class QSlider;
class QSpinBox;
class QStatusBar;
class QToolBar;
class QToolButton;
class QWheelEvent;

namespace velmor {

class CanvasWidget;
class CaptureDelay;
class ColorSwatch;
class ScreenCapture;
namespace platform {
class GdiCanvas;
}

class Form1 : public QMainWindow, public CaptureHost {
  Q_OBJECT

 public:
  // `settingsFolder` is the folder that holds VLM.INI (the program passes its own folder).
  // Construction runs the start-up: reads the settings file and fills the tool panel. The
  // single-instance guard is the program's, not the window's, so tests may build many.
  explicit Form1(const QString& settingsFolder, QWidget* parent = nullptr);
  ~Form1() override;

  // ---- State (plain structs the operations work on) ----
  Settings settings;
  PanelState panel;  // ToolMode, ZoomStep, PenWidth, ArrowOn, FrameDragMode, colours...
  TextState text;
  ViewState view;  // ZoomPercent, ImageWidth/Height, Frame*
  DragState drag;  // StartX..EndY, CircleRadius, DrawX1.., Picks, PickStep, PickedFigure
  FigureTable figures;
  UndoState undo;       // whether UNDB may put row 1001 back
  EditHistory history;  // the edits UNDB and RDOB walk through
  WorkArea work;
  QString ImageFolder;
  QString ImageFileName;
  platform::CommonDialog CMDialog1;
  QImage CutPic;  // scratch picture of cut and fixed-rectangle capture, never shown

  QString SettingsFile() const { return settingsFile_; }
  // What ending the program does; tests replace it so that the process survives.
  std::function<void()> exitProgram;

  // ---- Start-up and shutdown ----
  // Writes the settings file (panel state copied into the slots first). False when it failed.
  bool SaveSettings();
  // Writes the settings file and ends the program.
  void SaveSettingsAndExit();

  // ---- Tool panel ----
  void Opb_Click(int index);
  void Text1_Change();
  void Slider1_UserMoved();
  void Text4_Change();
  void Slider2_UserMoved();
  void Text2_Click();
  void Text5_Click();
  void Command1_Click();
  void Command2_Click();
  // The selected indexes and texts of the panel's lists as the drawing code reads them.
  int LineStyleIndex() const;
  int FillStyleIndex() const;
  QString EllipseRatioText() const;
  uint32_t FrontColor() const;
  uint32_t BackColor() const;

  // ---- Menus and toolbar ----
  void FileK_Click(int index);
  void HelpK_Click(int index);
  void Toolbar1_ButtonClick(int index);
  // The settings dialog, modal over the main window.
  void OpenSettingsDialog();

  // ---- View ----
  void Pic_int() override;
  void RefreshView();
  void LayoutViewport();
  void ZoomIn();
  void ZoomOut();
  void ZoomActualSize();
  void ZoomToFrame();
  void ShowAtZoom(int zoom);  // the canvas resized for `zoom` and refreshed
  void NormalizeFrame();
  void ApplyScrollPosition();
  // The mouse wheel over the viewport moves the bars (Shift: sideways), as their arrows would.
  void ScrollByWheel(const QWheelEvent& wheel);
  void HScroll1_Change();
  void VScroll1_Change();

  // ---- Image files ----
  void OpenImage();
  void SaveImage();

  // ---- Figures ----
  bool AddFigure();
  void FindNearestFigure();
  void DeleteNearestFigure();
  void SaveUndoRecord();
  void UNDB_Click();
  void RDOB_Click();
  void RedrawFigures();
  // After the figures were dropped (open, capture, batch picture): no history, count 0 shown.
  void FiguresDropped();
  // UNDB and RDOB follow what the history can walk to.
  void UpdateUndoButtons();
  // Brackets one action on the canvas so that it becomes one edit of the history.
  class EditBracket {
   public:
    explicit EditBracket(Form1& form);
    ~EditBracket();
    EditBracket(const EditBracket&) = delete;
    EditBracket& operator=(const EditBracket&) = delete;

   private:
    Form1& form_;
  };

  // ---- Canvas mouse ----
  void Picture2_MouseDown(int button, int shift, float x, float y);
  void Picture2_MouseMove(int button, int shift, float x, float y);
  void Picture2_MouseUp(int button, int shift, float x, float y);
  void MarkPickedSegment();

  // ---- Drafting edits ----
  void TrimOrExtend();
  void ResetPicks();
  void OffsetParallel();

  // ---- Clipboard ----
  void CutFrame();
  void CopyImage();
  void PasteImage();
  // The picture with its figures drawn over it at 100 percent, whatever the zoom.
  QImage PictureWithFigures();
  void CopyImageWithFigures();
  // Esc: an armed frame drag or a half-made pick is given up.
  void CancelPendingAction();

  // ---- Capture ----
  void CaptureScreen();
  void Command5_Click();
  // The capture host: what the captures ask of the main window.
  void MinimizeMainWindow() override;
  void RestoreMainWindow() override;
  void HideMainWindow() override;
  void ShowMainWindow() override;
  void SetCanvasPicture(const QImage& picture) override;
  void SetCutPic(const QImage& picture) override;
  int16_t CaptureActiveWindow() const override { return panel.CaptureActiveWindow; }
  const Settings& CurrentSettings() const override { return settings; }
  ScreenCapture& Capture();
  // The countdown of DelayBox's seconds before the toolbar's capture and 矩形.
  CaptureDelay& Countdown() { return *countdown_; }

  // ---- Batch ----
  void BatchStampFolder();
  // What the run did, for callers that report it themselves (the command line).
  batch::BatchSummary BatchStampFolderIn(const QString& sourceFolder);
  void DrawStamp();

  // ---- Controls; each carries its name as its objectName, which tests find it by ----
  QMenu* FileMenu = nullptr;
  QMenu* HelpMenu = nullptr;
  std::map<int, QAction*> FileK;
  std::map<int, QAction*> HelpK;
  QToolBar* Toolbar1 = nullptr;
  std::map<int, QAction*> Toolbar1Buttons;  // 1..19, separators included
  QSpinBox* DelayBox = nullptr;             // after the buttons: seconds before a capture
  QToolBar* Toolbar2 = nullptr;
  QWidget* Picture3 = nullptr;
  QLineEdit* Text1 = nullptr;
  QSlider* Slider1 = nullptr;
  QComboBox* Combo1 = nullptr;
  QLineEdit* Text4 = nullptr;
  QSlider* Slider2 = nullptr;
  ColorSwatch* Text2 = nullptr;
  ColorSwatch* Text5 = nullptr;
  QComboBox* Combo3 = nullptr;
  QPushButton* Command2 = nullptr;
  QComboBox* Combo2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QPushButton* Command1 = nullptr;
  std::map<int, QToolButton*> Opb;  // 1..13
  QLineEdit* Text6 = nullptr;
  QToolButton* UNDB = nullptr;
  QToolButton* RDOB = nullptr;  // redo, beside UNDB
  QToolButton* Command5 = nullptr;
  QPushButton* BatchButton = nullptr;  // 一括, never shown
  QPushButton* StampButton = nullptr;  // ★, never shown
  QListWidget* List1 = nullptr;
  QListWidget* List2 = nullptr;
  QWidget* Picture1 = nullptr;  // viewport
  CanvasWidget* Picture2 = nullptr;
  QScrollBar* HScroll1 = nullptr;
  QScrollBar* VScroll1 = nullptr;
  QStatusBar* Stb1 = nullptr;
  std::map<int, QLabel*> Stb1Panels;  // 1..6

  // The GDI-like canvas drawing on Picture2's surface. Its pen, fill and font persist between
  // events: an action that sets none draws with what the previous one left.
  platform::GdiCanvas& Canvas();

  // Panel text of the status bar (1..6).
  void SetStatus(int panel, const QString& text);
  QString Status(int panel) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildToolPanel();
  void BuildLeftStrip();
  void BuildViewport();
  void BuildStatusBar();
  void LayoutClient();
  void Form_Load();
  // Runs a command under the error trap: a failure it does not report itself ends it quietly.
  void RunTrapped(const std::function<void()>& command);

  QString settingsFile_;
  std::unique_ptr<platform::GdiCanvas> canvas_;
  // A large canvas is refreshed only where the viewport shows it; the rest is painted when
  // needed, on this canvas, from a copy of what the refresh drew from.
  void RefreshShownPart();
  std::shared_ptr<platform::GdiCanvas> partCanvas_;
  bool paintingShownPart_ = false;
  std::unique_ptr<ScreenCapture> capture_;
  std::unique_ptr<CaptureDelay> countdown_;
  QWidget* client_ = nullptr;
  QWidget* leftStrip_ = nullptr;
  bool exiting_ = false;
  bool settingsReadable_ = true;
  // Whether the exclusive-or rubber band of the current drag is on the drawing surface.
  bool rubberBandShown_ = false;
  // Inside a refresh or a frame zoom, which repaint the canvas and draw the figures once.
  class RefreshBracket {
   public:
    explicit RefreshBracket(Form1& form);
    ~RefreshBracket();
    RefreshBracket(const RefreshBracket&) = delete;
    RefreshBracket& operator=(const RefreshBracket&) = delete;

   private:
    Form1& form_;
  };
  int refreshDepth_ = 0;
};

}  // namespace velmor
