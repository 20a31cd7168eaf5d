// The system clipboard as Velmor uses it: pictures only, in the bitmap (image) format.
#pragma once

#include <QImage>

#include "formats/PictureLoader.h"

namespace velmor::platform::clipboard {

// Empties the clipboard (whatever format it held).
void Clear();

// Puts `picture` on the clipboard as an image, replacing its content. A null picture only
// clears it.
void PutPicture(const QImage& picture);

// Whether the clipboard holds a picture in the image format (text alone does not count).
bool HasBitmap();

// The clipboard's picture as an opaque 32-bit bitmap (transparent parts white); null when it
// holds none, or one that is damaged or beyond `limits`.
QImage GetPicture(const PictureLimits& limits = {});

}  // namespace velmor::platform::clipboard
