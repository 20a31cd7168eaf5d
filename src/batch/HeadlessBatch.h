// The batch without a window: pictures stamped on a surface of their own, messages kept for the
// caller to print.
#pragma once

#include <QString>
#include <QStringList>

#include "batch/BatchRun.h"

namespace velmor::batch {

class HeadlessBatchHost : public BatchHost {
 public:
  // `look` (all but the text) and `pen` stand for the tool panel; their defaults are a black
  // balloon under a black name, so a caller passes the colours it wants.
  explicit HeadlessBatchHost(StampLook look = {}, PanelState pen = {});

  StampTarget Present(const BatchItem& item, const QImage& picture) override;
  StampLook Look(const BatchItem& item) override;
  void Report(const QString& message) override;

  // What Report was told, in order.
  const QStringList& Messages() const { return messages_; }
  // The last stamped surface.
  const QImage& LastSurface() const { return surface_.Surface(); }

 private:
  OwnSurface surface_;
  QStringList messages_;
};

}  // namespace velmor::batch
