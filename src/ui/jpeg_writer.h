// A picture as a JPEG file through libjpeg (the error reports' window
// pictures). Main thread only.
#pragma once

#include <QImage>

#include <string>

namespace pelmo {

// Writes the image (any format; alpha is dropped) at the quality (0-100).
// False when the image is empty or the file cannot be written; no partial
// file is left behind.
bool WriteJpeg(const std::string& path, const QImage& image, int quality);

}  // namespace pelmo
