#pragma once
// Pictures the program carries inside itself, by resource name ("NO_PHOTO_JPG": the act without a photo).
#include "platform/graphics/JPEGImage.h"

#include <QString>

// Loads the named JPEG resource into the picture; false for a name the program does not carry.
bool LoadResourceJpeg(const QString& name, gfx::TJPEGImage& picture);
