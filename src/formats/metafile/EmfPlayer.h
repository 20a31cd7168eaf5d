// Enhanced Metafiles (32-bit records).
#pragma once

#include <QImage>
#include <QString>
#include <optional>
#include <span>

#include "formats/metafile/MetafilePlayer.h"

namespace velmor::platform::metafile {

std::optional<QImage> PlayEmf(std::span<const uint8_t> bytes, const MetafileLimits& limits,
                              QString* error);

}  // namespace velmor::platform::metafile
