// Windows Metafiles (16-bit records), with or without the placeable header.
#pragma once

#include <QImage>
#include <QString>
#include <optional>
#include <span>

#include "formats/metafile/MetafilePlayer.h"

namespace velmor::platform::metafile {

std::optional<QImage> PlayWmf(std::span<const uint8_t> bytes, const MetafileLimits& limits,
                              QString* error);

}  // namespace velmor::platform::metafile
