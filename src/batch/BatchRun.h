// The batch stamp of a folder: every picture of it stamped with its name and written as a JPEG
// copy into a sub-folder named after the name's first part. The run needs no window: what it
// asks of one goes through BatchHost, and one picture's whole work (decode, stamp, encode) is
// ProcessPicture, which shares nothing between calls with their own surfaces.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "batch/StampDrawing.h"
#include "core/geometry/Geometry.h"
#include "core/model/PanelState.h"
#include "core/settings/Settings.h"
#include "raster/GdiCanvas.h"

namespace velmor::batch {

// One accepted file and where its stamped copy goes.
struct BatchItem {
  QString Path;           // the source file
  QString SourceName;     // its name without the folder
  QString OutputFolder;   // the sub-folder named after the name's first part, with a slash
  QString OutputName;     // the rest of the name
  std::string StampText;  // what the stamp prints
};

// A file the batch could not do, and why.
struct BatchProblem {
  QString FileName;
  QString Reason;
};

// Where a picture is stamped: its surface, the canvas drawing on it and the state the stamp
// leaves its values in.
struct StampTarget {
  platform::GdiCanvas& Canvas;
  QImage& Surface;
  PanelState& Panel;
  TextState& Text;
  WorkArea& Work;
};

class StampSurface {
 public:
  virtual ~StampSurface() = default;
  // Puts the decoded picture of `item` on a surface of its size (100 percent) and says where to
  // stamp it. The references stay valid until the next call.
  virtual StampTarget Present(const BatchItem& item, const QImage& picture) = 0;
  // Lets pending window events run between showing and stamping; nothing without a window.
  virtual void YieldToEvents() {}
  // The look of the stamp for `item`, asked for just before it is drawn.
  virtual StampLook Look(const BatchItem& item) = 0;
  // The stamp is on the surface.
  virtual void Stamped() {}
};

// A surface of its own, no window: give each thread one and pictures can be done side by side.
class OwnSurface : public StampSurface {
 public:
  // `look` gives everything but the text, which each item brings; `pen` the pen colour and width.
  explicit OwnSurface(StampLook look = {}, PanelState pen = {});
  StampTarget Present(const BatchItem& item, const QImage& picture) override;
  StampLook Look(const BatchItem& item) override;
  const QImage& Surface() const { return surface_; }
  const TextState& Text() const { return text_; }

 private:
  StampLook look_;
  PanelState panel_;
  TextState text_;
  WorkArea work_;
  QImage surface_;
  platform::GdiCanvas canvas_;
};

// `folder` with forward slashes and one at the end.
QString FolderWithSeparator(const QString& folder);

// The accepted files of `folder` (a FolderWithSeparator), full paths in listing order.
QStringList ListAccepted(const QString& folder);

// Decodes, stamps and writes one file; nothing when its copy was written. The picture is read
// before anything is presented, so an unreadable one leaves the surface as it was.
// `sweptFolders`, when given, names the output folders whose stale temporaries this run has
// already removed, so that a run sweeps each folder once rather than once per picture.
std::optional<BatchProblem> ProcessPicture(const QString& path, const Settings& settings,
                                           uint8_t jpegQuality, StampSurface& surface,
                                           std::set<std::string>* sweptFolders = nullptr);

// The message listing the files that could not be done (at most 20 named); empty for none.
QString ProblemsMessage(const std::vector<BatchProblem>& problems);

// What the run asks of whoever runs it, besides the surface.
class BatchHost : public StampSurface {
 public:
  // The accepted files in listing order, before any is processed.
  virtual void Listed(const QStringList& listing) { (void)listing; }
  // After each file, in processing order; `problem` is null when its copy was written.
  virtual void Progress(int done, int count, const QString& path, const BatchProblem* problem) {
    (void)done, (void)count, (void)path, (void)problem;
  }
  // Tells the user something: the source folder is missing, or which files could not be done
  // (once, at the end).
  virtual void Report(const QString& message) = 0;
};

struct BatchRequest {
  QString SourceFolder;
  const Settings* CurrentSettings = nullptr;  // fonts and JPEG quality; must be set
};

struct BatchSummary {
  bool FolderFound = false;
  int Listed = 0;
  int Written = 0;
  std::vector<BatchProblem> Problems;
};

// The whole run: the last listed file is processed first; a file that cannot be done is skipped
// and reported with the others at the end.
BatchSummary RunBatch(const BatchRequest& request, BatchHost& host);

}  // namespace velmor::batch
