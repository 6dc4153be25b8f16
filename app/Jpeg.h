// JPEG compression of a picture through libjpeg (libjpeg-turbo).
#pragma once

#include <QByteArray>
#include <QImage>

// The image as a baseline JFIF file at the given quality (1..100), with the
// image's resolution as its density. Empty when the image is null or the
// library fails.
QByteArray EncodeJpeg(const QImage &image, int quality);
