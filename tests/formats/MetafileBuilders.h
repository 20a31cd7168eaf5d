// Metafiles written record by record in tests: just enough of the WMF and EMF layouts to build
// the files the player is checked against.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <cstdint>
#include <initializer_list>

namespace velmor::test {

class Bytes {
 public:
  Bytes& U8(uint8_t v) {
    data_.append(char(v));
    return *this;
  }
  Bytes& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Bytes& I16(int16_t v) { return U16(uint16_t(v)); }
  Bytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& I32(int32_t v) { return U32(uint32_t(v)); }
  Bytes& Raw(const QByteArray& bytes) {
    data_.append(bytes);
    return *this;
  }
  Bytes& Pad(int multiple) {
    while (data_.size() % multiple) data_.append('\0');
    return *this;
  }
  const QByteArray& data() const { return data_; }

 private:
  QByteArray data_;
};

// RGB as GDI's COLORREF.
inline uint32_t ColorRef(int r, int g, int b) {
  return uint32_t(r) | g << 8 | uint32_t(b) << 16;
}

// A bottom-up 24-bit DIB: BITMAPINFOHEADER and rows, given top row first.
inline QByteArray PackedDib(int width, int height, std::initializer_list<uint32_t> topFirstRgb) {
  Bytes info;
  info.U32(40).I32(width).I32(height).U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  const std::vector<uint32_t> pixels(topFirstRgb);
  Bytes bits;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = pixels[size_t(y * width + x)];
      bits.U8(c & 0xFF).U8((c >> 8) & 0xFF).U8(c >> 16);  // stored B, G, R from 0xRRGGBB
    }
    bits.Pad(4);
  }
  return info.data() + bits.data();
}

class WmfBuilder {
 public:
  WmfBuilder& Record(uint16_t function, std::initializer_list<int> words) {
    Bytes r;
    r.U32(uint32_t(3 + words.size())).U16(function);
    for (int w : words) r.U16(uint16_t(w));
    records_.Raw(r.data());
    return *this;
  }
  WmfBuilder& RecordBytes(uint16_t function, const QByteArray& params) {
    Bytes r;
    QByteArray padded = params;
    if (padded.size() % 2) padded.append('\0');
    r.U32(uint32_t(3 + padded.size() / 2)).U16(function).Raw(padded);
    records_.Raw(r.data());
    return *this;
  }
  WmfBuilder& Pen(uint16_t style, int width, uint32_t color) {
    return Record(0x02FA, {style, width, 0, int(color & 0xFFFF), int(color >> 16)});
  }
  WmfBuilder& Brush(uint16_t style, uint32_t color, uint16_t hatch) {
    return Record(0x02FC, {style, int(color & 0xFFFF), int(color >> 16), hatch});
  }
  WmfBuilder& Font(int height, int escapement, const QByteArray& face, uint8_t charset = 0) {
    Bytes p;
    p.I16(int16_t(height)).I16(0).I16(int16_t(escapement)).I16(int16_t(escapement)).I16(400);
    p.U8(0).U8(0).U8(0).U8(charset).U8(0).U8(0).U8(3).U8(0);
    p.Raw(face).U8(0);
    return RecordBytes(0x02FB, p.data());
  }
  WmfBuilder& Select(int index) { return Record(0x012D, {index}); }
  WmfBuilder& BkMode(int mode) { return Record(0x0102, {mode}); }
  WmfBuilder& BkColor(uint32_t c) { return Record(0x0201, {int(c & 0xFFFF), int(c >> 16)}); }
  WmfBuilder& TextColor(uint32_t c) { return Record(0x0209, {int(c & 0xFFFF), int(c >> 16)}); }
  WmfBuilder& Window(int x, int y, int w, int h) {
    return Record(0x020B, {y, x}).Record(0x020C, {h, w});
  }
  WmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
  WmfBuilder& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {b, r, t, l}); }
  WmfBuilder& MoveTo(int x, int y) { return Record(0x0214, {y, x}); }
  WmfBuilder& LineTo(int x, int y) { return Record(0x0213, {y, x}); }
  WmfBuilder& ExtTextOut(int x, int y, const QByteArray& text) {
    Bytes p;
    p.I16(int16_t(y)).I16(int16_t(x)).I16(int16_t(text.size())).U16(0).Raw(text).Pad(2);
    return RecordBytes(0x0A32, p.data());
  }
  WmfBuilder& StretchDib(int x, int y, int w, int h, int dibW, int dibH, const QByteArray& dib) {
    Bytes p;
    p.U32(0x00CC0020).U16(0).I16(int16_t(dibH)).I16(int16_t(dibW)).I16(0).I16(0);
    p.I16(int16_t(h)).I16(int16_t(w)).I16(int16_t(y)).I16(int16_t(x)).Raw(dib);
    return RecordBytes(0x0F43, p.data());
  }
  WmfBuilder& Raw(const QByteArray& bytes) {
    records_.Raw(bytes);
    return *this;
  }

  // With the placeable header: `box` in logical units, `inch` units per inch.
  QByteArray Placeable(QRect box, int inch, uint16_t objects = 16) const {
    Bytes b;
    b.U32(0x9AC6CDD7).U16(0).I16(int16_t(box.left())).I16(int16_t(box.top()));
    b.I16(int16_t(box.left() + box.width())).I16(int16_t(box.top() + box.height()));
    b.U16(uint16_t(inch)).U32(0).U16(0);
    return b.data() + Plain(objects);
  }
  QByteArray Plain(uint16_t objects = 16) const {
    const QByteArray body = records_.data() + QByteArray("\3\0\0\0\0\0", 6);
    Bytes b;
    b.U16(1).U16(9).U16(0x0300).U32(uint32_t(9 + body.size() / 2)).U16(objects).U32(64).U16(0);
    return b.data() + body;
  }

 private:
  Bytes records_;
};

