#include "telvane/Shapes.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace Telvane {

void Color::encode(Encoder& e) const
{
    e.writeFloat(c0);
    e.writeFloat(c1);
    e.writeFloat(c2);
    e.writeFloat(c3);
}

void Color::decode(Decoder& d)
{
    c0 = d.readFloat();
    c1 = d.readFloat();
    c2 = d.readFloat();
    c3 = d.readFloat();
}

void Point::encode(Encoder& e) const
{
    e.writeFloat(x);
    e.writeFloat(y);
}

void Point::decode(Decoder& d)
{
    x = d.readFloat();
    y = d.readFloat();
}

void Graphic::encode(Encoder& e) const
{
    e.writeFloat(lineWidth_);
    e.writeObject(firstColor_);
    e.writeObject(secondColor_);
}

namespace {
// Colours travel as nested objects but are held by value.
void readColor(Decoder& d, Color& into)
{
    std::unique_ptr<Color> received(d.readObjectOf<Color>());
    if (received) into = *received;
}
}  // namespace

void Graphic::decode(Decoder& d)
{
    lineWidth_ = d.readFloat();
    readColor(d, firstColor_);
    readColor(d, secondColor_);
}

void RectGraphic::setRect(float x, float y, float width, float height)
{
    x_ = x;
    y_ = y;
    width_ = width;
    height_ = height;
}

void RectGraphic::encode(Encoder& e) const
{
    Graphic::encode(e);
    e.writeFloat(x_);
    e.writeFloat(y_);
    e.writeFloat(width_);
    e.writeFloat(height_);
}

void RectGraphic::decode(Decoder& d)
{
    Graphic::decode(d);
    x_ = d.readFloat();
    y_ = d.readFloat();
    width_ = d.readFloat();
    height_ = d.readFloat();
}

ImageGraphic::ImageGraphic(const void* data, uint32_t size, float x, float y, float width, float height)
    : RectGraphic(x, y, width, height)
{
    if (!data || size == 0) return;
    data_ = static_cast<uint8_t*>(std::malloc(size));
    if (!data_) return;
    std::memcpy(data_, data, size);
    size_ = size;
}

ImageGraphic::~ImageGraphic() { std::free(data_); }

void ImageGraphic::encode(Encoder& e) const
{
    RectGraphic::encode(e);
    e.writeU32(size_);
    if (size_ > 0) e.write(data_, size_);
}

void ImageGraphic::decode(Decoder& d)
{
    RectGraphic::decode(d);
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
    const uint32_t size = d.readU32();
    data_ = d.readBytes(size);
    if (data_) size_ = size;
}

void Path::encode(Encoder& e) const
{
    Graphic::encode(e);
    e.writeU32(uint32_t(points_.size()));
    for (const Point& p : points_) e.writeObject(p);
}

void Path::decode(Decoder& d)
{
    Graphic::decode(d);
    const uint32_t count = d.readU32();
    // The count is the peer's word: points are appended only as they arrive.
    for (uint32_t i = 0; i < count && !d.failed(); ++i) {
        std::unique_ptr<Point> point(d.readObjectOf<Point>());
        if (point) points_.push_back(*point);
    }
}

}  // namespace Telvane
