#include "formats/metafile/MetafilePlayer.h"

#include "core/formats/PictureFormat.h"
#include "formats/metafile/EmfPlayer.h"
#include "formats/metafile/WmfPlayer.h"

namespace velmor::platform {

std::optional<QImage> RenderMetafile(std::span<const uint8_t> bytes, QString* error,
                                     const MetafileLimits& limits) {
  const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  switch (SniffPicture(view)) {
    case PictureKind::Wmf:
      return metafile::PlayWmf(bytes, limits, error);
    case PictureKind::Emf:
      return metafile::PlayEmf(bytes, limits, error);
    default:
      if (error) *error = QStringLiteral("not a metafile");
      return std::nullopt;
  }
}

}  // namespace velmor::platform