class EmfBuilder {
 public:
  EmfBuilder& Record(uint32_t type, std::initializer_list<int32_t> values) {
    Bytes r;
    r.U32(type).U32(uint32_t(8 + 4 * values.size()));
    for (int32_t v : values) r.I32(v);
    records_.Raw(r.data());
    ++count_;
    return *this;
  }
  EmfBuilder& RecordBytes(uint32_t type, const QByteArray& params) {
    Bytes r;
    QByteArray padded = params;
    while (padded.size() % 4) padded.append('\0');
    r.U32(type).U32(uint32_t(8 + padded.size())).Raw(padded);
    records_.Raw(r.data());
    ++count_;
    return *this;
  }
  EmfBuilder& Brush(int index, uint32_t style, uint32_t color, uint32_t hatch) {
    return Record(39, {index, int32_t(style), int32_t(color), int32_t(hatch)});
  }
  EmfBuilder& GeometricPen(int index, uint32_t style, int width, uint32_t color) {
    return Record(95,
                  {index, 0, 0, 0, 0, int32_t(style | 0x10000), width, 0, int32_t(color), 0, 0});
  }
  EmfBuilder& Select(uint32_t index) { return Record(37, {int32_t(index)}); }
  EmfBuilder& Rectangle(int l, int t, int r, int b) { return Record(43, {l, t, r, b}); }
  EmfBuilder& Ellipse(int l, int t, int r, int b) { return Record(42, {l, t, r, b}); }
  EmfBuilder& Polyline16(std::initializer_list<QPoint> points) {
    Bytes p;
    p.I32(0).I32(0).I32(0).I32(0).U32(uint32_t(points.size()));
    for (QPoint q : points) p.I16(int16_t(q.x())).I16(int16_t(q.y()));
    return RecordBytes(87, p.data());
  }
  EmfBuilder& Font(int index, int height, int escapement, const QString& face) {
    Bytes p;
    p.I32(index).I32(height).I32(0).I32(escapement).I32(escapement).I32(400);
    p.U8(0).U8(0).U8(0).U8(1).U8(0).U8(0).U8(3).U8(0);
    for (int i = 0; i < 32; ++i) p.U16(i < face.size() ? face[i].unicode() : 0);
    return RecordBytes(82, p.data());
  }
  EmfBuilder& TextOutW(int x, int y, const QString& text) {
    Bytes p;
    p.I32(0).I32(0).I32(0).I32(0).U32(1).U32(0).U32(0);  // bounds, mode, scales
    const uint32_t offString = 76;                       // the string follows the fixed fields
    p.I32(x).I32(y).U32(uint32_t(text.size())).U32(offString).U32(0).I32(0).I32(0).I32(0).I32(0);
    p.U32(0);  // offDx
    for (QChar c : text) p.U16(c.unicode());
    return RecordBytes(84, p.data());
  }
  EmfBuilder& StretchDiBits(int x, int y, int w, int h, int dibW, int dibH, const QByteArray& dib) {
    const QByteArray info = dib.left(40), bits = dib.mid(40);
    Bytes p;
    p.I32(0).I32(0).I32(0).I32(0).I32(x).I32(y).I32(0).I32(0).I32(dibW).I32(dibH);
    p.U32(80).U32(uint32_t(info.size())).U32(uint32_t(80 + info.size())).U32(uint32_t(bits.size()));
    p.U32(0).U32(0x00CC0020).I32(w).I32(h).Raw(info).Raw(bits);
    return RecordBytes(81, p.data());
  }

  // `frame` in hundredths of a millimetre; a reference device of 96 pixels per inch.
  QByteArray Build(QRect frame, uint16_t handles = 16) const {
    const QByteArray body = records_.data() + Bytes().U32(14).U32(20).U32(0).U32(0).U32(20).data();
    Bytes h;
    h.U32(1).U32(88);
    h.I32(0).I32(0).I32(1000).I32(1000);
    h.I32(frame.left()).I32(frame.top()).I32(frame.left() + frame.width());
    h.I32(frame.top() + frame.height());
    h.U32(0x464D4520).U32(0x10000).U32(uint32_t(88 + body.size())).U32(uint32_t(count_ + 2));
    h.U16(handles).U16(0).U32(0).U32(0).U32(0);
    h.I32(960).I32(960).I32(254).I32(254);  // 96 pixels per inch
    return h.data() + body;
  }

 private:
  Bytes records_;
  int count_ = 0;
};

}  // namespace velmor::test
