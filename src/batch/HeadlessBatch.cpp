#include "batch/HeadlessBatch.h"

namespace velmor::batch {

HeadlessBatchHost::HeadlessBatchHost(StampLook look, PanelState pen)
    : surface_(std::move(look), pen) {}

StampTarget HeadlessBatchHost::Present(const BatchItem& item, const QImage& picture) {
  return surface_.Present(item, picture);
}

StampLook HeadlessBatchHost::Look(const BatchItem& item) {
  return surface_.Look(item);
}

void HeadlessBatchHost::Report(const QString& message) {
  messages_ << message;
}

}  // namespace velmor::batch
